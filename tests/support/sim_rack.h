#pragma once

// Sets up the simulated rack for a test, from the control side of the simulator.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "kovra_sim.h"

namespace testing_support {

struct SimCard {
    std::uint32_t did;
    std::uint32_t bus;
    std::uint32_t slot;
};

// An empty simulator (memory only, no faults) holding `cards`.
inline void UseRack(std::initializer_list<SimCard> cards)
{
    kovra_sim_reset();
    for (const SimCard& card : cards)
        kovra_sim_add_card(card.did, card.bus, card.slot, 0xE000, 0x80);
}

inline std::string SimCallLog()
{
    std::string log(kovra_sim_call_log(nullptr, 0) + 1, '\0');
    log.resize(kovra_sim_call_log(log.data(), log.size()));
    return log;
}

// A place in the call log, to see later which calls came after it.
inline std::size_t CallLogMark()
{
    return SimCallLog().size();
}

// The calls logged since `mark`, one per line.
inline std::string SimCallLogSince(std::size_t mark)
{
    return SimCallLog().substr(mark);
}

} // namespace testing_support
