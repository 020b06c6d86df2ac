#pragma once

// The driver side of the simulator: what the simulated driver library asks of the
// simulator's state in libkovra_sim.so. The control side is kovra_sim.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "kovra_sim.h"

// What the driver library asks of libkovra_sim is exported from it like the control
// interface, and imported into the driver library.
#define KOVRA_SIM_INTERNAL KOVRA_SIM_API

namespace kovra_sim {

enum class DriverFunction : std::size_t {
    InterfaceVersion,
    DriverVersion,
    CardsInSystem,
    CardDid,
    CardBus,
    CardSlot,
    Open,
    Bar4BaseAdr,
    EepromWr,
    EepromRd,
    Close,
};

inline constexpr std::size_t kDriverFunctionCount = 11;

inline constexpr std::array<std::string_view, kDriverFunctionCount> kExportNames = {
    "OX9162_InterfaceVersion", "OX9162_DriverVersion", "OX9162_CardsInSystem",
    "OX9162_Card_DID",         "OX9162_Card_BUS",      "OX9162_Card_SLOT",
    "OX9162_Open",             "OX9162_BAR4_BaseAdr",  "OX9162_EEPROM_WR",
    "OX9162_EEPROM_RD",        "OX9162_Close",
};

constexpr std::string_view ExportName(DriverFunction function)
{
    return kExportNames[static_cast<std::size_t>(function)];
}

constexpr std::optional<DriverFunction> FindDriverFunction(std::string_view exportName)
{
    for (std::size_t i = 0; i < kDriverFunctionCount; ++i) {
        if (kExportNames[i] == exportName)
            return static_cast<DriverFunction>(i);
    }
    return std::nullopt;
}

// One argument of a driver call as the call log shows it: a value, or an out
// pointer, which the log writes as "*".
struct CallArgument {
    std::uint32_t value;
    bool isOutPointer;
};

inline constexpr CallArgument Value(std::uint32_t value) { return {value, false}; }
inline constexpr CallArgument OutPointer() { return {0, true}; }

struct InjectedFault {
    kovra_sim_fault kind;
    std::uint32_t status; // for KOVRA_SIM_FAULT_STATUS
};

// Every driver export starts here: sets the simulator up from the rack file or the
// default rack when nothing has set it up yet, counts and logs the call, and tells
// which injected fault, if any, fires on it.
KOVRA_SIM_INTERNAL InjectedFault BeginCall(DriverFunction function,
                                           std::initializer_list<CallArgument> arguments);

// The working part of each driver function. Statuses are those of kovra_sim.h.
KOVRA_SIM_INTERNAL std::uint32_t InterfaceVersion();
KOVRA_SIM_INTERNAL std::uint32_t DriverVersion(std::uint32_t* version);
KOVRA_SIM_INTERNAL std::uint32_t CardsInSystem(std::uint32_t* count);
KOVRA_SIM_INTERNAL std::uint32_t CardDid(std::uint32_t index, std::uint32_t* did);
KOVRA_SIM_INTERNAL std::uint32_t CardBus(std::uint32_t index, std::uint32_t* bus);
KOVRA_SIM_INTERNAL std::uint32_t CardSlot(std::uint32_t index, std::uint32_t* slot);
KOVRA_SIM_INTERNAL std::uint32_t Open(std::uint32_t index);
KOVRA_SIM_INTERNAL std::uint32_t Bar4BaseAdr(std::uint32_t index, std::uint32_t* base,
                                             std::uint32_t* extra);
KOVRA_SIM_INTERNAL std::uint32_t EepromWrite(std::uint32_t index, std::uint32_t address,
                                             std::uint32_t word);
KOVRA_SIM_INTERNAL std::uint32_t EepromRead(std::uint32_t index, std::uint32_t address,
                                            std::uint16_t* word);
KOVRA_SIM_INTERNAL std::uint32_t Close(std::uint32_t index);

} // namespace kovra_sim
