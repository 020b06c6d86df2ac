#pragma once

// Card discovery at start-up: the driver state, the card table and the routines that
// load the driver library and probe the cards.

#include <array>
#include <cstdint>
#include <string>

#include "platform/module.h"

namespace cards {

class FormView;

// The driver state: 0 at program start and again at the start of discovery.
extern std::uint32_t InterfaceVersion;
extern std::uint32_t DriverVersion;
extern platform::ModuleHandle LibHandle;
extern std::uint32_t CardCount;

inline constexpr std::uint32_t kSupportedDid = 0x0101;
inline constexpr std::uint32_t kMaxCards = 8;

// The record of one card, filled by its probe.
struct TKarta {
    platform::ModuleHandle LibHandle = nullptr;
    std::uint32_t DID = 0;
    std::uint32_t Bus = 0;
    std::uint32_t Slot = 0;
    std::string TypeName; // Windows-1250 bytes, as the catalogue holds them
    std::string LibName;
    std::int32_t Index = 0;
    std::uint32_t Bar4Base = 0;
    std::uint32_t Bar4Extra = 0;
    bool Opened = false;
};

// Record i belongs to the card with index i; only records 0 to 7 are ever filled.
extern std::array<TKarta, 16> Cards;

// Loads the driver library and reads its versions and card count. On every way out
// `message` holds "Ok" or the text of the failure.
bool LoadDriver(std::string& message);

// Probes card `index` and fills Cards[index]. On every way out `message` holds "Ok"
// or the text of the failure. The catalogue's EInOutError is not caught.
bool ProbeCard(std::uint32_t index, std::string& message);

// The window's creation handler's work: prepares the card list and the port value
// edits, loads the driver, probes the cards, lists them and writes the outcome into
// the status line. The catalogue's EInOutError is not caught: it leaves with the rows
// filled so far and the status line untouched.
void DiscoverCards(FormView& view);

} // namespace cards
