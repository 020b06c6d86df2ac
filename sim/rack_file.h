#pragma once

// Rack description files: which cards the simulated driver shows, with what EEPROM
// contents and which injected faults. The format is described in sim/README.md.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "simulator.h"

namespace kovra_sim {

// BAR4 of a card described without one: a 4 KiB memory window, placed by bus and
// slot below the 4 GiB line the way a BIOS would place it. The second value that the
// driver reports for BAR4 is the window's length.
constexpr std::uint32_t DefaultBar4Base(std::uint32_t bus, std::uint32_t slot)
{
    return 0xF0000000u + ((bus & 0xFFu) << 20) + ((slot & 0x1Fu) << 15);
}
inline constexpr std::uint32_t kDefaultBar4Extra = 0x1000;

struct RackCard {
    std::uint32_t did;
    std::uint32_t bus;
    std::uint32_t slot;
    std::uint32_t bar4Base;
    std::uint32_t bar4Extra;
};

struct RackCount {
    std::uint32_t count;
};

struct RackVersions {
    std::uint32_t interfaceVersion;
    std::uint32_t driverVersion;
};

// An empty directory means memory only ("state none").
struct RackStateDirectory {
    std::string directory;
};

struct RackWord {
    std::uint32_t card;
    std::uint32_t address;
    std::uint16_t value;
};

struct RackFault {
    DriverFunction function;
    kovra_sim_fault kind;
    std::uint32_t status;
    std::uint32_t onCall;
};

// A blank or comment-only line is std::monostate.
using RackLine = std::variant<std::monostate, RackCard, RackCount, RackVersions,
                              RackStateDirectory, RackWord, RackFault>;

struct ParsedRackLine {
    std::optional<RackLine> line; // empty when the line is bad
    std::string error;            // why, when it is
};

// One line without its terminator. Pure: needs no file and no simulator state.
ParsedRackLine ParseRackLine(std::string_view text);

// A whole rack file. Without a `state` line the state directory is the default one
// (std::nullopt here).
struct RackDescription {
    std::vector<RackCard> cards;
    std::optional<std::uint32_t> reportedCount;
    std::optional<RackVersions> versions;
    std::optional<std::string> stateDirectory;
    std::vector<RackWord> words;
    std::vector<RackFault> faults;
};

// Reads and checks a rack file: every line must parse, a card must be described
// before its `word` lines, and no two cards may share a bus and slot (they would
// share a state file). A relative state directory is taken relative to the file's
// folder. On failure `error` says "<path>:<line>: <reason>".
std::optional<RackDescription> ReadRackFile(const std::string& path, std::string& error);

} // namespace kovra_sim
