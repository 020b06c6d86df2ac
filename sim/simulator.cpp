// The simulated rack: its cards and their EEPROMs, the injected faults, the call
// counters and the call log. Shared by the simulated driver library, which works on
// it, and by tests, which set it up through the control interface.

#include "kovra_sim.h"

#include "simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "eeprom_state.h"
#include "rack_file.h"
#include "state_file.h"

namespace kovra_sim {

namespace {

constexpr std::uint32_t kDefaultInterfaceVersion = 0x0200;
constexpr std::uint32_t kDefaultDriverVersion = 0x0105;

// Old entries give way beyond this, so that a long demonstration or a benchmark
// cannot grow the log without bound.
constexpr std::size_t kCallLogLimit = 100000;

struct Card {
    std::uint32_t did = 0;
    std::uint32_t bus = 0;
    std::uint32_t slot = 0;
    std::uint32_t bar4Base = 0;
    std::uint32_t bar4Extra = 0;
    bool open = false;
    EepromWords eeprom{};
    // From the rack file: what the EEPROM holds when the card has no state file.
    std::vector<RackWord> initialWords;
};

struct Injection {
    kovra_sim_fault kind = KOVRA_SIM_FAULT_NONE;
    std::uint32_t status = 0;
    std::uint32_t onCall = 0;
    std::uint32_t callsBefore = 0; // the function's count when the fault was injected
};

struct Simulator {
    std::mutex mutex;
    bool setUp = false;
    std::vector<Card> cards;
    std::optional<std::uint32_t> reportedCount;
    std::uint32_t interfaceVersion = kDefaultInterfaceVersion;
    std::uint32_t driverVersion = kDefaultDriverVersion;
    std::string stateDirectory; // empty: memory only
    std::array<std::uint32_t, kDriverFunctionCount> calls{};
    std::array<Injection, kDriverFunctionCount> injections{};
    std::deque<std::string> callLog;
    bool logging = true;
    std::string lastError;
};

Simulator& State()
{
    // Never destroyed: a driver call from another library's destructor at exit
    // must still find it.
    static Simulator* const simulator = new Simulator;
    return *simulator;
}

void Warn(const std::string& message)
{
    std::fprintf(stderr, "kovra_ox9162 simulator: %s\n", message.c_str());
}

// Erased, then the rack's initial words, then the state file if there is one.
void LoadEeprom(const Simulator& simulator, Card& card)
{
    card.eeprom.fill(KOVRA_SIM_ERASED_WORD);
    if (!simulator.stateDirectory.empty()) {
        const LoadedState state = LoadEepromState(simulator.stateDirectory, card.bus, card.slot);
        if (state.outcome == StateFileOutcome::Loaded) {
            card.eeprom = state.words;
            return;
        }
        if (state.outcome == StateFileOutcome::Garbled) {
            Warn("state file of the card on bus " + std::to_string(card.bus) + ", slot " +
                 std::to_string(card.slot) + " is damaged; the card starts erased");
            return;
        }
    }
    for (const RackWord& word : card.initialWords)
        card.eeprom[word.address] = word.value;
}

// False when the card's state file could not be written: the word then lives in
// memory only, and the write must not be reported as done.
bool Persist(const Simulator& simulator, const Card& card)
{
    if (simulator.stateDirectory.empty())
        return true;
    std::string error;
    if (SaveEepromState(simulator.stateDirectory, card.bus, card.slot, card.eeprom, error))
        return true;
    Warn(error);
    return false;
}

std::uint32_t AddCard(Simulator& simulator, const RackCard& description,
                      std::vector<RackWord> initialWords = {})
{
    Card card;
    card.did = description.did;
    card.bus = description.bus;
    card.slot = description.slot;
    card.bar4Base = description.bar4Base;
    card.bar4Extra = description.bar4Extra;
    card.initialWords = std::move(initialWords);
    LoadEeprom(simulator, card);
    simulator.cards.push_back(std::move(card));
    return static_cast<std::uint32_t>(simulator.cards.size() - 1);
}

void Reset(Simulator& simulator)
{
    simulator.setUp = true;
    simulator.cards.clear();
    simulator.reportedCount.reset();
    simulator.interfaceVersion = kDefaultInterfaceVersion;
    simulator.driverVersion = kDefaultDriverVersion;
    simulator.stateDirectory.clear();
    simulator.calls.fill(0);
    simulator.injections.fill(Injection{});
    simulator.callLog.clear();
    simulator.logging = true;
}

void UseDefaultRack(Simulator& simulator)
{
    simulator.setUp = true;
    simulator.cards.clear();
    AddCard(simulator, {0x0101, 4, 0, DefaultBar4Base(4, 0), kDefaultBar4Extra});
    AddCard(simulator, {0x0201, 4, 1, DefaultBar4Base(4, 1), kDefaultBar4Extra});
    AddCard(simulator, {0x0101, 5, 2, DefaultBar4Base(5, 2), kDefaultBar4Extra});
}

void Inject(Simulator& simulator, DriverFunction function, kovra_sim_fault kind,
            std::uint32_t status, std::uint32_t onCall)
{
    const auto index = static_cast<std::size_t>(function);
    simulator.injections[index] = {kind, status, onCall, simulator.calls[index]};
}

bool LoadRack(Simulator& simulator, const std::string& path)
{
    Reset(simulator);
    std::string error;
    const std::optional<RackDescription> rack = ReadRackFile(path, error);
    if (!rack) {
        simulator.lastError = error;
        return false;
    }

    simulator.stateDirectory = rack->stateDirectory.value_or(DefaultStateDirectory());
    if (rack->versions) {
        simulator.interfaceVersion = rack->versions->interfaceVersion;
        simulator.driverVersion = rack->versions->driverVersion;
    }
    simulator.reportedCount = rack->reportedCount;
    for (std::uint32_t index = 0; index < rack->cards.size(); ++index) {
        std::vector<RackWord> words;
        std::copy_if(rack->words.begin(), rack->words.end(), std::back_inserter(words),
                     [index](const RackWord& word) { return word.card == index; });
        AddCard(simulator, rack->cards[index], std::move(words));
    }
    for (const RackFault& fault : rack->faults)
        Inject(simulator, fault.function, fault.kind, fault.status, fault.onCall);
    return true;
}

// The first driver call of a process that nobody set up: the rack file named by
// $KOVRA_SIM_RACK, or the default rack with its state in the default directory.
void SetUpFromEnvironment(Simulator& simulator)
{
    const char* rackFile = std::getenv("KOVRA_SIM_RACK");
    if (rackFile != nullptr && rackFile[0] != '\0') {
        if (!LoadRack(simulator, rackFile))
            Warn("rack file not used: " + simulator.lastError);
        return;
    }
    Reset(simulator);
    simulator.stateDirectory = DefaultStateDirectory();
    UseDefaultRack(simulator);
}

std::string FormatCall(DriverFunction function, std::initializer_list<CallArgument> arguments)
{
    std::string line(ExportName(function));
    line += '(';
    bool first = true;
    for (const CallArgument& argument : arguments) {
        if (!first)
            line += ',';
        first = false;
        line += argument.isOutPointer ? std::string("*") : std::to_string(argument.value);
    }
    line += ')';
    return line;
}

// The card `index` names, or the status that refuses the call.
std::uint32_t FindCard(Simulator& simulator, std::uint32_t index, Card*& card)
{
    if (index >= simulator.cards.size())
        return KOVRA_SIM_E_NO_CARD;
    card = &simulator.cards[index];
    return KOVRA_SIM_OK;
}

std::uint32_t FindOpenCard(Simulator& simulator, std::uint32_t index, Card*& card)
{
    if (const std::uint32_t status = FindCard(simulator, index, card))
        return status;
    return card->open ? KOVRA_SIM_OK : KOVRA_SIM_E_NOT_OPEN;
}

template <typename Field>
std::uint32_t ReadCardField(std::uint32_t index, std::uint32_t* out, Field field)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    Card* card = nullptr;
    if (const std::uint32_t status = FindCard(simulator, index, card))
        return status;
    if (out == nullptr)
        return KOVRA_SIM_E_NULL;
    *out = card->*field;
    return KOVRA_SIM_OK;
}

} // namespace

