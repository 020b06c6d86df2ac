#pragma once

// The EEPROM state files of the simulated cards: one small text file per card, named
// by its bus and slot, replaced as a whole on every write so that a crash leaves
// either the old or the new file, never a torn one.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kovra_sim.h"

namespace kovra_sim {

using EepromWords = std::array<std::uint16_t, KOVRA_SIM_EEPROM_WORDS>;

// "bus4-slot0.eeprom"
std::string StateFileName(std::uint32_t bus, std::uint32_t slot);

std::string FormatEepromState(const EepromWords& words, std::uint32_t bus, std::uint32_t slot);

// The words of a state file's text; empty when the text is not a complete state
// file (wrong header, a missing, extra or malformed line, no end marker).
std::optional<EepromWords> ParseEepromState(std::string_view text);

enum class StateFileOutcome {
    Loaded,
    Missing, // no such file: the card keeps its initial contents
    Garbled, // unreadable or not a state file: the card starts erased
};

struct LoadedState {
    StateFileOutcome outcome;
    EepromWords words;
};

LoadedState LoadEepromState(const std::string& directory, std::uint32_t bus, std::uint32_t slot);

// Writes the file under a temporary name in the same directory (creating the
// directory if needed), flushes it to the disk and renames it over the old one.
// On failure `error` names the step and the system's reason.
bool SaveEepromState(const std::string& directory, std::uint32_t bus, std::uint32_t slot,
                     const EepromWords& words, std::string& error);

} // namespace kovra_sim
