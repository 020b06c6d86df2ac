// The simulated driver library as a believable card: its statuses, its EEPROM, its
// state files, rack files and injected faults. The driver is loaded the way the
// program loads it; the rack is set up through the control interface.

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "platform/windows_api.h"
#else
#include <signal.h>
#include <unistd.h>
#endif

#include "cards/driver_api.h"
#include "kovra_sim.h"
#include "platform/fault_guard.h"
#include "platform/module.h"
#include "support/scratch_files.h"
#include "support/sim_rack.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kErased = KOVRA_SIM_ERASED_WORD;

// The eleven exports, looked up once for the test: the lookup rule of the program is
// not what is tested here.
struct Driver {
    Driver()
    {
        const platform::ModuleHandle library = platform::LoadLibraryA(driver::kLibraryFileName);
        if (library == nullptr)
            throw std::runtime_error("the simulated driver library is not on the library path");
        Resolve(library, interfaceVersion, driver::OX9162_InterfaceVersion);
        Resolve(library, driverVersion, driver::OX9162_DriverVersion);
        Resolve(library, cardsInSystem, driver::OX9162_CardsInSystem);
        Resolve(library, cardDid, driver::OX9162_Card_DID);
        Resolve(library, cardBus, driver::OX9162_Card_BUS);
        Resolve(library, cardSlot, driver::OX9162_Card_SLOT);
        Resolve(library, open, driver::OX9162_Open);
        Resolve(library, bar4BaseAdr, driver::OX9162_BAR4_BaseAdr);
        Resolve(library, eepromWr, driver::OX9162_EEPROM_WR);
        Resolve(library, eepromRd, driver::OX9162_EEPROM_RD);
        Resolve(library, close, driver::OX9162_Close);
    }

    template <typename FunctionPointer>
    static void Resolve(platform::ModuleHandle library, FunctionPointer& address,
                        driver::Export<FunctionPointer> function)
    {
        address = reinterpret_cast<FunctionPointer>(platform::GetProcAddress(library, function.name));
        if (address == nullptr)
            throw std::runtime_error(std::string("missing export ") + function.name);
    }

    std::uint32_t Read(std::uint32_t card, std::uint32_t address) const
    {
        std::uint16_t word = 0;
        const std::uint32_t status = eepromRd(card, address, &word);
        return status == 0 ? word : 0x10000u + status;
    }

    driver::InterfaceVersionFn interfaceVersion;
    driver::DriverVersionFn driverVersion;
    driver::CardsInSystemFn cardsInSystem;
    driver::CardDidFn cardDid;
    driver::CardBusFn cardBus;
    driver::CardSlotFn cardSlot;
    driver::OpenFn open;
    driver::Bar4BaseAdrFn bar4BaseAdr;
    driver::EepromWrFn eepromWr;
    driver::EepromRdFn eepromRd;
    driver::CloseFn close;
};

const Driver& TheDriver()
{
    static const Driver driver;
    return driver;
}

using ScratchDirectory = test_files::TemporaryDirectory;

// A path as the control interface takes it.
std::string Text(const fs::path& path)
{
    return path.string();
}

std::set<std::string> FileNames(const fs::path& directory)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

// --- Statuses of the simulated library --------------------------------------------------

// The default rack (three cards), in memory only, with card 0 open.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kovra_sim_reset();
        kovra_sim_use_default_rack();
        ASSERT_EQ(driver.open(0, 0), 0u);
    }

    const Driver& driver = TheDriver();
};

struct StatusCase {
    const char* name;
    std::function<std::uint32_t(const Driver&)> call;
    std::uint32_t expected;
};

class SimStatusTest : public SimTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(SimStatusTest, CallGivesItsStatus)
{
    EXPECT_EQ(GetParam().call(driver), GetParam().expected);
}

std::uint32_t ReadInto(const Driver& driver, std::uint32_t card, std::uint32_t address)
{
    std::uint16_t word = 0;
    return driver.eepromRd(card, address, &word);
}

std::uint32_t Discard;