InjectedFault BeginCall(DriverFunction function, std::initializer_list<CallArgument> arguments)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    if (!simulator.setUp)
        SetUpFromEnvironment(simulator);

    const auto index = static_cast<std::size_t>(function);
    const std::uint32_t count = ++simulator.calls[index];
    if (simulator.logging) {
        if (simulator.callLog.size() == kCallLogLimit)
            simulator.callLog.pop_front();
        simulator.callLog.push_back(FormatCall(function, arguments));
    }

    Injection& injection = simulator.injections[index];
    if (injection.kind == KOVRA_SIM_FAULT_NONE)
        return {KOVRA_SIM_FAULT_NONE, 0};
    if (injection.onCall == 0)
        return {injection.kind, injection.status};
    if (count - injection.callsBefore != injection.onCall)
        return {KOVRA_SIM_FAULT_NONE, 0};
    const InjectedFault fault{injection.kind, injection.status};
    injection = Injection{};
    return fault;
}

std::uint32_t InterfaceVersion()
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    return simulator.interfaceVersion;
}

std::uint32_t DriverVersion(std::uint32_t* version)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    if (version == nullptr)
        return KOVRA_SIM_E_NULL;
    *version = simulator.driverVersion;
    return KOVRA_SIM_OK;
}

std::uint32_t CardsInSystem(std::uint32_t* count)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    if (count == nullptr)
        return KOVRA_SIM_E_NULL;
    *count = simulator.reportedCount.value_or(static_cast<std::uint32_t>(simulator.cards.size()));
    return KOVRA_SIM_OK;
}

