#pragma once

// A stand-in for the main window that records what discovery and the commands do to
// it, for tests that need no widgets.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "cards/form_view.h"

namespace testing_support {

class RecordingView : public cards::FormView {
public:
    RecordingView()
    {
        // The window's initial state: IN buttons checked, no selection.
        for (int port = 1; port <= 4; ++port)
            checked[8 + port] = true;
    }

    void SetCellText(int column, int row, std::string_view text) override
    {
        cells[row][column] = std::string(text);
    }
    void SetGridSelection(int left, int top, int right, int bottom) override
    {
        selection = {left, top, right, bottom};
    }
    void SetRadioButtonEnabled(int number, bool value) override { enabled[number] = value; }
    void SetRadioButtonVisible(int number, bool value) override { visible[number] = value; }
    bool IsRadioButtonVisible(int number) const override { return visible[number]; }
    bool IsRadioButtonChecked(int number) const override { return checked[number]; }
    void CheckRadioButton(int number) override
    {
        // The IN and OUT buttons of port k are numbers 8 + k and 12 + k.
        const int partner = number <= 12 ? number + 4 : number - 4;
        checked[number] = true;
        checked[partner] = false;
    }
    std::string EditText(int number) const override { return edits[number]; }
    void SetEditText(int number, std::string_view text) override { edits[number] = std::string(text); }
    void SetStatusText(std::string_view text) override
    {
        status = std::string(text);
        statusWrites.push_back(status);
    }

    // Selects card `number` (1 to 8) the way a click on its button would.
    void Select(int number)
    {
        for (int other = 1; other <= 8; ++other)
            checked[other] = other == number;
    }

    std::array<std::array<std::string, 6>, 9> cells{};
    std::array<int, 4> selection{1, 1, 1, 1};
    std::array<bool, 17> enabled{true, true, true, true, true, true, true, true, true,
                                 true, true, true, true, true, true, true, true};
    std::array<bool, 17> visible{true, true, true, true, true, true, true, true, true,
                                 true, true, true, true, true, true, true, true};
    std::array<bool, 17> checked{};
    std::array<std::string, 5> edits{"", "00", "00", "00", "00"};
    std::string status;
    std::vector<std::string> statusWrites;
};

} // namespace testing_support