INSTANTIATE_TEST_SUITE_P(
    Sim, SimStatusTest,
    ::testing::Values(
        StatusCase{"WriteFirstWord", [](const Driver& d) { return d.eepromWr(0, 0, 1); }, KOVRA_SIM_OK},
        StatusCase{"WriteLastWord", [](const Driver& d) { return d.eepromWr(0, 255, 1); }, KOVRA_SIM_OK},
        StatusCase{"WriteBeyondLastWord", [](const Driver& d) { return d.eepromWr(0, 256, 1); },
                   KOVRA_SIM_E_ADDRESS},
        StatusCase{"WriteAtAddressAllOnes",
                   [](const Driver& d) { return d.eepromWr(0, 0xFFFFFFFF, 1); }, KOVRA_SIM_E_ADDRESS},
        StatusCase{"ReadLastWord", [](const Driver& d) { return ReadInto(d, 0, 255); }, KOVRA_SIM_OK},
        StatusCase{"ReadBeyondLastWord", [](const Driver& d) { return ReadInto(d, 0, 256); },
                   KOVRA_SIM_E_ADDRESS},
        StatusCase{"WriteToClosedCard", [](const Driver& d) { return d.eepromWr(1, 22, 1); },
                   KOVRA_SIM_E_NOT_OPEN},
        StatusCase{"ReadFromClosedCard", [](const Driver& d) { return ReadInto(d, 2, 22); },
                   KOVRA_SIM_E_NOT_OPEN},
        StatusCase{"WriteToClosedCardBeyondLastWord",
                   [](const Driver& d) { return d.eepromWr(1, 256, 1); }, KOVRA_SIM_E_NOT_OPEN},
        StatusCase{"Bar4OfClosedCard",
                   [](const Driver& d) { return d.bar4BaseAdr(1, &Discard, &Discard); },
                   KOVRA_SIM_E_NOT_OPEN},
        StatusCase{"WriteToCardBeyondRack", [](const Driver& d) { return d.eepromWr(3, 22, 1); },
                   KOVRA_SIM_E_NO_CARD},
        StatusCase{"ReadFromCardIndexAllOnes",
                   [](const Driver& d) { return ReadInto(d, 0xFFFFFFFF, 22); }, KOVRA_SIM_E_NO_CARD},
        StatusCase{"DidOfCardBeyondRack", [](const Driver& d) { return d.cardDid(3, &Discard); },
                   KOVRA_SIM_E_NO_CARD},
        StatusCase{"BusOfCardBeyondRack", [](const Driver& d) { return d.cardBus(3, &Discard); },
                   KOVRA_SIM_E_NO_CARD},
        StatusCase{"SlotOfCardBeyondRack", [](const Driver& d) { return d.cardSlot(7, &Discard); },
                   KOVRA_SIM_E_NO_CARD},
        StatusCase{"OpenCardBeyondRack", [](const Driver& d) { return d.open(3, 0); }, KOVRA_SIM_E_NO_CARD},
        StatusCase{"CloseCardBeyondRack", [](const Driver& d) { return d.close(3); }, KOVRA_SIM_E_NO_CARD},
        StatusCase{"Bar4OfCardBeyondRack",
                   [](const Driver& d) { return d.bar4BaseAdr(3, &Discard, &Discard); },
                   KOVRA_SIM_E_NO_CARD},
        StatusCase{"OpenCardThatIsOpen", [](const Driver& d) { return d.open(0, 0); }, KOVRA_SIM_OK},
        StatusCase{"CloseCardThatIsClosed", [](const Driver& d) { return d.close(1); }, KOVRA_SIM_OK},
        StatusCase{"DidWithoutPlaceForIt", [](const Driver& d) { return d.cardDid(0, nullptr); },
                   KOVRA_SIM_E_NULL},
        StatusCase{"ReadWithoutPlaceForIt", [](const Driver& d) { return d.eepromRd(0, 22, nullptr); },
                   KOVRA_SIM_E_NULL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, RefusedWritesChangeNoWord)
{
    driver.eepromWr(0, 256, 0x1234);
    driver.eepromWr(1, 22, 0x1234);
    driver.eepromWr(3, 22, 0x1234);
    for (std::uint32_t card = 0; card < 3; ++card) {
        for (std::uint32_t address = 0; address < KOVRA_SIM_EEPROM_WORDS; ++address)
            ASSERT_EQ(kovra_sim_word(card, address), kErased) << card << ":" << address;
    }
}

TEST_F(SimTest, WriteKeepsTheLowSixteenBitsAndReadGivesThemBack)
{
    ASSERT_EQ(driver.eepromWr(0, 22, 0xABCD8012), 0u);
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012);
    EXPECT_EQ(driver.Read(0, 22), 0x8012u);
    EXPECT_EQ(kovra_sim_word(0, 24), kErased) << "no neighbour touched";
    EXPECT_EQ(kovra_sim_word(1, 22), kErased) << "no other card touched";
}

TEST_F(SimTest, ReadStoresExactlySixteenBits)
{
    kovra_sim_set_word(0, 30, 0x0009);
    std::array<std::uint16_t, 3> words = {0xAAAA, 0xAAAA, 0xAAAA};
    ASSERT_EQ(driver.eepromRd(0, 30, &words[1]), 0u);
    EXPECT_EQ(words, (std::array<std::uint16_t, 3>{0xAAAA, 0x0009, 0xAAAA}));
}

TEST_F(SimTest, ClosedCardRefusesTheEepromUntilOpenedAgain)
{
    ASSERT_EQ(driver.eepromWr(0, 22, 1), 0u);
    ASSERT_EQ(driver.close(0), 0u);
    EXPECT_FALSE(kovra_sim_is_open(0));
    EXPECT_EQ(driver.eepromWr(0, 22, 2), static_cast<std::uint32_t>(KOVRA_SIM_E_NOT_OPEN));
    ASSERT_EQ(driver.open(0, 0), 0u);
    EXPECT_TRUE(kovra_sim_is_open(0));
    EXPECT_EQ(driver.Read(0, 22), 1u);
}

TEST_F(SimTest, DefaultRackHasTwoSupportedCardsAndOneOfAnotherKind)
{
    std::uint32_t count = 0;
    ASSERT_EQ(driver.cardsInSystem(&count), 0u);
    EXPECT_EQ(count, 3u);
    const std::array<std::array<std::uint32_t, 3>, 3> expected = {{{0x0101, 4, 0}, {0x0201, 4, 1}, {0x0101, 5, 2}}};
    for (std::uint32_t card = 0; card < 3; ++card) {
        std::uint32_t did = 0, bus = 0, slot = 0;
        ASSERT_EQ(driver.cardDid(card, &did) | driver.cardBus(card, &bus) | driver.cardSlot(card, &slot), 0u);
        EXPECT_EQ((std::array<std::uint32_t, 3>{did, bus, slot}), expected[card]) << "card " << card;
    }
    std::uint32_t base = 0, extra = 0;
    ASSERT_EQ(driver.bar4BaseAdr(0, &base, &extra), 0u);
    EXPECT_NE(base, 0u);
    EXPECT_NE(extra, 0u);
}

TEST_F(SimTest, ReportedCountAndVersionsAreThoseSet)
{
    kovra_sim_set_reported_count(12);
    kovra_sim_set_versions(0, 0xFFFFFFFF);
    std::uint32_t count = 0, version = 0;
    ASSERT_EQ(driver.cardsInSystem(&count), 0u);
    ASSERT_EQ(driver.driverVersion(&version), 0u);
    EXPECT_EQ(count, 12u);
    EXPECT_EQ(version, 0xFFFFFFFFu);
    EXPECT_EQ(driver.interfaceVersion(), 0u);
}

// --- Call log, counters and injected faults ------------------------------------------------

TEST_F(SimTest, CallLogNamesEachCallWithItsArgumentsInOrder)
{
    kovra_sim_reset();
    kovra_sim_use_default_rack();
    std::uint16_t word = 0;
    driver.open(2, 0);
    driver.eepromWr(2, 22, 32786);
    driver.eepromRd(2, 30, &word);
    driver.bar4BaseAdr(2, &Discard, &Discard);
    driver.interfaceVersion();

    EXPECT_EQ(testing_support::SimCallLog(),
              "OX9162_Open(2,0)\n"
              "OX9162_EEPROM_WR(2,22,32786)\n"
              "OX9162_EEPROM_RD(2,30,*)\n"
              "OX9162_BAR4_BaseAdr(2,*,*)\n"
              "OX9162_InterfaceVersion()\n");
    EXPECT_EQ(kovra_sim_calls("OX9162_Open"), 1u);
    EXPECT_EQ(kovra_sim_calls("OX9162_EEPROM_WR"), 1u);
    EXPECT_EQ(kovra_sim_calls("OX9162_Close"), 0u);
    EXPECT_EQ(kovra_sim_calls("OX9162_Nothing"), 0u);
}

TEST_F(SimTest, CallLogCopyIsCutToTheBufferButReportsItsFullLength)
{
    kovra_sim_reset();
    kovra_sim_use_default_rack();
    driver.close(1); // "OX9162_Close(1)\n", 16 characters
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(kovra_sim_call_log(buffer, 6), 16u);
    EXPECT_EQ(std::string(buffer), "OX916");
    EXPECT_EQ(buffer[6], 'x') << "nothing written past the size";
    EXPECT_EQ(kovra_sim_call_log(nullptr, 0), 16u);
}

TEST_F(SimTest, ResetClearsCountersLogAndFaults)
{
    kovra_sim_inject("OX9162_Close", KOVRA_SIM_FAULT_STATUS, 7, 0);
    kovra_sim_reset();
    kovra_sim_use_default_rack();
    EXPECT_EQ(kovra_sim_calls("OX9162_Open"), 0u);
    EXPECT_EQ(kovra_sim_call_log(nullptr, 0), 0u);
    EXPECT_EQ(driver.close(0), 0u);
}

TEST_F(SimTest, FaultOnTheNthCallIsCountedFromTheInjectionAndFiresOnce)
{
    driver.close(0); // calls before the injection do not count
    driver.close(0);
    ASSERT_EQ(kovra_sim_inject("OX9162_Close", KOVRA_SIM_FAULT_STATUS, 7, 2), 0);
    std::vector<std::uint32_t> statuses;
    for (int i = 0; i < 4; ++i)
        statuses.push_back(driver.close(0));
    EXPECT_EQ(statuses, (std::vector<std::uint32_t>{0, 7, 0, 0}));
    EXPECT_EQ(kovra_sim_calls("OX9162_Close"), 6u) << "the failing call counts too";
}

TEST_F(SimTest, FaultOnEveryCallStaysUntilReplacedOrRemoved)
{
    ASSERT_EQ(kovra_sim_inject("OX9162_Card_DID", KOVRA_SIM_FAULT_STATUS, 0xFFFFFFFF, 0), 0);
    EXPECT_EQ(driver.cardDid(0, &Discard), 0xFFFFFFFFu);
    EXPECT_EQ(driver.cardDid(1, &Discard), 0xFFFFFFFFu);
    ASSERT_EQ(kovra_sim_inject("OX9162_Card_DID", KOVRA_SIM_FAULT_STATUS, 3, 0), 0);
    EXPECT_EQ(driver.cardDid(0, &Discard), 3u);
    ASSERT_EQ(kovra_sim_inject("OX9162_Card_DID", KOVRA_SIM_FAULT_NONE, 0, 0), 0);
    EXPECT_EQ(driver.cardDid(0, &Discard), 0u);
    EXPECT_EQ(driver.cardBus(0, &Discard), 0u) << "other functions were never affected";
}

TEST_F(SimTest, InjectionRefusesUnknownFunctionsAndFaults)
{
    EXPECT_EQ(kovra_sim_inject("OX9162_Reset", KOVRA_SIM_FAULT_SEGV, 0, 0), -1);
    EXPECT_EQ(kovra_sim_inject("ox9162_open", KOVRA_SIM_FAULT_SEGV, 0, 0), -1);
    EXPECT_EQ(kovra_sim_inject(nullptr, KOVRA_SIM_FAULT_SEGV, 0, 0), -1);
    EXPECT_EQ(kovra_sim_inject("OX9162_Open", static_cast<kovra_sim_fault>(99), 0, 0), -1);
    EXPECT_EQ(driver.open(0, 0), 0u);
}

#if defined(_WIN32)

// The code of the first structured exception raised on this thread while `call`
// runs, or 0. A vectored handler sees each exception before any frame does; the
// guard around the call then keeps the test process alive.
thread_local DWORD firstExceptionCode = 0;

LONG WINAPI RecordFirstException(EXCEPTION_POINTERS* pointers)
{
    if (firstExceptionCode == 0)
        firstExceptionCode = pointers->ExceptionRecord->ExceptionCode;
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD ExceptionCodeOf(const std::function<void()>& call)
{
    firstExceptionCode = 0;
    PVOID handler = ::AddVectoredExceptionHandler(1, RecordFirstException);
    platform::RunGuarded([&] { call(); });
    ::RemoveVectoredExceptionHandler(handler);
    return firstExceptionCode;
}

// Visual C++ raises its C++ exceptions as this structured exception, the way a
// driver built with it throws one at its caller.
constexpr DWORD kVisualCppException = 0xE06D7363;

TEST_F(SimTest, InjectedExceptionReachesTheCallerAsAVisualCppException)
{
    kovra_sim_inject("OX9162_EEPROM_WR", KOVRA_SIM_FAULT_EXCEPTION, 0, 1);
    EXPECT_EQ(ExceptionCodeOf([&] { driver.eepromWr(0, 22, 1); }), kVisualCppException);
    EXPECT_EQ(kovra_sim_word(0, 22), kErased) << "the faulting call did no work";
}

// What the processor really does for each injected fault: the exception a broken
// driver would raise.
struct RealFaultCase {
    const char* name;
    kovra_sim_fault fault;
    DWORD exceptionCode;
};

class SimRealFaultTest : public SimTest, public ::testing::WithParamInterface<RealFaultCase> {};

TEST_P(SimRealFaultTest, RaisesItsStructuredException)
{
    kovra_sim_inject("OX9162_Open", GetParam().fault, 0, 1);
    EXPECT_EQ(ExceptionCodeOf([&] { driver.open(0, 0); }), GetParam().exceptionCode);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, SimRealFaultTest,
    ::testing::Values(
        RealFaultCase{"Segv", KOVRA_SIM_FAULT_SEGV, EXCEPTION_ACCESS_VIOLATION},
        RealFaultCase{"DivideByZero", KOVRA_SIM_FAULT_DIVIDE_BY_ZERO, EXCEPTION_INT_DIVIDE_BY_ZERO},
        RealFaultCase{"StackOverflow", KOVRA_SIM_FAULT_STACK_OVERFLOW, EXCEPTION_STACK_OVERFLOW}),
    [](const auto& info) { return std::string(info.param.name); });

#else

TEST_F(SimTest, InjectedExceptionReachesTheCallerAsACppException)
{
    kovra_sim_inject("OX9162_EEPROM_WR", KOVRA_SIM_FAULT_EXCEPTION, 0, 1);
    try {
        driver.eepromWr(0, 22, 1);
        FAIL() << "no exception";
    } catch (const std::exception& exception) {
        EXPECT_NE(std::string(exception.what()).find("OX9162_EEPROM_WR"), std::string::npos);
    }
    EXPECT_EQ(kovra_sim_word(0, 22), kErased) << "the faulting call did no work";
}

// What the processor really does for each injected fault: without a handler, the
// process dies of the signal a broken driver would raise.
struct RealFaultCase {
    const char* name;
    kovra_sim_fault fault;
    int signal;
};

class SimRealFaultDeathTest : public SimTest, public ::testing::WithParamInterface<RealFaultCase> {};

TEST_P(SimRealFaultDeathTest, KillsAnUnguardedCallerWithItsSignal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const RealFaultCase& c = GetParam();
    EXPECT_EXIT(
        {
            // A sanitizer's own handler would turn the signal into a report and exit.
            struct sigaction action {};
            action.sa_handler = SIG_DFL;
            sigaction(c.signal, &action, nullptr);
            kovra_sim_inject("OX9162_Open", c.fault, 0, 1);
            driver.open(0, 0);
            _exit(0);
        },
        ::testing::KilledBySignal(c.signal), "");
}

INSTANTIATE_TEST_SUITE_P(
    Sim, SimRealFaultDeathTest,
    ::testing::Values(RealFaultCase{"Segv", KOVRA_SIM_FAULT_SEGV, SIGSEGV},
                      RealFaultCase{"DivideByZero", KOVRA_SIM_FAULT_DIVIDE_BY_ZERO, SIGFPE},
                      RealFaultCase{"StackOverflow", KOVRA_SIM_FAULT_STACK_OVERFLOW, SIGSEGV}),
    [](const auto& info) { return std::string(info.param.name); });

#endif

// --- State files ----------------------------------------------------------------------------

// Two cards whose EEPROM lives in a scratch state directory.
class SimStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kovra_sim_reset();
        kovra_sim_set_state_dir(Text(directory.path()).c_str());
        kovra_sim_add_card(0x0101, 4, 0, 0xE000, 0x80);
        kovra_sim_add_card(0x0101, 5, 2, 0xE100, 0x80);
        ASSERT_EQ(driver.open(0, 0) | driver.open(1, 0), 0u);
    }

    // The same rack in a new process: set up again from the state directory.
    void StartAgain()
    {
        kovra_sim_reset();
        kovra_sim_set_state_dir(Text(directory.path()).c_str());
        kovra_sim_add_card(0x0101, 4, 0, 0xE000, 0x80);
        kovra_sim_add_card(0x0101, 5, 2, 0xE100, 0x80);
    }

    fs::path StateFile() const { return directory.path() / "bus4-slot0.eeprom"; }

    ScratchDirectory directory;
    const Driver& driver = TheDriver();
};

