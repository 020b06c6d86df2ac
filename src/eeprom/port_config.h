#pragma once

// Where the card keeps its port configuration: five 16-bit EEPROM words, named by
// the address argument the driver takes. A port value word carries the initial value
// in bits 0-7 and is written with bit 15 set; the direction word carries one bit per
// port (set = OUT), bit 0 for port 1, and is written as the bare mask.

#include <array>
#include <cstdint>
#include <optional>

namespace cards {
class FormView;
}

namespace eeprom {

inline constexpr std::uint32_t Port1Value = 22;
inline constexpr std::uint32_t Port2Value = 24;
inline constexpr std::uint32_t Port3Value = 26;
inline constexpr std::uint32_t Port4Value = 28;
inline constexpr std::uint32_t PortDirections = 30;

// The order in which both commands transfer the words.
inline constexpr std::array<std::uint32_t, 5> kConfigurationAddresses = {
    Port1Value, Port2Value, Port3Value, Port4Value, PortDirections};

inline constexpr std::uint16_t EncodePortValue(std::uint8_t value)
{
    return static_cast<std::uint16_t>(0x8000 + value);
}

inline constexpr std::uint8_t DecodePortValue(std::uint16_t word)
{
    return static_cast<std::uint8_t>(word & 0xFF);
}

// Port k (1 to 4) is OUT when bit k - 1 is set.
inline constexpr bool IsPortOut(std::uint16_t directions, int port)
{
    return (directions >> (port - 1)) & 1;
}

// Buttons of the window: IN of port k is RadioButton(8 + k), OUT is RadioButton(12 + k).
inline constexpr int InButton(int port) { return 8 + port; }
inline constexpr int OutButton(int port) { return 12 + port; }

// The card both commands work on: the index of the highest-numbered selection button
// that is checked and whose own visible flag is set; none when no button qualifies.
std::optional<std::uint32_t> SelectedCardIndex(const cards::FormView& view);

} // namespace eeprom
