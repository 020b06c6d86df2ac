// Every driver function on every path that calls it — discovery, the write command
// and the read command — through the real loader and the simulated driver library.
// A fault, a C++ exception or a status other than 0 inside the driver must become the
// exact status-line text, end the path at that call, and leave the program able to
// go on.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cards/discovery.h"
#include "driver_calls.h"
#include "eeprom/commands.h"
#include "kovra_sim.h"
#include "support/recording_view.h"

namespace {

using driver_testing::CallLogMark;
using driver_testing::CallRaised;
using driver_testing::CallReturned;
using driver_testing::CallsSince;
using driver_testing::CommandCalls;
using driver_testing::DiscoveryCalls;
using driver_testing::SequenceThrough;
using testing_support::RecordingView;

constexpr int kRackCards = 3; // the default rack

enum class Path { Discovery, Write, Read };

const char* PathName(Path path)
{
    switch (path) {
    case Path::Discovery:
        return "Discovery";
    case Path::Write:
        return "Write";
    case Path::Read:
        return "Read";
    }
    return "";
}

std::vector<std::string> HealthyCalls(Path path)
{
    switch (path) {
    case Path::Discovery:
        return DiscoveryCalls(kRackCards);
    case Path::Write:
        return CommandCalls("OX9162_EEPROM_WR");
    case Path::Read:
        return CommandCalls("OX9162_EEPROM_RD");
    }
    return {};
}

std::string SuccessText(Path path)
{
    switch (path) {
    case Path::Discovery:
        return "Ok";
    case Path::Write:
        return "Karta naprogramována";
    case Path::Read:
        return "Karta přečtena";
    }
    return {};
}

// How the driver function misbehaves, and the status as the window must show it.
struct Misbehaviour {
    const char* name;
    kovra_sim_fault fault;
    std::uint32_t status;
    const char* statusText; // for KOVRA_SIM_FAULT_STATUS only
};

const Misbehaviour kSegv{"Segv", KOVRA_SIM_FAULT_SEGV, 0, nullptr};
const Misbehaviour kDivideByZero{"DivideByZero", KOVRA_SIM_FAULT_DIVIDE_BY_ZERO, 0, nullptr};
const Misbehaviour kStackOverflow{"StackOverflow", KOVRA_SIM_FAULT_STACK_OVERFLOW, 0, nullptr};
const Misbehaviour kException{"Exception", KOVRA_SIM_FAULT_EXCEPTION, 0, nullptr};
const Misbehaviour kStatus5{"Status5", KOVRA_SIM_FAULT_STATUS, 5, "5"};
const Misbehaviour kStatusAllOnes{"StatusAllOnes", KOVRA_SIM_FAULT_STATUS, 0xFFFFFFFFu, "4294967295"};
const Misbehaviour kStatusTopBit{"StatusTopBit", KOVRA_SIM_FAULT_STATUS, 0x80000000u, "2147483648"};

std::string ExpectedText(const std::string& function, const Misbehaviour& misbehaviour)
{
    return misbehaviour.fault == KOVRA_SIM_FAULT_STATUS
               ? CallReturned(function, misbehaviour.statusText)
               : CallRaised(function);
}

// The program sets the port rows of the window before a write; these are its values.
void FillPortRows(RecordingView& view)
{
    view.edits = {"", "12", "34", "56", "78"};
    view.CheckRadioButton(13);
    view.CheckRadioButton(16);
}

void RunPath(Path path, RecordingView& view)
{
    switch (path) {
    case Path::Discovery:
        cards::DiscoverCards(view);
        break;
    case Path::Write:
        eeprom::WritePortConfiguration(view);
        break;
    case Path::Read:
        eeprom::ReadPortConfiguration(view);
        break;
    }
}

// The default rack, in memory only. For the commands, discovery has run and the
// first card is selected, as after the operator's click on its button.
class RackTest : public ::testing::Test {
protected:
    void PrepareRack(Path path)
    {
        kovra_sim_reset();
        kovra_sim_use_default_rack();
        if (path == Path::Discovery)
            return;
        cards::DiscoverCards(view);
        ASSERT_EQ(view.status, "Ok");
        view.Select(1);
        FillPortRows(view);
    }

