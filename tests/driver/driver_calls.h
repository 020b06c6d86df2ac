#pragma once

// Helpers for the driver tests: the driver calls a path made, read from the
// simulator's call log, and the status texts as the window must show them.

#include <string>
#include <string_view>
#include <vector>

#include "support/sim_rack.h"

namespace driver_testing {

// The export names of the calls logged since `mark` (a length of the log).
inline std::vector<std::string> CallsSince(std::size_t mark)
{
    const std::string log = testing_support::SimCallLogSince(mark);
    std::vector<std::string> names;
    std::size_t position = 0;
    while (position < log.size()) {
        std::size_t end = log.find('\n', position);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(position, end - position);
        names.push_back(line.substr(0, line.find('(')));
        position = end + 1;
    }
    return names;
}

using testing_support::CallLogMark;

// `sequence` up to and including the `occurrence`-th call of `function`.
inline std::vector<std::string> SequenceThrough(const std::vector<std::string>& sequence,
                                                std::string_view function, int occurrence)
{
    std::vector<std::string> prefix;
    for (const std::string& name : sequence) {
        prefix.push_back(name);
        if (name == function && --occurrence == 0)
            return prefix;
    }
    return prefix;
}

// `sequence` up to, not including, the first call of `function`.
inline std::vector<std::string> SequenceBefore(const std::vector<std::string>& sequence,
                                               std::string_view function)
{
    std::vector<std::string> prefix;
    for (const std::string& name : sequence) {
        if (name == function)
            break;
        prefix.push_back(name);
    }
    return prefix;
}

// The driver calls of each path on a healthy rack, in the order the program makes
// them. Discovery probes `cards` cards.
inline std::vector<std::string> DiscoveryCalls(int cards)
{
    std::vector<std::string> calls = {"OX9162_InterfaceVersion", "OX9162_DriverVersion",
                                      "OX9162_CardsInSystem"};
    for (int card = 0; card < cards; ++card) {
        calls.insert(calls.end(), {"OX9162_Card_DID", "OX9162_Card_BUS", "OX9162_Card_SLOT",
                                   "OX9162_Open", "OX9162_BAR4_BaseAdr", "OX9162_Close"});
    }
    return calls;
}

inline std::vector<std::string> CommandCalls(const std::string& eepromFunction)
{
    std::vector<std::string> calls = {"OX9162_Open"};
    calls.insert(calls.end(), 5, eepromFunction);
    calls.push_back("OX9162_Close");
    return calls;
}

// The three failure texts, word for word as the operator reads them.
inline std::string LookupFailed(std::string_view function)
{
    return "Chyba načtení funkce " + std::string(function) + " (GetProcAddress)";
}

inline std::string CallRaised(std::string_view function)
{
    return "Chyba volání funkce " + std::string(function) + " (vyjímka)";
}

inline std::string CallReturned(std::string_view function, std::string_view status)
{
    return "Chyba volání funkce " + std::string(function) + " (návratový kód=" +
           std::string(status) + ")";
}

} // namespace driver_testing
