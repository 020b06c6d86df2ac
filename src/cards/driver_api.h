#pragma once

// The maker's driver library for the OX9162 PCI bridge cards: its file name and its
// eleven exports. Every argument and result is 32 bits wide; `out` arguments point to
// variables the library fills (OX9162_EEPROM_RD stores exactly 16 bits). Unless noted,
// the result is a status: 0 is success, anything else an error code of the library.

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define KOVRA_CALL __stdcall
#else
#define KOVRA_CALL
#endif

namespace driver {

#if defined(_WIN32)
inline constexpr const char* kLibraryFileName = "kovra_ox9162.dll";
#else
inline constexpr const char* kLibraryFileName = "libkovra_ox9162.so";
#endif

// One export of the library: its name and the type of a pointer to it.
template <typename FunctionPointer>
struct Export {
    const char* name;
};

extern "C" {
// Returns a version value, not a status.
using InterfaceVersionFn = std::uint32_t(KOVRA_CALL*)();
using DriverVersionFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t* version);
// The caller presets `count` to 0.
using CardsInSystemFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t* count);
using CardDidFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t* did);
using CardBusFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t* bus);
using CardSlotFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t* slot);
// The second argument is always 0.
using OpenFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t mode);
// On a non-zero status the caller takes both values as 0.
using Bar4BaseAdrFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t* base,
                                                 std::uint32_t* extra);
// `word` is a 16-bit value, zero-extended.
using EepromWrFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t address,
                                              std::uint32_t word);
using EepromRdFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index, std::uint32_t address,
                                              std::uint16_t* word);
using CloseFn = std::uint32_t(KOVRA_CALL*)(std::uint32_t index);
}

inline constexpr Export<InterfaceVersionFn> OX9162_InterfaceVersion{"OX9162_InterfaceVersion"};
inline constexpr Export<DriverVersionFn> OX9162_DriverVersion{"OX9162_DriverVersion"};
inline constexpr Export<CardsInSystemFn> OX9162_CardsInSystem{"OX9162_CardsInSystem"};
inline constexpr Export<CardDidFn> OX9162_Card_DID{"OX9162_Card_DID"};
inline constexpr Export<CardBusFn> OX9162_Card_BUS{"OX9162_Card_BUS"};
inline constexpr Export<CardSlotFn> OX9162_Card_SLOT{"OX9162_Card_SLOT"};
inline constexpr Export<OpenFn> OX9162_Open{"OX9162_Open"};
inline constexpr Export<Bar4BaseAdrFn> OX9162_BAR4_BaseAdr{"OX9162_BAR4_BaseAdr"};
inline constexpr Export<EepromWrFn> OX9162_EEPROM_WR{"OX9162_EEPROM_WR"};
inline constexpr Export<EepromRdFn> OX9162_EEPROM_RD{"OX9162_EEPROM_RD"};
inline constexpr Export<CloseFn> OX9162_Close{"OX9162_Close"};

} // namespace driver
