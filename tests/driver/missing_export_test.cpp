// A driver library that lacks one export, run once for each of the eleven: ctest
// puts a build of the simulated driver without $KOVRA_MISSING_EXPORT first on the
// library path. Every path that calls the missing function must end with its lookup
// text right there; every other path must run to its end.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "cards/discovery.h"
#include "cards/driver_api.h"
#include "driver_calls.h"
#include "eeprom/commands.h"
#include "kovra_sim.h"
#include "platform/module.h"
#include "support/recording_view.h"

namespace {

using driver_testing::CallLogMark;
using driver_testing::CallsSince;
using driver_testing::CommandCalls;
using driver_testing::DiscoveryCalls;
using driver_testing::LookupFailed;
using driver_testing::SequenceBefore;
using testing_support::RecordingView;

const std::vector<std::string> kExports = {
    "OX9162_InterfaceVersion", "OX9162_DriverVersion", "OX9162_CardsInSystem",
    "OX9162_Card_DID",         "OX9162_Card_BUS",      "OX9162_Card_SLOT",
    "OX9162_Open",             "OX9162_BAR4_BaseAdr",  "OX9162_EEPROM_WR",
    "OX9162_EEPROM_RD",        "OX9162_Close",
};

bool Contains(const std::vector<std::string>& calls, const std::string& function)
{
    return std::find(calls.begin(), calls.end(), function) != calls.end();
}

class MissingExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* name = std::getenv("KOVRA_MISSING_EXPORT");
        ASSERT_NE(name, nullptr) << "run through ctest: driver_missing_export_<export>";
        missing = name;
        ASSERT_TRUE(Contains(kExports, missing)) << missing;

        kovra_sim_reset();
        kovra_sim_use_default_rack();
    }

    // The path ends with the lookup text of the missing function if it calls it,
    // after the calls before it, and a card it opened before stays open; otherwise
    // it makes all its calls, succeeds and closes the card again. Every path fails,
    // if at all, at the first card.
    void ExpectPath(const std::vector<std::string>& healthyCalls, std::size_t mark,
                    const std::string& successText)
    {
        if (Contains(healthyCalls, missing)) {
            const std::vector<std::string> before = SequenceBefore(healthyCalls, missing);
            EXPECT_EQ(view.status, LookupFailed(missing));
            EXPECT_EQ(CallsSince(mark), before);
            EXPECT_EQ(kovra_sim_is_open(0) != 0, Contains(before, "OX9162_Open"));
        } else {
            EXPECT_EQ(view.status, successText);
            EXPECT_EQ(CallsSince(mark), healthyCalls);
            EXPECT_FALSE(kovra_sim_is_open(0));
        }
    }

    // A command needs a card the window offers for selection. When discovery stopped
    // early the test offers card 0 itself, as discovery would have.
    void SelectFirstCard()
    {
        view.visible[1] = true;
        view.Select(1);
        view.edits = {"", "12", "34", "56", "78"};
    }

    std::string missing;
    RecordingView view;
};

TEST_F(MissingExportTest, TheLibraryInUseLacksExactlyThatExport)
{
    const platform::ModuleHandle library = platform::LoadLibraryA(driver::kLibraryFileName);
    ASSERT_NE(library, nullptr);
    for (const std::string& function : kExports) {
        EXPECT_EQ(platform::GetProcAddress(library, function.c_str()) == nullptr, function == missing)
            << function;
    }
}

TEST_F(MissingExportTest, EachPathReportsTheLookupOnlyWhereItCallsTheFunction)
{
    std::size_t mark = CallLogMark();
    cards::DiscoverCards(view);
    ExpectPath(DiscoveryCalls(3), mark, "Ok");

    SelectFirstCard();
    mark = CallLogMark();
    eeprom::WritePortConfiguration(view);
    ExpectPath(CommandCalls("OX9162_EEPROM_WR"), mark, "Karta naprogramována");

    mark = CallLogMark();
    eeprom::ReadPortConfiguration(view);
    ExpectPath(CommandCalls("OX9162_EEPROM_RD"), mark, "Karta přečtena");
}

} // namespace