    RecordingView view;
};

// --- The table: function x path x misbehaviour ------------------------------------------

struct PathCase {
    std::string name;
    Path path;
    std::string function;
    Misbehaviour misbehaviour;
    int onCall; // which call of `function` on the path misbehaves
};

std::vector<PathCase> PathCases()
{
    std::vector<PathCase> cases;
    const auto add = [&](Path path, const std::string& function, const Misbehaviour& misbehaviour,
                         int onCall = 1) {
        std::string name = std::string(PathName(path)) + "_" + function + "_" + misbehaviour.name;
        if (onCall != 1)
            name += "_Call" + std::to_string(onCall);
        cases.push_back({name, path, function, misbehaviour, onCall});
    };

    // The interface version and BAR4 have no status text: their status departures
    // have tests of their own below.
    for (const char* function : {"OX9162_InterfaceVersion", "OX9162_BAR4_BaseAdr"}) {
        add(Path::Discovery, function, kSegv);
        add(Path::Discovery, function, kException);
    }
    for (const char* function : {"OX9162_DriverVersion", "OX9162_CardsInSystem", "OX9162_Card_DID",
                                 "OX9162_Card_BUS", "OX9162_Card_SLOT", "OX9162_Open",
                                 "OX9162_Close"}) {
        add(Path::Discovery, function, kSegv);
        add(Path::Discovery, function, kException);
        add(Path::Discovery, function, kStatus5);
    }
    add(Path::Discovery, "OX9162_CardsInSystem", kStatusAllOnes);
    add(Path::Discovery, "OX9162_Card_SLOT", kStatusTopBit);
    add(Path::Discovery, "OX9162_Card_DID", kDivideByZero);
    add(Path::Discovery, "OX9162_DriverVersion", kStackOverflow);
    // A later card: the rule is the same for every probe.
    add(Path::Discovery, "OX9162_Card_BUS", kStatusAllOnes, 2);
    add(Path::Discovery, "OX9162_Close", kSegv, 3);

    for (const Path path : {Path::Write, Path::Read}) {
        const std::string eeprom = path == Path::Write ? "OX9162_EEPROM_WR" : "OX9162_EEPROM_RD";
        for (const std::string& function : {std::string("OX9162_Open"), eeprom, std::string("OX9162_Close")}) {
            add(path, function, kSegv);
            add(path, function, kException);
            add(path, function, kStatus5);
            add(path, function, kStatusAllOnes);
        }
        add(path, "OX9162_Open", kDivideByZero);
        add(path, "OX9162_Close", kStackOverflow);
        add(path, eeprom, kStackOverflow, 5);
        add(path, eeprom, kDivideByZero, 2);
    }
    return cases;
}

class DriverPathTest : public RackTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(DriverPathTest, FailureBecomesItsTextEndsThePathAndTheNextAttemptWorks)
{
    const PathCase& c = GetParam();
    PrepareRack(c.path);
    ASSERT_EQ(kovra_sim_inject(c.function.c_str(), c.misbehaviour.fault, c.misbehaviour.status,
                               static_cast<std::uint32_t>(c.onCall)),
              0);
    const std::size_t statusWrites = view.statusWrites.size();
    const std::size_t mark = CallLogMark();

    RunPath(c.path, view);

    EXPECT_EQ(view.status, ExpectedText(c.function, c.misbehaviour));
    EXPECT_EQ(view.statusWrites.size(), statusWrites + 1) << "one text, written once";
    EXPECT_EQ(CallsSince(mark), SequenceThrough(HealthyCalls(c.path), c.function, c.onCall))
        << "the path must stop at the failing call";

