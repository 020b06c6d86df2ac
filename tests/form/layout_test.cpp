// The window's description, shared by the Qt and the Win32 window, and the error
// box's rules.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "form/error_box.h"
#include "form/layout.h"
#include "support/layout_expectations.h"

namespace {

using form::ControlKind;

// --- The controls --------------------------------------------------------------------

TEST(FormDescription, HoldsTheFortyTwoControlsWithTheirPlacesAndTexts)
{
    ASSERT_EQ(form::Controls().size(), std::size(testing_support::kExpectedControls));
    for (const testing_support::ControlRow& row : testing_support::kExpectedControls) {
        SCOPED_TRACE(row.name);
        const form::Control* control = form::FindControl(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parent, row.parent);
        EXPECT_EQ(control->place, (form::Rect{row.left, row.top, row.width, row.height}));
        if (row.text != nullptr) {
            EXPECT_EQ(control->caption, row.text);
        }
    }
    EXPECT_EQ(form::FindControl("RadioButton17"), nullptr);
}

TEST(FormDescription, NamesEachControlOnceAndEachParentBeforeItsChildren)
{
    std::set<std::string_view> seen = {form::kForm1.name};
    for (const form::Control& control : form::Controls()) {
        EXPECT_TRUE(seen.count(control.parent)) << control.name << " comes before its parent";
        EXPECT_TRUE(seen.insert(control.name).second) << control.name << " twice";
    }
}

TEST(FormDescription, LabelsComeFirstSoThatTheyLieBeneathTheOtherControls)
{
    bool pastLabels = false;
    for (const form::Control& control : form::Controls()) {
        if (control.kind != ControlKind::Label)
            pastLabels = true;
        else
            EXPECT_FALSE(pastLabels) << control.name;
    }
}

TEST(FormDescription, StartsWithTheInButtonsCheckedAndTheCardListDisabled)
{
    for (const form::Control& control : form::Controls()) {
        const bool in = control.name == "RadioButton9" || control.name == "RadioButton10" ||
                        control.name == "RadioButton11" || control.name == "RadioButton12";
        EXPECT_EQ(control.checked, in) << control.name;
        EXPECT_EQ(control.enabled, control.kind != ControlKind::TextGrid) << control.name;
        EXPECT_EQ(control.white, control.kind == ControlKind::RadioButton && control.parent == "Form1")
            << control.name;
    }
}

TEST(FormDescription, NamesTheCaptionlessControlsForAScreenReader)
{
    EXPECT_EQ(form::FindControl("RadioButton1")->accessibleName, "Výběr karty 0");
    EXPECT_EQ(form::FindControl("RadioButton4")->accessibleName, "Výběr karty 3");
    EXPECT_EQ(form::FindControl("RadioButton13")->accessibleName, "port 1 OUT");
    EXPECT_EQ(form::FindControl("RadioButton12")->accessibleName, "port 4 IN");
    EXPECT_EQ(form::FindControl("Edit4")->accessibleName, "port 4 počáteční hodnota");
    for (const form::Control& control : form::Controls()) {
        if (control.kind == ControlKind::RadioButton || control.kind == ControlKind::Edit) {
            EXPECT_FALSE(control.accessibleName.empty()) << control.name;
        }
    }
}

TEST(FormDescription, TabCycleRunsByTabOrderIntoEachPanel)
{
    std::vector<std::string_view> names;
    for (const form::Control* control : form::TabCycle())
        names.push_back(control->name);
    EXPECT_EQ(names, (std::vector<std::string_view>{
                         "RadioButton4", "RadioButton1", "RadioButton2", "RadioButton3",
                         "RadioButton5", "RadioButton6", "RadioButton7", "RadioButton8",
                         "Button1", "Button2", "Edit1", "Edit2", "Edit3", "Edit4", "Button3",
                         "RadioButton9", "RadioButton13", "RadioButton10", "RadioButton14",
                         "RadioButton11", "RadioButton15", "RadioButton12", "RadioButton16"}));
}

// --- Geometry --------------------------------------------------------------------------

TEST(CardListGeometry, PutsColumnFiveOfEachRowUnderItsSelectionButton)
{
    const form::Rect grid = form::FindControl("StringGrid1")->place;
    for (int row = 1; row <= 8; ++row) {
        const form::Rect cell = form::grid::CellRect(5, row);
        // Row n spans Top 25 + 18 n to 41 + 18 n of the window, column 5 Left 322 to 387.
        EXPECT_EQ(grid.left + cell.left, 322) << row;
        EXPECT_EQ(grid.left + cell.left + cell.width - 1, 387) << row;
        EXPECT_EQ(grid.top + cell.top, 25 + 18 * row) << row;
        EXPECT_EQ(grid.top + cell.top + cell.height - 1, 41 + 18 * row) << row;
        const form::Control* button = form::FindControl("RadioButton" + std::to_string(row));
        EXPECT_GE(button->place.left, grid.left + cell.left);
        EXPECT_GE(button->place.top, grid.top + cell.top);
    }
    EXPECT_EQ(form::grid::CellRect(0, 0), (form::Rect{1, 1, 53, 17}));
}

struct ScalingCase {
    const char* name;
    int dpi;
    int fontHeight;
};

class FontScaling : public ::testing::TestWithParam<ScalingCase> {};

TEST_P(FontScaling, ScalesTheFontByTheDpiRatio)
{
    EXPECT_EQ(form::scaling::FontHeight(GetParam().dpi), GetParam().fontHeight);
}

INSTANTIATE_TEST_SUITE_P(, FontScaling,
                         ::testing::Values(ScalingCase{"dpi96", 96, 11}, ScalingCase{"dpi120", 120, 14},
                                           ScalingCase{"dpi144", 144, 17}, ScalingCase{"dpi192", 192, 22}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowScaling, ScalesTheLayoutByTheTextHeightRatioRoundingHalvesUp)
{
    EXPECT_EQ(form::scaling::Scale(401, 13), 401);
    EXPECT_EQ(form::scaling::Scale(401, 20), 617);  // 616.9
    EXPECT_EQ(form::scaling::Scale(13, 26), 26);
    EXPECT_EQ(form::scaling::Scale(1, 19), 1);      // 1.46
    EXPECT_EQ(form::scaling::Scale(13, 19), 19);
    EXPECT_EQ(form::scaling::Scale(3, 15), 3);      // 3.46
    EXPECT_EQ(form::scaling::Scale(13, 20), 20);
    EXPECT_EQ(form::scaling::Scale(1, 20), 2);      // 1.54
    EXPECT_EQ(form::scaling::Scale(form::Rect{10, 24, 379, 163}, 26), (form::Rect{20, 48, 758, 326}));
}

// --- The error box ----------------------------------------------------------------------

struct FullStopCase {
    const char* name;
    const char* message;
    const char* shown;
};

class ErrorBoxTextTest : public ::testing::TestWithParam<FullStopCase> {};

TEST_P(ErrorBoxTextTest, AddsAFullStopOnlyAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(form::ErrorBoxText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ErrorBoxTextTest,
    ::testing::Values(FullStopCase{"letter", "File access denied", "File access denied."},
                      FullStopCase{"digit", "I/O error 32", "I/O error 32."},
                      FullStopCase{"quote", "'0xZZ' is not a valid integer value", "'0xZZ' is not a valid integer value."},
                      FullStopCase{"full_stop", "Done.", "Done."},
                      FullStopCase{"parenthesis", "(vyjímka)", "(vyjímka)"},
                      FullStopCase{"exclamation", "Stop!", "Stop!"},
                      FullStopCase{"blank", "trailing ", "trailing "},
                      FullStopCase{"slash_sorts_after_full_stop", "a/", "a/."},
                      FullStopCase{"non_ascii", "hodnota č", "hodnota č."},
                      FullStopCase{"empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });


TEST(ErrorBoxShortening, KeepsATextUpToSixteenThousandAndOneCharactersWhole)
{
    std::string text;
    for (int i = 0; i < 16001; ++i)
        text += "č";
    EXPECT_EQ(form::ShortenForErrorBox(text), text);
}

TEST(ErrorBoxShortening, KeepsTheFirstAndLastEightThousandWholeCharacters)
{
    // Two-byte characters: a cut by bytes would split one.
    std::string head, middle, tail;
    for (int i = 0; i < 8000; ++i) {
        head += "č";
        tail += "ř";
    }
    for (int i = 0; i < 5; ++i)
        middle += "x";
    EXPECT_EQ(form::ShortenForErrorBox(head + middle + tail), head + "…" + tail);
}

} // namespace