TEST_F(SimStateTest, WrittenWordsOutliveAReloadAndANewStart)
{
    ASSERT_EQ(driver.eepromWr(0, 22, 0x8012), 0u);
    ASSERT_EQ(driver.eepromWr(0, 255, 0x0000), 0u);
    ASSERT_EQ(driver.eepromWr(1, 30, 0x0009), 0u);

    kovra_sim_reload_state();
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012);
    EXPECT_EQ(kovra_sim_word(0, 255), 0x0000);
    EXPECT_EQ(kovra_sim_word(1, 30), 0x0009);
    EXPECT_EQ(kovra_sim_word(0, 30), kErased);

    StartAgain();
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012);
    EXPECT_EQ(kovra_sim_word(1, 30), 0x0009);
    EXPECT_EQ(kovra_sim_word(1, 22), kErased);
}

TEST_F(SimStateTest, EachCardHasOneFileNamedByBusAndSlotAndNoTemporaryFileStays)
{
    for (std::uint32_t i = 0; i < 40; ++i)
        ASSERT_EQ(driver.eepromWr(i % 2, 22 + i, 0x8000 + i), 0u);
    EXPECT_EQ(FileNames(directory.path()),
              (std::set<std::string>{"bus4-slot0.eeprom", "bus5-slot2.eeprom"}));
}