    // The injection fired once; the same path runs to its end now.
    RunPath(c.path, view);
    EXPECT_EQ(view.status, SuccessText(c.path));
}

INSTANTIATE_TEST_SUITE_P(AllFunctions, DriverPathTest, ::testing::ValuesIn(PathCases()),
                         [](const auto& info) { return info.param.name; });

// --- Departures of the interface version and of BAR4 ------------------------------------

class InterfaceVersionTest : public RackTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(InterfaceVersionTest, AnyValueIsKeptWithoutText)
{
    PrepareRack(Path::Discovery);
    kovra_sim_set_versions(GetParam(), 0x0105);

    cards::DiscoverCards(view);

    EXPECT_EQ(view.status, "Ok");
    EXPECT_EQ(cards::InterfaceVersion, GetParam());
    EXPECT_EQ(view.cells[3][2], "0101") << "every card is listed";
}

INSTANTIATE_TEST_SUITE_P(Values, InterfaceVersionTest,
                         ::testing::Values(0u, 1u, 0x0200u, 0x80000000u, 0xFFFFFFFFu));

class Bar4StatusTest : public RackTest, public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(Bar4StatusTest, NonZeroStatusGivesZeroValuesAndDiscoveryGoesOn)
{
    PrepareRack(Path::Discovery);
    kovra_sim_inject("OX9162_BAR4_BaseAdr", GetParam().fault, GetParam().status, 0);
    const std::size_t mark = CallLogMark();

    cards::DiscoverCards(view);

    EXPECT_EQ(view.status, "Ok");
    EXPECT_EQ(CallsSince(mark), DiscoveryCalls(kRackCards));
    for (int card = 0; card < kRackCards; ++card) {
        EXPECT_EQ(cards::Cards[card].Bar4Base, 0u) << "card " << card;
        EXPECT_EQ(cards::Cards[card].Bar4Extra, 0u) << "card " << card;
        EXPECT_FALSE(cards::Cards[card].Opened) << "card " << card;
    }
}

INSTANTIATE_TEST_SUITE_P(Statuses, Bar4StatusTest,
                         ::testing::Values(Misbehaviour{"Status1", KOVRA_SIM_FAULT_STATUS, 1, "1"},
                                           kStatus5, kStatusAllOnes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RackTest, Bar4StatusOfOneCardZeroesOnlyThatCardsValues)
{
    kovra_sim_reset();
    kovra_sim_add_card(0x0101, 1, 0, 0xF7E00000, 0x1000);
    kovra_sim_add_card(0x0101, 1, 1, 0xF7D00000, 0x2000);
    kovra_sim_add_card(0x0101, 1, 2, 0xF7C00000, 0x4000);
    kovra_sim_inject("OX9162_BAR4_BaseAdr", KOVRA_SIM_FAULT_STATUS, 0xFFFFFFFF, 2);

    cards::DiscoverCards(view);

    EXPECT_EQ(view.status, "Ok");
    EXPECT_EQ(cards::Cards[0].Bar4Base, 0xF7E00000u);
    EXPECT_EQ(cards::Cards[0].Bar4Extra, 0x1000u);
    EXPECT_EQ(cards::Cards[1].Bar4Base, 0u);
    EXPECT_EQ(cards::Cards[1].Bar4Extra, 0u);
    EXPECT_EQ(cards::Cards[2].Bar4Base, 0xF7C00000u);
    EXPECT_EQ(cards::Cards[2].Bar4Extra, 0x4000u);
}

// --- One lookup and one guard for the five EEPROM calls ---------------------------------

class EepromChainTest : public RackTest, public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(EepromChainTest, FailingThirdWriteKeepsTheWordsBeforeItAndLeavesTheCardOpen)
{
    PrepareRack(Path::Write);
    kovra_sim_inject("OX9162_EEPROM_WR", GetParam().fault, GetParam().status, 3);
    const std::size_t mark = CallLogMark();

    eeprom::WritePortConfiguration(view);

    EXPECT_EQ(view.status, ExpectedText("OX9162_EEPROM_WR", GetParam()));
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012);
    EXPECT_EQ(kovra_sim_word(0, 24), 0x8034);
    for (const std::uint32_t address : {26u, 28u, 30u})
        EXPECT_EQ(kovra_sim_word(0, address), KOVRA_SIM_ERASED_WORD) << "address " << address;
    EXPECT_TRUE(kovra_sim_is_open(0));
    EXPECT_EQ(CallsSince(mark),
              (std::vector<std::string>{"OX9162_Open", "OX9162_EEPROM_WR", "OX9162_EEPROM_WR",
                                        "OX9162_EEPROM_WR"}));
}

TEST_P(EepromChainTest, FailingThirdReadLeavesThePortRowsAndTheCardOpen)
{
    PrepareRack(Path::Read);
    const std::uint16_t stored[] = {0x8011, 0x8022, 0x8033, 0x8044, 0x000F};
    for (std::uint32_t i = 0; i < 5; ++i)
        kovra_sim_set_word(0, 22 + 2 * i, stored[i]);
    view.edits = {"", "ZZ", "", "7", "00"};
    const auto checkedBefore = view.checked;
    kovra_sim_inject("OX9162_EEPROM_RD", GetParam().fault, GetParam().status, 3);
    const std::size_t mark = CallLogMark();

    eeprom::ReadPortConfiguration(view);

    EXPECT_EQ(view.status, ExpectedText("OX9162_EEPROM_RD", GetParam()));
    EXPECT_EQ(view.edits, (std::array<std::string, 5>{"", "ZZ", "", "7", "00"}));
    EXPECT_EQ(view.checked, checkedBefore);
    EXPECT_TRUE(kovra_sim_is_open(0));
    EXPECT_EQ(CallsSince(mark),
              (std::vector<std::string>{"OX9162_Open", "OX9162_EEPROM_RD", "OX9162_EEPROM_RD",
                                        "OX9162_EEPROM_RD"}));
}

INSTANTIATE_TEST_SUITE_P(Misbehaviours, EepromChainTest,
                         ::testing::Values(kSegv, kDivideByZero, kStackOverflow, kException,
                                           kStatus5, kStatusAllOnes),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The same fault again -----------------------------------------------------------------

class RepeatedFaultTest : public RackTest, public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(RepeatedFaultTest, SameFaultTwiceInARowGivesTheSameTextAndThenTheCommandWorks)
{
    PrepareRack(Path::Write);
    kovra_sim_inject("OX9162_Open", GetParam().fault, GetParam().status, 0);

    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, CallRaised("OX9162_Open"));
    view.status.clear();
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, CallRaised("OX9162_Open"));
    EXPECT_EQ(kovra_sim_calls("OX9162_EEPROM_WR"), 0u);

