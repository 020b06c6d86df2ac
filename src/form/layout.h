#pragma once

// The main window Form1 as its form description holds it: every control's name, kind,
// parent, place, size, caption, tab order and initial state, in creation order, as
// laid out for 96 pixels per inch. Both windows are built from it: the Qt one
// (src/ui/) and the Win32 one (src/win32/). It knows no toolkit.

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace form {

enum class ControlKind {
    Label,       // static text on the parent's surface, beneath all other controls
    TextGrid,    // the card list
    RadioButton, // a round mark, no caption here
    PushButton,
    Edit,        // one line, sunken 3-D border
    Panel,       // a container without caption, border or bevel
    StatusBar,   // one text panel along the bottom edge
};

struct Rect {
    int left;
    int top;
    int width;
    int height;

    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Control {
    std::string_view name;
    ControlKind kind;
    std::string_view parent; // "Form1" or a panel
    Rect place;              // in the parent's client area
    std::string_view caption; // UTF-8; the initial text of an edit
    int tabOrder;             // among the parent's controls; -1 for a label
    bool checked;             // radio buttons
    bool enabled;
    bool white;               // drawn on white: the selection buttons, over the card list
    // What a screen reader calls a control that has no caption of its own.
    std::string_view accessibleName;
};

struct Window {
    std::string_view name;
    std::string_view caption;
    int clientWidth;
    int clientHeight;
    std::string_view fontFace;
    // A character height of 11 pixels (8 points at 96 pixels per inch), whose text
    // height is 13 pixels: the measure of the layout.
    int fontHeight;
    int textHeight;
};

inline constexpr Window kForm1{"Form1", "  MXB-2816 DIO setup  v.1.03", 401, 365, "MS Sans Serif", 11, 13};

// The application's title: the taskbar entry and the caption of every error box.
inline constexpr std::string_view kApplicationTitle = "MXB-2816 DIO setup";

// All 42 controls, in creation order: later windowed controls lie above earlier ones,
// which puts the selection buttons over the card list.
std::span<const Control> Controls();

// The control of that name; null when there is none.
const Control* FindControl(std::string_view name);

// The controls whose parent is `parent`, in creation order.
std::vector<const Control*> ChildrenOf(std::string_view parent);

// The Tab cycle as it runs when every radio button may take part: the window's
// controls by tab order, each panel's controls in its place. Labels, the card list,
// the status bar and the panels themselves never take the focus. A radio button
// takes part only while it is checked, and a hidden or disabled control is skipped;
// the window applies those rules as it goes.
std::vector<const Control*> TabCycle();

// The card list's geometry.
namespace grid {
inline constexpr int kColumnCount = 6;
inline constexpr int kRowCount = 9;
inline constexpr std::array<int, kColumnCount> kColumnWidths = {53, 123, 47, 42, 41, 66};
inline constexpr int kRowHeight = 17;
inline constexpr int kLineWidth = 1;
inline constexpr int kBorderWidth = 1;
// The text starts this far right of a cell's left edge and below its top edge.
inline constexpr int kTextIndent = 2;

// The cell's rectangle in the grid's own coordinates (its border included).
Rect CellRect(int column, int row);
} // namespace grid

// The window at another pixels-per-inch setting: the font's height scales by the ratio
// of that setting to 96, then the client size and every position and size by the
// ratio of the font's resulting text height to 13.
namespace scaling {
// The font's character height in pixels at `dpi`.
int FontHeight(int dpi);
// A length of the 96-dpi layout for a font whose text height is `textHeight`.
int Scale(int length, int textHeight);
Rect Scale(const Rect& rect, int textHeight);
} // namespace scaling

} // namespace form
