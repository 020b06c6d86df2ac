// Card discovery at start-up, through the real loader and the simulated driver.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "cards/discovery.h"
#include "platform/errors.h"
#include "support/recording_view.h"
#include "support/scratch_files.h"
#include "support/sim_rack.h"

namespace {

using testing_support::RecordingView;
using testing_support::SimCallLog;
using testing_support::UseRack;

// Each test runs in a folder of its own, so that it controls the catalogue file.
class DiscoveryTest : public ::testing::Test {
protected:
    static void WriteCatalogue(const std::string& bytes)
    {
        std::ofstream("kovra_pcidaq.txt", std::ios::binary) << bytes;
    }

    void ExpectRowEmpty(int row)
    {
        EXPECT_EQ(view.cells[row][0], "       " + std::to_string(row - 1)) << "row " << row;
        for (int column = 1; column < 6; ++column)
            EXPECT_EQ(view.cells[row][column], "") << "row " << row << " column " << column;
    }

    RecordingView view;

private:
    test_files::ScratchDirectory scratch_;
};

TEST_F(DiscoveryTest, ThreeGoodCardsFillThreeRows)
{
    UseRack({{0x0101, 4, 0}, {0x0201, 4, 1}, {0x0101, 5, 2}});
    WriteCatalogue("0101 MXB-2816 DIO\r\n0201 MXB-0816 rel\xE9\r\n");
    cards::DiscoverCards(view);

    const std::array<std::string, 6> heading = {"    Index", "Typ", "DID", "Bus", "Slot", "Výběr karty"};
    EXPECT_EQ(view.cells[0], heading);
    EXPECT_EQ(view.cells[1], (std::array<std::string, 6>{"       0", "MXB-2816 DIO", "0101", "4", "0", ""}));
    EXPECT_EQ(view.cells[2], (std::array<std::string, 6>{"       1", "MXB-0816 relé", "0201", "4", "1", "nelze"}));
    EXPECT_EQ(view.cells[3], (std::array<std::string, 6>{"       2", "MXB-2816 DIO", "0101", "5", "2", ""}));
    for (int row = 4; row <= 8; ++row)
        ExpectRowEmpty(row);

    EXPECT_TRUE(view.visible[1] && view.enabled[1]);
    EXPECT_FALSE(view.visible[2] || view.enabled[2]);
    EXPECT_TRUE(view.visible[3] && view.enabled[3]);
    for (int number = 4; number <= 8; ++number)
        EXPECT_FALSE(view.visible[number] || view.enabled[number]) << number;
    EXPECT_EQ(view.selection, (std::array<int, 4>{12, 0, 12, 0}));
    for (int port = 1; port <= 4; ++port)
        EXPECT_EQ(view.edits[port], "00");
    EXPECT_EQ(view.statusWrites, std::vector<std::string>{"Ok"}) << "one write, at the end";

    EXPECT_EQ(cards::CardCount, 3u);
    EXPECT_FALSE(cards::Cards[0].Opened);
    EXPECT_EQ(cards::Cards[2].Index, 2);
    EXPECT_EQ(cards::Cards[2].Bar4Base, 0xE000u);
    EXPECT_EQ(cards::Cards[1].TypeName, "MXB-0816 rel\xE9") << "kept as the catalogue's bytes";
}

TEST_F(DiscoveryTest, NoCardsProbesNothing)
{
    UseRack({});
    cards::DiscoverCards(view);
    EXPECT_EQ(view.status, "Nenalezena žádná karta s OX9162");
    EXPECT_EQ(kovra_sim_calls("OX9162_Card_DID"), 0u);
    for (int row = 1; row <= 8; ++row)
        ExpectRowEmpty(row);
}

TEST_F(DiscoveryTest, ACountAboveEightIsCutToEight)
{
    for (const std::uint32_t reported : {12u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(reported);
        UseRack({{0x0101, 1, 1}, {0x0101, 1, 2}});
        kovra_sim_set_reported_count(reported);
        RecordingView fresh;
        cards::DiscoverCards(fresh);
        EXPECT_EQ(cards::CardCount, 8u);
        // Index 2 is beyond the simulated rack: its probe is the first to fail.
        EXPECT_EQ(fresh.status, "Chyba volání funkce OX9162_Card_DID (návratový kód=" +
                                    std::to_string(KOVRA_SIM_E_NO_CARD) + ")");
        EXPECT_EQ(fresh.cells[2][2], "0101");
        EXPECT_EQ(fresh.cells[3][2], "");
        EXPECT_EQ(kovra_sim_calls("OX9162_Card_DID"), 3u);
    }
}

TEST_F(DiscoveryTest, NumbersAreShownUnsigned)
{
    UseRack({{1, 0x80000000u, 0xFFFFFFFFu}, {0xABC, 0, 0}, {0x10000, 0, 0}, {0x10101, 0, 0}});
    WriteCatalogue("0101 MXB-2816 DIO\n");
    cards::DiscoverCards(view);
    EXPECT_EQ(view.cells[1][2], "0001");
    EXPECT_EQ(view.cells[1][3], "2147483648");
    EXPECT_EQ(view.cells[1][4], "4294967295");
    EXPECT_EQ(view.cells[2][2], "0ABC");
    EXPECT_EQ(view.cells[3][2], "10000");
    // Only the whole value 0x0101 is the supported kind, and the catalogue cannot name more.
    EXPECT_EQ(view.cells[4][2], "10101");
    EXPECT_EQ(view.cells[4][1], "???");
    EXPECT_EQ(view.cells[4][5], "nelze");
    EXPECT_FALSE(view.visible[4]);
    EXPECT_EQ(view.status, "Ok");
}

TEST_F(DiscoveryTest, AProbeFailingInBusStopsAtThatCard)
{
    UseRack({{0x0101, 1, 1}, {0x0101, 1, 2}, {0x0101, 1, 3}, {0x0101, 1, 4}});
    kovra_sim_inject("OX9162_Card_BUS", KOVRA_SIM_FAULT_STATUS, 9, 2);
    cards::DiscoverCards(view);

    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_Card_BUS (návratový kód=9)");
    EXPECT_EQ(view.cells[1][2], "0101");
    for (int row = 2; row <= 4; ++row)
        ExpectRowEmpty(row);
    EXPECT_TRUE(view.visible[1]);
    EXPECT_FALSE(view.visible[2]);
    EXPECT_EQ(cards::Cards[1].DID, 0x0101u);
    EXPECT_EQ(cards::Cards[1].TypeName, "???");
    EXPECT_EQ(cards::Cards[1].Bus, 0u);
    EXPECT_EQ(cards::Cards[1].Index, 1);
    EXPECT_EQ(kovra_sim_calls("OX9162_Card_DID"), 2u) << "later cards are not probed";
}

TEST_F(DiscoveryTest, AFailingCloseLeavesTheCardOpen)
{
    UseRack({{0x0101, 1, 1}});
    kovra_sim_inject("OX9162_Close", KOVRA_SIM_FAULT_STATUS, 4, 0);
    cards::DiscoverCards(view);
    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_Close (návratový kód=4)");
    ExpectRowEmpty(1);
    EXPECT_TRUE(cards::Cards[0].Opened);
    EXPECT_EQ(cards::Cards[0].Bar4Base, 0xE000u);
    EXPECT_EQ(cards::Cards[0].Bar4Extra, 0x80u);
    EXPECT_TRUE(kovra_sim_is_open(0));
}

TEST_F(DiscoveryTest, ABar4StatusIsNoFailure)
{
    UseRack({{0x0101, 1, 1}, {0x0101, 1, 2}});
    kovra_sim_inject("OX9162_BAR4_BaseAdr", KOVRA_SIM_FAULT_STATUS, 0xFFFFFFFF, 0);
    cards::DiscoverCards(view);
    EXPECT_EQ(view.status, "Ok");
    for (int index : {0, 1}) {
        EXPECT_EQ(cards::Cards[index].Bar4Base, 0u);
        EXPECT_EQ(cards::Cards[index].Bar4Extra, 0u);
        EXPECT_FALSE(cards::Cards[index].Opened);
    }
}

TEST_F(DiscoveryTest, ACatalogueLockedByAWriterEscapesWithTheRowsSoFar)
{
    UseRack({{0x0101, 1, 1}, {0x0101, 1, 2}});
    WriteCatalogue("0101 MXB-2816 DIO\n");
    auto writer = std::make_unique<test_files::FileHolder>("kovra_pcidaq.txt",
                                                          test_files::FileHolder::Writing);
    ASSERT_TRUE(writer->Holds());

    try {
        cards::DiscoverCards(view);
        FAIL() << "the catalogue's input/output error must leave discovery";
    } catch (const platform::EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, 32);
        EXPECT_STREQ(error.what(), "I/O error 32");
    }
    writer.reset();

    EXPECT_TRUE(view.statusWrites.empty());
    EXPECT_EQ(cards::Cards[0].DID, 0x0101u);
    EXPECT_EQ(cards::Cards[0].TypeName, "");
    ExpectRowEmpty(1);
    EXPECT_EQ(SimCallLog().find("OX9162_Card_BUS"), std::string::npos);
}

TEST_F(DiscoveryTest, StartsFromAClearedStateEveryRun)
{
    UseRack({{0x0101, 1, 1}});
    cards::DiscoverCards(view);
    ASSERT_EQ(cards::Cards[0].Bus, 1u);
    UseRack({});
    RecordingView second;
    cards::DiscoverCards(second);
    EXPECT_EQ(cards::Cards[0].Bus, 0u);
    EXPECT_EQ(cards::Cards[0].LibName, "");
    EXPECT_EQ(cards::CardCount, 0u);
}

} // namespace
