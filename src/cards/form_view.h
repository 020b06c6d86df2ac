#pragma once

#include <string>
#include <string_view>

namespace cards {

// The presentation operations of the main window that discovery and the two EEPROM
// commands use. Controls are named by their number: grid cells by column and row,
// radio buttons 1 to 16, edits 1 to 4. Texts are UTF-8.
class FormView {
public:
    virtual ~FormView() = default;

    // StringGrid1, columns 0 to 5, rows 0 to 8.
    virtual void SetCellText(int column, int row, std::string_view text) = 0;
    // Not checked against the grid's size: a range outside it highlights no cell.
    virtual void SetGridSelection(int left, int top, int right, int bottom) = 0;

    // Selection buttons RadioButton1 to RadioButton8.
    virtual void SetRadioButtonEnabled(int number, bool enabled) = 0;
    virtual void SetRadioButtonVisible(int number, bool visible) = 0;
    // The button's own visible flag, whether or not the window is on the screen.
    virtual bool IsRadioButtonVisible(int number) const = 0;

    // Selection buttons and the IN/OUT buttons RadioButton9 to RadioButton16.
    virtual bool IsRadioButtonChecked(int number) const = 0;
    // IN/OUT buttons only: checks the button and clears the other one of its panel.
    virtual void CheckRadioButton(int number) = 0;

    // Edit1 to Edit4; the text exactly as shown, without trimming.
    virtual std::string EditText(int number) const = 0;
    virtual void SetEditText(int number, std::string_view text) = 0;

    // Replaces the whole text of the status line.
    virtual void SetStatusText(std::string_view text) = 0;
};

} // namespace cards