    kovra_sim_inject("OX9162_Open", KOVRA_SIM_FAULT_NONE, 0, 0);
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Karta naprogramována");
    EXPECT_EQ(kovra_sim_word(0, 22), 0x8012);
    EXPECT_EQ(kovra_sim_word(0, 30), 0x0009);
}

INSTANTIATE_TEST_SUITE_P(Faults, RepeatedFaultTest,
                         ::testing::Values(kSegv, kDivideByZero, kStackOverflow, kException),
                         [](const auto& info) { return std::string(info.param.name); });

// Each kind of fault in turn, all in one run: a fault must leave nothing behind that
// the next kind trips over.
TEST_F(RackTest, DifferentFaultsOneAfterAnotherAreEachReported)
{
    PrepareRack(Path::Read);
    for (const Misbehaviour& fault : {kStackOverflow, kSegv, kStackOverflow, kDivideByZero, kException,
                                      kSegv, kDivideByZero}) {
        kovra_sim_inject("OX9162_EEPROM_RD", fault.fault, 0, 1);
        eeprom::ReadPortConfiguration(view);
        EXPECT_EQ(view.status, CallRaised("OX9162_EEPROM_RD")) << fault.name;
    }
    eeprom::ReadPortConfiguration(view);
    EXPECT_EQ(view.status, "Karta přečtena");
}

} // namespace
