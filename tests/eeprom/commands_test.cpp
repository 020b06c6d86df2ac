// The read and write commands, through the real loader and the simulated driver,
// against a recording stand-in for the window.

#include <gtest/gtest.h>

#include "cards/discovery.h"
#include "eeprom/commands.h"
#include "platform/errors.h"
#include "support/recording_view.h"
#include "support/sim_rack.h"

namespace {

using testing_support::RecordingView;
using testing_support::UseRack;

// Card 0 of a one-card rack, discovered and selected, its configuration words erased.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseRack({{0x0101, 2, 8}, {0x0101, 2, 9}});
        cards::DiscoverCards(view);
        ASSERT_EQ(view.status, "Ok");
        view.Select(1);
        callsBefore_ = testing_support::CallLogMark();
    }

    // The driver calls made since the test's set-up.
    std::string Calls() const { return testing_support::SimCallLogSince(callsBefore_); }

    static std::array<std::uint16_t, 5> Words(std::uint32_t card = 0)
    {
        std::array<std::uint16_t, 5> words{};
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = kovra_sim_word(card, 22 + 2 * static_cast<std::uint32_t>(i));
        return words;
    }

    void SetEdits(const std::array<std::string, 4>& texts)
    {
        for (int port = 1; port <= 4; ++port)
            view.edits[port] = texts[port - 1];
    }

    RecordingView view;

private:
    std::size_t callsBefore_ = 0;
};

constexpr std::array<std::uint16_t, 5> kErased = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};

TEST_F(CommandTest, WritesTheFiveWordsInOrder)
{
    SetEdits({"12", "34", "56", "78"});
    view.CheckRadioButton(13);
    view.CheckRadioButton(16);
    eeprom::WritePortConfiguration(view);

    EXPECT_EQ(view.status, "Karta naprogramována");
    EXPECT_EQ(Words(), (std::array<std::uint16_t, 5>{0x8012, 0x8034, 0x8056, 0x8078, 9}));
    EXPECT_EQ(Calls(), "OX9162_Open(0,0)\n"
                       "OX9162_EEPROM_WR(0,22,32786)\n"
                       "OX9162_EEPROM_WR(0,24,32820)\n"
                       "OX9162_EEPROM_WR(0,26,32854)\n"
                       "OX9162_EEPROM_WR(0,28,32888)\n"
                       "OX9162_EEPROM_WR(0,30,9)\n"
                       "OX9162_Close(0)\n");
    EXPECT_FALSE(kovra_sim_is_open(0));
    EXPECT_EQ(Words(1), kErased) << "the other card is untouched";
}

TEST_F(CommandTest, TheHighestCheckedVisibleButtonPicksTheCard)
{
    // Card 1 checked but hidden does not count; card 0 is then the one.
    view.checked = {};
    view.checked[1] = view.checked[2] = true;
    view.visible[2] = false;
    for (int port = 1; port <= 4; ++port)
        view.checked[8 + port] = true;
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(Words(0)[0], 0x8000);
    EXPECT_EQ(Words(1), kErased);

    view.visible[2] = true;
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(Words(1)[0], 0x8000);
}

struct WriteCase {
    const char* name;
    std::array<const char*, 4> edits;
    bool selected;
    const char* status;        // expected status; null when the conversion error leaves
    const char* errorMessage;  // the conversion error's message
};

class WriteCheckTest : public CommandTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteCheckTest, StopsBeforeTheCardIsOpened)
{
    const WriteCase& c = GetParam();
    SetEdits({c.edits[0], c.edits[1], c.edits[2], c.edits[3]});
    if (!c.selected)
        view.checked[1] = false;
    view.status = "before";

    if (c.status != nullptr) {
        eeprom::WritePortConfiguration(view);
        EXPECT_EQ(view.status, c.status);
    } else {
        try {
            eeprom::WritePortConfiguration(view);
            FAIL() << "expected the conversion error";
        } catch (const platform::EConvertError& error) {
            EXPECT_EQ(std::string(error.what()), c.errorMessage);
        }
        EXPECT_EQ(view.status, "before");
    }
    EXPECT_EQ(Calls(), "") << "nothing is opened or written";
    EXPECT_EQ(Words(), kErased);
}

