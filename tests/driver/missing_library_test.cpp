// No driver library anywhere on the search path: ctest runs this with an empty folder
// as LD_LIBRARY_PATH, and the binary has no RUNPATH that leads to the simulator.

#include <gtest/gtest.h>

#include "cards/discovery.h"
#include "cards/driver_api.h"
#include "platform/module.h"
#include "support/recording_view.h"

namespace {

TEST(MissingLibrary, DiscoveryReportsTheLoadAndListsNoCard)
{
    ASSERT_EQ(platform::LoadLibraryA(driver::kLibraryFileName), nullptr)
        << "a driver library was found; this test needs none on the search path";

    testing_support::RecordingView view;
    cards::DiscoverCards(view);

    EXPECT_EQ(view.status, "Chyba natažení knihovny (LoadLibrary)");
    EXPECT_EQ(view.statusWrites.size(), 1u);
    EXPECT_EQ(cards::LibHandle, nullptr);
    for (int row = 1; row <= 8; ++row) {
        EXPECT_TRUE(view.cells[row][2].empty()) << "row " << row;
        EXPECT_FALSE(view.visible[row]) << "selection button " << row;
    }
}

// dlsym would take a null handle for the whole process and find any symbol of that
// name; a failed load must never turn into a working lookup.
TEST(MissingLibrary, LookupInNoLibraryFindsNothing)
{
    EXPECT_EQ(platform::GetProcAddress(nullptr, "OX9162_Open"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(nullptr, "malloc"), nullptr);
}

} // namespace