std::uint32_t CardDid(std::uint32_t index, std::uint32_t* did)
{
    return ReadCardField(index, did, &Card::did);
}

std::uint32_t CardBus(std::uint32_t index, std::uint32_t* bus)
{
    return ReadCardField(index, bus, &Card::bus);
}

std::uint32_t CardSlot(std::uint32_t index, std::uint32_t* slot)
{
    return ReadCardField(index, slot, &Card::slot);
}

std::uint32_t Open(std::uint32_t index)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    Card* card = nullptr;
    if (const std::uint32_t status = FindCard(simulator, index, card))
        return status;
    // Opening an open card is no error: a card that a failed command left open can
    // be used again.
    card->open = true;
    return KOVRA_SIM_OK;
}

std::uint32_t Bar4BaseAdr(std::uint32_t index, std::uint32_t* base, std::uint32_t* extra)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    Card* card = nullptr;
    if (const std::uint32_t status = FindOpenCard(simulator, index, card))
        return status;
    if (base == nullptr || extra == nullptr)
        return KOVRA_SIM_E_NULL;
    *base = card->bar4Base;
    *extra = card->bar4Extra;
    return KOVRA_SIM_OK;
}

std::uint32_t EepromWrite(std::uint32_t index, std::uint32_t address, std::uint32_t word)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    Card* card = nullptr;
    if (const std::uint32_t status = FindOpenCard(simulator, index, card))
        return status;
    if (address >= KOVRA_SIM_EEPROM_WORDS)
        return KOVRA_SIM_E_ADDRESS;
    // The EEPROM is 16 bits wide; the upper half of the argument is not wired.
    card->eeprom[address] = static_cast<std::uint16_t>(word & 0xFFFF);
    return Persist(simulator, *card) ? KOVRA_SIM_OK : KOVRA_SIM_E_STORAGE;
}

std::uint32_t EepromRead(std::uint32_t index, std::uint32_t address, std::uint16_t* word)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    Card* card = nullptr;
    if (const std::uint32_t status = FindOpenCard(simulator, index, card))
        return status;
    if (address >= KOVRA_SIM_EEPROM_WORDS)
        return KOVRA_SIM_E_ADDRESS;
    if (word == nullptr)
        return KOVRA_SIM_E_NULL;
    *word = card->eeprom[address];
    return KOVRA_SIM_OK;
}

std::uint32_t Close(std::uint32_t index)
{
    Simulator& simulator = State();
    std::lock_guard lock(simulator.mutex);
    Card* card = nullptr;
    if (const std::uint32_t status = FindCard(simulator, index, card))
        return status;
    card->open = false;
    return KOVRA_SIM_OK;
}

} // namespace kovra_sim