INSTANTIATE_TEST_SUITE_P(
    Precedence, WriteCheckTest,
    ::testing::Values(
        WriteCase{"no_card_all_empty", {"", "", "", ""}, false, "Nebyla vybrána programovaná karta", nullptr},
        WriteCase{"presence_before_conversion", {"ZZ", "00", "", "00"}, true, "Nezadána hodnota port 3", nullptr},
        WriteCase{"first_empty_port_named", {"00", "", "", ""}, true, "Nezadána hodnota port 2", nullptr},
        WriteCase{"port_range_before_next_conversion", {"100", "ZZ", "00", "00"}, true,
                  "Hodnota port 1 není v rozmezí 0 - 0xFF", nullptr},
        WriteCase{"range_1FF", {"00", "00", "00", "1FF"}, true, "Hodnota port 4 není v rozmezí 0 - 0xFF", nullptr},
        WriteCase{"range_FFFFFFFF", {"00", "FFFFFFFF", "00", "00"}, true,
                  "Hodnota port 2 není v rozmezí 0 - 0xFF", nullptr},
        WriteCase{"nine_digits", {"100000000", "00", "00", "00"}, true, nullptr,
                  "'0x100000000' is not a valid integer value"},
        WriteCase{"leading_blank", {"00", " 5", "00", "00"}, true, nullptr, "'0x 5' is not a valid integer value"},
        WriteCase{"trailing_blank", {"00", "00", "5 ", "00"}, true, nullptr, "'0x5 ' is not a valid integer value"},
        WriteCase{"blanks_only", {"  ", "00", "00", "00"}, true, nullptr, "'0x  ' is not a valid integer value"},
        WriteCase{"sign", {"-1", "00", "00", "00"}, true, nullptr, "'0x-1' is not a valid integer value"},
        WriteCase{"dollar", {"$5", "00", "00", "00"}, true, nullptr, "'0x$5' is not a valid integer value"},
        WriteCase{"second_prefix", {"0x5", "00", "00", "00"}, true, nullptr, "'0x0x5' is not a valid integer value"},
        WriteCase{"czech_letter", {"00", "00", "00", "č"}, true, nullptr, "'0xč' is not a valid integer value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, AcceptsHexadecimalOfEitherCaseAndLeadingZeros)
{
    SetEdits({"FF", "ff", "0A", "a"});
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Karta naprogramována");
    EXPECT_EQ(Words(), (std::array<std::uint16_t, 5>{0x80FF, 0x80FF, 0x800A, 0x800A, 0}));
    EXPECT_EQ(view.edits[2], "ff") << "the edits keep their texts as typed";

    SetEdits({"00000001", std::string(100000, '0') + "1", "00", "0"});
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(Words(), (std::array<std::uint16_t, 5>{0x8001, 0x8001, 0x8000, 0x8000, 0}));
}

TEST_F(CommandTest, APastedMegabyteGivesTheConversionError)
{
    SetEdits({std::string(1 << 20, 'A'), "00", "00", "00"});
    EXPECT_THROW(eeprom::WritePortConfiguration(view), platform::EConvertError);
    EXPECT_EQ(Words(), kErased);
}

TEST_F(CommandTest, AFailingWriteLeavesTheWordsBeforeItAndTheCardOpen)
{
    SetEdits({"11", "22", "33", "44"});
    kovra_sim_inject("OX9162_EEPROM_WR", KOVRA_SIM_FAULT_STATUS, 5, 3);
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_EEPROM_WR (návratový kód=5)");
    EXPECT_EQ(Words(), (std::array<std::uint16_t, 5>{0x8011, 0x8022, 0xFFFF, 0xFFFF, 0xFFFF}));
    EXPECT_TRUE(kovra_sim_is_open(0));
    EXPECT_EQ(Calls().find("OX9162_EEPROM_WR(0,28"), std::string::npos);
    EXPECT_EQ(Calls().find("OX9162_Close"), std::string::npos);

    // The next attempt starts afresh and succeeds.
    kovra_sim_inject("OX9162_EEPROM_WR", KOVRA_SIM_FAULT_NONE, 0, 0);
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Karta naprogramována");
    EXPECT_FALSE(kovra_sim_is_open(0));
}

TEST_F(CommandTest, AFaultInTheThirdWriteIsReportedAsAnException)
{
    SetEdits({"11", "22", "33", "44"});
    kovra_sim_inject("OX9162_EEPROM_WR", KOVRA_SIM_FAULT_SEGV, 0, 3);
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_EEPROM_WR (vyjímka)");
    EXPECT_EQ(Words()[1], 0x8022);
    EXPECT_EQ(Words()[2], 0xFFFF);
    EXPECT_TRUE(kovra_sim_is_open(0));
}

TEST_F(CommandTest, AFailingCloseAfterGoodWritesIsReported)
{
    SetEdits({"01", "02", "03", "04"});
    kovra_sim_inject("OX9162_Close", KOVRA_SIM_FAULT_STATUS, 7, 0);
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_Close (návratový kód=7)");
    EXPECT_EQ(Words(), (std::array<std::uint16_t, 5>{0x8001, 0x8002, 0x8003, 0x8004, 0}));
}

TEST_F(CommandTest, ReadShowsValuesAndDirections)
{
    const std::array<std::uint16_t, 4> values = {0x8012, 0x003C, 0x0000, 0xFFFF};
    for (std::uint32_t i = 0; i < 4; ++i)
        kovra_sim_set_word(0, 22 + 2 * i, values[i]);
    kovra_sim_set_word(0, 30, 0x0009);
    SetEdits({"", "ZZ", "77", "00"});

    eeprom::ReadPortConfiguration(view);
    EXPECT_EQ(view.status, "Karta přečtena");
    EXPECT_EQ((std::array<std::string, 4>{view.edits[1], view.edits[2], view.edits[3], view.edits[4]}),
              (std::array<std::string, 4>{"12", "3C", "00", "FF"}));
    EXPECT_EQ(Calls(), "OX9162_Open(0,0)\n"
                       "OX9162_EEPROM_RD(0,22,*)\nOX9162_EEPROM_RD(0,24,*)\nOX9162_EEPROM_RD(0,26,*)\n"
                       "OX9162_EEPROM_RD(0,28,*)\nOX9162_EEPROM_RD(0,30,*)\n"
                       "OX9162_Close(0)\n");
    EXPECT_TRUE(view.checked[13] && view.checked[16]);
    EXPECT_TRUE(view.checked[10] && view.checked[11]);
    EXPECT_FALSE(view.checked[9] || view.checked[12] || view.checked[14] || view.checked[15]);
}

struct DirectionCase {
    const char* name;
    std::uint16_t word;
    std::array<bool, 4> out;
};

class ReadDirectionTest : public CommandTest, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(ReadDirectionTest, OnlyBitsZeroToThreeCount)
{
    kovra_sim_set_word(0, 30, GetParam().word);
    eeprom::ReadPortConfiguration(view);
    for (int port = 1; port <= 4; ++port) {
        EXPECT_EQ(view.checked[12 + port], GetParam().out[port - 1]) << "port " << port;
        EXPECT_NE(view.checked[8 + port], view.checked[12 + port]) << "port " << port;
    }
}

INSTANTIATE_TEST_SUITE_P(Words, ReadDirectionTest,
                         ::testing::Values(DirectionCase{"ports_1_and_4", 0x0009, {true, false, false, true}},
                                           DirectionCase{"all_bits", 0xFFFF, {true, true, true, true}},
                                           DirectionCase{"high_bits_only", 0xFFF0, {false, false, false, false}},
                                           DirectionCase{"port_3", 0x0004, {false, false, true, false}},
                                           DirectionCase{"zero", 0x0000, {false, false, false, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandTest, AFailingReadChangesNothingInTheWindow)
{
    kovra_sim_set_word(0, 22, 0x8055);
    SetEdits({"ZZ", "", "01", "02"});
    view.CheckRadioButton(14);
    const RecordingView before = view;
    kovra_sim_inject("OX9162_EEPROM_RD", KOVRA_SIM_FAULT_STATUS, 3, 4);

    eeprom::ReadPortConfiguration(view);
    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_EEPROM_RD (návratový kód=3)");
    EXPECT_EQ(view.edits, before.edits);
    EXPECT_EQ(view.checked, before.checked);
    EXPECT_TRUE(kovra_sim_is_open(0));
    EXPECT_EQ(Calls().find("OX9162_EEPROM_RD(0,30"), std::string::npos);
}

TEST_F(CommandTest, AFailingCloseAfterGoodReadsStillShowsTheValues)
{
    kovra_sim_set_word(0, 28, 0x80C3);
    kovra_sim_set_word(0, 30, 0x0008);
    kovra_sim_inject("OX9162_Close", KOVRA_SIM_FAULT_STATUS, 7, 0);
    eeprom::ReadPortConfiguration(view);
    EXPECT_EQ(view.status, "Chyba volání funkce OX9162_Close (návratový kód=7)");
    EXPECT_EQ(view.edits[4], "C3");
    EXPECT_TRUE(view.checked[16]);
}

TEST_F(CommandTest, NoSelectedCardReadsNothing)
{
    view.checked[1] = false;
    SetEdits({"ZZ", "", "1", "2"});
    const RecordingView before = view;
    eeprom::ReadPortConfiguration(view);
    EXPECT_EQ(view.status, "Nebyla vybrána programovaná karta");
    EXPECT_EQ(view.edits, before.edits);
    EXPECT_EQ(Calls(), "");
}

TEST_F(CommandTest, ReadThenWriteWritesTheSameConfigurationBack)
{
    const std::array<std::uint16_t, 5> stored = {0x7F12, 0x00AB, 0x8000, 0xC3FF, 0xFFF5};
    for (std::uint32_t i = 0; i < 5; ++i)
        kovra_sim_set_word(0, 22 + 2 * i, stored[i]);
    eeprom::ReadPortConfiguration(view);
    eeprom::WritePortConfiguration(view);
    EXPECT_EQ(view.status, "Karta naprogramována");
    // Bit 15 set in every value word, bits 4 to 15 clear in the direction word.
    EXPECT_EQ(Words(), (std::array<std::uint16_t, 5>{0x8012, 0x80AB, 0x8000, 0x80FF, 0x0005}));
}

} // namespace