TEST_F(SimStateTest, MemoryOnlyRackWritesNoFile)
{
    kovra_sim_set_state_dir(nullptr);
    ASSERT_EQ(driver.eepromWr(0, 22, 1), 0u);
    kovra_sim_set_state_dir("");
    ASSERT_EQ(driver.eepromWr(1, 22, 1), 0u);
    EXPECT_TRUE(FileNames(directory.path()).empty());
}

TEST_F(SimStateTest, AWriteThatCannotBeSavedIsNotReportedAsDone)
{
    // A regular file where the state directory should be: nothing can be saved.
    const fs::path blocked = directory.path() / "blocked";
    { std::ofstream(blocked) << "not a directory"; }
    kovra_sim_set_state_dir(Text(blocked).c_str());
    EXPECT_EQ(driver.eepromWr(0, 22, 0x8012), static_cast<std::uint32_t>(KOVRA_SIM_E_STORAGE));
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012) << "held in memory";
}

TEST_F(SimStateTest, MissingStateDirectoryIsCreatedOnTheFirstWrite)
{
    const fs::path nested = directory.path() / "a" / "b";
    kovra_sim_set_state_dir(Text(nested).c_str());
    ASSERT_EQ(driver.eepromWr(0, 22, 0x8012), 0u);
    EXPECT_TRUE(fs::is_regular_file(nested / "bus4-slot0.eeprom"));
}