using kovra_sim::State;

extern "C" {

void kovra_sim_reset(void)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    kovra_sim::Reset(simulator);
}

void kovra_sim_use_default_rack(void)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    kovra_sim::UseDefaultRack(simulator);
}

int kovra_sim_load_rack(const char* path)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    if (path == nullptr) {
        kovra_sim::Reset(simulator);
        simulator.lastError = "no rack file named";
        return -1;
    }
    if (!kovra_sim::LoadRack(simulator, path)) {
        // The rack stays empty, in memory only, as after a reset.
        std::string error = simulator.lastError;
        kovra_sim::Reset(simulator);
        simulator.lastError = std::move(error);
        return -1;
    }
    simulator.lastError.clear();
    return 0;
}

uint32_t kovra_sim_add_card(uint32_t did, uint32_t bus, uint32_t slot, uint32_t bar4_base,
                            uint32_t bar4_extra)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.setUp = true;
    return kovra_sim::AddCard(simulator, {did, bus, slot, bar4_base, bar4_extra});
}

void kovra_sim_set_reported_count(uint32_t count)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.setUp = true;
    simulator.reportedCount = count;
}

void kovra_sim_set_versions(uint32_t interface_version, uint32_t driver_version)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.setUp = true;
    simulator.interfaceVersion = interface_version;
    simulator.driverVersion = driver_version;
}

void kovra_sim_set_state_dir(const char* dir)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.setUp = true;
    simulator.stateDirectory = dir != nullptr ? dir : "";
}

void kovra_sim_reload_state(void)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    for (kovra_sim::Card& card : simulator.cards)
        kovra_sim::LoadEeprom(simulator, card);
}

void kovra_sim_set_word(uint32_t card, uint32_t address, uint16_t word)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.setUp = true;
    if (card >= simulator.cards.size() || address >= KOVRA_SIM_EEPROM_WORDS)
        return;
    simulator.cards[card].eeprom[address] = word;
    kovra_sim::Persist(simulator, simulator.cards[card]);
}

uint16_t kovra_sim_word(uint32_t card, uint32_t address)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    if (card >= simulator.cards.size() || address >= KOVRA_SIM_EEPROM_WORDS)
        return KOVRA_SIM_ERASED_WORD;
    return simulator.cards[card].eeprom[address];
}

int kovra_sim_is_open(uint32_t card)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    return card < simulator.cards.size() && simulator.cards[card].open ? 1 : 0;
}

int kovra_sim_inject(const char* function, kovra_sim_fault fault, uint32_t status, uint32_t on_call)
{
    const int kind = static_cast<int>(fault);
    if (function == nullptr || kind < KOVRA_SIM_FAULT_NONE || kind > KOVRA_SIM_FAULT_STACK_OVERFLOW)
        return -1;
    const std::optional<kovra_sim::DriverFunction> driverFunction =
        kovra_sim::FindDriverFunction(function);
    if (!driverFunction)
        return -1;
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.setUp = true;
    kovra_sim::Inject(simulator, *driverFunction, fault, status, on_call);
    return 0;
}

uint32_t kovra_sim_calls(const char* function)
{
    if (function == nullptr)
        return 0;
    const std::optional<kovra_sim::DriverFunction> driverFunction =
        kovra_sim::FindDriverFunction(function);
    if (!driverFunction)
        return 0;
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    return simulator.calls[static_cast<std::size_t>(*driverFunction)];
}

size_t kovra_sim_call_log(char* buffer, size_t size)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    std::string log;
    for (const std::string& line : simulator.callLog) {
        log += line;
        log += '\n';
    }
    if (buffer != nullptr && size > 0) {
        const std::size_t copied = std::min(log.size(), size - 1);
        std::memcpy(buffer, log.data(), copied);
        buffer[copied] = '\0';
    }
    return log.size();
}

void kovra_sim_set_call_logging(int enabled)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    simulator.logging = enabled != 0;
}

const char* kovra_sim_last_error(void)
{
    auto& simulator = State();
    std::lock_guard lock(simulator.mutex);
    return simulator.lastError.c_str();
}

} // extern "C"