struct Damage {
    const char* name;
    std::string (*apply)(const std::string& goodFile);
};

class SimDamagedStateTest : public SimStateTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(SimDamagedStateTest, CardStartsErasedAndWorksOn)
{
    ASSERT_EQ(driver.eepromWr(0, 22, 0x8012), 0u);
    ASSERT_EQ(driver.eepromWr(0, 30, 0x0009), 0u);
    const std::string good = ReadText(StateFile());
    ASSERT_NE(good.find("8012"), std::string::npos) << "a readable text file";
    WriteText(StateFile(), GetParam().apply(good));

    kovra_sim_reload_state();
    for (std::uint32_t address = 0; address < KOVRA_SIM_EEPROM_WORDS; ++address)
        ASSERT_EQ(kovra_sim_word(0, address), kErased) << "address " << address;

    ASSERT_EQ(driver.eepromWr(0, 24, 0x8034), 0u);
    kovra_sim_reload_state();
    EXPECT_EQ(kovra_sim_word(0, 24), 0x8034) << "the next write makes the file whole again";
}

std::string ReplaceFirst(std::string text, const std::string& what, const std::string& with)
{
    const std::size_t at = text.find(what);
    return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, SimDamagedStateTest,
    ::testing::Values(
        Damage{"Empty", [](const std::string&) { return std::string(); }},
        Damage{"CutInHalf", [](const std::string& good) { return good.substr(0, good.size() / 2); }},
        Damage{"LastLineCut", [](const std::string& good) { return good.substr(0, good.size() - 3); }},
        Damage{"BinaryJunk",
               [](const std::string&) {
                   std::string junk;
                   for (int i = 0; i < 1024; ++i)
                       junk += static_cast<char>(i * 37);
                   return junk;
               }},
        Damage{"WordNotHexadecimal", [](const std::string& good) { return ReplaceFirst(good, "8012", "80g2"); }},
        Damage{"WordTooWide", [](const std::string& good) { return ReplaceFirst(good, "8012", "80123"); }},
        Damage{"WordMissing", [](const std::string& good) { return ReplaceFirst(good, " 8012", ""); }},
        Damage{"LineTwice",
               [](const std::string& good) {
                   const std::size_t start = good.rfind('\n', good.find("8012")) + 1;
                   const std::size_t end = good.find('\n', start) + 1;
                   return good.substr(0, end) + good.substr(start, end - start) + good.substr(end);
               }},
        Damage{"MoreAfterTheEnd", [](const std::string& good) { return good + "ffff\n"; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimStateTest, UnreadableStateFileGivesAnErasedCard)
{
    ASSERT_EQ(driver.eepromWr(0, 22, 0x8012), 0u);
    fs::remove(StateFile());
    fs::create_directory(StateFile());
    kovra_sim_reload_state();
    EXPECT_EQ(kovra_sim_word(0, 22), kErased);
    // The card works on in memory, but a write that cannot be saved says so.
    EXPECT_EQ(driver.eepromWr(0, 22, 0x8012), static_cast<std::uint32_t>(KOVRA_SIM_E_STORAGE));
    EXPECT_EQ(driver.Read(0, 22), 0x8012u);
}

// --- Rack files -----------------------------------------------------------------------------

class SimRackTest : public ::testing::Test {
protected:
    void SetUp() override { kovra_sim_reset(); }

    int Load(const std::string& text)
    {
        const fs::path path = directory.path() / "rack.txt";
        WriteText(path, text);
        return kovra_sim_load_rack(Text(path).c_str());
    }

    ScratchDirectory directory;
    const Driver& driver = TheDriver();
};

TEST_F(SimRackTest, GoodFileDescribesCardsWordsVersionsAndFaults)
{
    ASSERT_EQ(Load("# two cards on bus 2\n"
                   "\n"
                   "state none\n"
                   "card 0x0101 2 8\n"
                   "  card 0x0201 010 9 0xF7E00000 0x1000   # decimal bus, with BAR4\n"
                   "count 5\n"
                   "versions 0x0103 260\n"
                   "word 0 22 0x8012\n"
                   "word 1 30 9\n"
                   "fault OX9162_Card_SLOT status 9 on-call 2\n"
                   "fault OX9162_Close exception\n"),
              0)
        << kovra_sim_last_error();
    EXPECT_STREQ(kovra_sim_last_error(), "");

    std::uint32_t value = 0;
    EXPECT_EQ(driver.cardsInSystem(&value), 0u);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(driver.interfaceVersion(), 0x0103u);
    EXPECT_EQ(driver.driverVersion(&value), 0u);
    EXPECT_EQ(value, 260u);
    EXPECT_EQ(driver.cardDid(1, &value), 0u);
    EXPECT_EQ(value, 0x0201u);
    EXPECT_EQ(driver.cardBus(1, &value), 0u);
    EXPECT_EQ(value, 10u) << "a leading zero does not make a number octal";
    EXPECT_EQ(driver.cardSlot(0, &value), 0u);
    EXPECT_EQ(value, 8u);
    EXPECT_EQ(driver.cardSlot(1, &value), 9u) << "the injected status, on the second call";
    std::uint32_t base = 0, extra = 0;
    ASSERT_EQ(driver.open(1, 0), 0u);
    EXPECT_EQ(driver.bar4BaseAdr(1, &base, &extra), 0u);
    EXPECT_EQ(base, 0xF7E00000u);
    EXPECT_EQ(extra, 0x1000u);
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012);
    EXPECT_EQ(kovra_sim_word(1, 30), 0x0009);
    EXPECT_EQ(kovra_sim_word(1, 22), kErased);
#if defined(_WIN32)
    EXPECT_EQ(ExceptionCodeOf([&] { driver.close(1); }), kVisualCppException);
#else
    EXPECT_THROW(driver.close(1), std::exception);
#endif
}

struct BadLine {
    const char* name;
    const char* line;
};

class SimBadRackLineTest : public SimRackTest, public ::testing::WithParamInterface<BadLine> {};

TEST_P(SimBadRackLineTest, FileIsRefusedWithItsLineNumberAndTheRackIsEmpty)
{
    EXPECT_EQ(Load(std::string("card 0x0101 4 0\n") + GetParam().line + "\ncard 0x0101 4 1\n"), -1);
    EXPECT_NE(std::string(kovra_sim_last_error()).find("rack.txt:2:"), std::string::npos)
        << kovra_sim_last_error();
    std::uint32_t count = 99;
    EXPECT_EQ(driver.cardsInSystem(&count), 0u);
    EXPECT_EQ(count, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, SimBadRackLineTest,
    ::testing::Values(BadLine{"UnknownKeyword", "slot 4"},
                      BadLine{"CardWithoutSlot", "card 0x0101 4"},
                      BadLine{"CardWithOneBar4Value", "card 0x0101 4 2 0xE000"},
                      BadLine{"CardWithTooManyValues", "card 0x0101 4 2 0xE000 0x80 1"},
                      BadLine{"NotANumber", "card 0x0101 four 2"},
                      BadLine{"HexWithoutDigits", "card 0x 4 2"},
                      BadLine{"NumberBeyond32Bits", "count 4294967296"},
                      BadLine{"NegativeNumber", "count -1"},
                      BadLine{"SameBusAndSlotAsAnotherCard", "card 0x0201 4 0"},
                      BadLine{"WordForCardNotYetDescribed", "word 1 22 1"},
                      BadLine{"WordBeyondTheEeprom", "word 0 256 1"},
                      BadLine{"WordWiderThan16Bits", "word 0 22 0x10000"},
                      BadLine{"VersionsWithOneValue", "versions 1"},
                      BadLine{"StateWithoutDirectory", "state"},
                      BadLine{"FaultOfUnknownFunction", "fault OX9162_Reset segv"},
                      BadLine{"FaultOfUnknownKind", "fault OX9162_Open explode"},
                      BadLine{"StatusFaultWithoutStatus", "fault OX9162_Open status"},
                      BadLine{"OnCallWithoutNumber", "fault OX9162_Open segv on-call"},
                      BadLine{"OnCallMisspelt", "fault OX9162_Open segv oncall 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimRackTest, MissingFileIsRefused)
{
    EXPECT_EQ(kovra_sim_load_rack(Text(directory.path() / "none.txt").c_str()), -1);
    EXPECT_NE(std::string(kovra_sim_last_error()).find("none.txt"), std::string::npos);
}

TEST_F(SimRackTest, RelativeStateDirectoryLiesBesideTheRackFileAndWinsOverInitialWords)
{
    const std::string rack = "state cards state\ncard 0x0101 3 1\nword 0 22 0x1111\n";
    ASSERT_EQ(Load(rack), 0) << kovra_sim_last_error();
    EXPECT_EQ(kovra_sim_word(0, 22), 0x1111) << "no state file yet: the rack's word";
    ASSERT_EQ(driver.open(0, 0), 0u);
    ASSERT_EQ(driver.eepromWr(0, 22, 0x2222), 0u);
    EXPECT_TRUE(fs::is_regular_file(directory.path() / "cards state" / "bus3-slot1.eeprom"));

    ASSERT_EQ(Load(rack), 0);
    EXPECT_EQ(kovra_sim_word(0, 22), 0x2222) << "the state file wins";
}

// --- A process that nobody sets up -----------------------------------------------------------
//
// Run each in a process of its own (ctest: sim_rack_from_environment, sim_default_rack*),
// where the driver's first call is the first thing the simulator sees.

bool RunsInAFreshProcess()
{
    const char* fresh = std::getenv("KOVRA_SIM_TEST_FRESH_PROCESS");
    return fresh != nullptr && std::string(fresh) == "1";
}

TEST(FreshProcess, RackFromTheEnvironment)
{
    if (!RunsInAFreshProcess())
        GTEST_SKIP() << "needs a process of its own";
    const Driver& driver = TheDriver();
    std::uint32_t count = 0, did = 0, slot = 0;
    ASSERT_EQ(driver.cardsInSystem(&count), 0u);
    EXPECT_EQ(count, 2u);
    ASSERT_EQ(driver.cardDid(1, &did) | driver.cardSlot(1, &slot), 0u);
    EXPECT_EQ(did, 0x0102u);
    EXPECT_EQ(slot, 7u);
    ASSERT_EQ(driver.open(0, 0), 0u);
    EXPECT_EQ(driver.Read(0, 22), 0x8055u);
}

TEST(FreshProcess, DefaultRackKeepsItsStateInTheUsersStateDirectory)
{
    if (!RunsInAFreshProcess())
        GTEST_SKIP() << "needs a process of its own";
#if defined(_WIN32)
    const fs::path directory = fs::path(std::getenv("LOCALAPPDATA")) / "kovra_ox9162_sim";
#else
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    const fs::path directory = stateHome != nullptr && stateHome[0] == '/'
                                   ? fs::path(stateHome) / "kovra_ox9162_sim"
                                   : fs::path(std::getenv("HOME")) / ".local/state/kovra_ox9162_sim";
#endif
    fs::remove_all(directory);

    const Driver& driver = TheDriver();
    std::uint32_t count = 0;
    ASSERT_EQ(driver.cardsInSystem(&count), 0u);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(driver.open(2, 0), 0u);
    ASSERT_EQ(driver.eepromWr(2, 22, 0x8012), 0u);
    EXPECT_EQ(FileNames(directory), (std::set<std::string>{"bus5-slot2.eeprom"}));
    kovra_sim_reload_state();
    EXPECT_EQ(kovra_sim_word(2, 22), 0x8012);
}

} // namespace
