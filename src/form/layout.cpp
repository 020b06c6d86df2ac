#include "form/layout.h"

#include <algorithm>
#include <cstdint>

namespace form {

namespace {

constexpr Control Label(std::string_view name, int left, int top, int width, std::string_view text)
{
    return {name, ControlKind::Label, "Form1", {left, top, width, 13}, text, -1, false, true, false, {}};
}

constexpr Control SelectionButton(std::string_view name, int top, int tabOrder,
                                  std::string_view accessibleName)
{
    return {name, ControlKind::RadioButton, "Form1", {328, top, 57, 13}, {}, tabOrder,
            false, true, true, accessibleName};
}

constexpr Control PushButton(std::string_view name, int left, int top, int width, std::string_view text,
                             int tabOrder)
{
    return {name, ControlKind::PushButton, "Form1", {left, top, width, 25}, text, tabOrder,
            false, true, false, {}};
}

constexpr Control Edit(std::string_view name, int top, int tabOrder, std::string_view accessibleName)
{
    return {name, ControlKind::Edit, "Form1", {164, top, 23, 21}, "00", tabOrder,
            false, true, false, accessibleName};
}

constexpr Control Panel(std::string_view name, int top, int width, int tabOrder)
{
    return {name, ControlKind::Panel, "Form1", {77, top, width, 17}, {}, tabOrder,
            false, true, false, {}};
}

// The IN button (left, checked) or the OUT button (right) of a port panel.
constexpr Control PortButton(std::string_view name, std::string_view panel, bool in,
                             std::string_view accessibleName)
{
    return {name, ControlKind::RadioButton, panel, {in ? 0 : 24, 0, 17, 17}, {}, in ? 0 : 1,
            in, true, false, accessibleName};
}

constexpr std::array<Control, 42> kControls = {{
    Label("Label1", 10, 8, 120, "Detekované karty KOVRA"),
    Label("Label2", 32, 232, 27, "port 1"),
    Label("Label3", 32, 256, 27, "port 2"),
    Label("Label4", 32, 280, 27, "port 3"),
    Label("Label5", 32, 304, 27, "port 4"),
    Label("Label6", 148, 233, 11, "0x"),
    Label("Label7", 148, 257, 11, "0x"),
    Label("Label8", 148, 281, 11, "0x"),
    Label("Label9", 148, 305, 11, "0x"),
    Label("Label10", 78, 215, 11, "IN"),
    Label("Label11", 96, 215, 23, "OUT"),
    Label("Label12", 146, 200, 48, "počáteční"),
    Label("Label13", 149, 214, 39, "hodnota"),
    // Disabled: it takes no input and never has the focus, but is drawn as usual.
    {"StringGrid1", ControlKind::TextGrid, "Form1", {10, 24, 379, 163}, {}, 0, false, false, false,
     "Detekované karty KOVRA"},
    SelectionButton("RadioButton4", 100, 1, "Výběr karty 3"),
    SelectionButton("RadioButton1", 46, 2, "Výběr karty 0"),
    SelectionButton("RadioButton2", 64, 3, "Výběr karty 1"),
    SelectionButton("RadioButton3", 82, 4, "Výběr karty 2"),
    SelectionButton("RadioButton5", 118, 5, "Výběr karty 4"),
    SelectionButton("RadioButton6", 136, 6, "Výběr karty 5"),
    SelectionButton("RadioButton7", 154, 7, "Výběr karty 6"),
    SelectionButton("RadioButton8", 172, 8, "Výběr karty 7"),
    PushButton("Button1", 248, 247, 113, "Zapsat do EEPROM", 9),
    PushButton("Button2", 272, 303, 67, "Konec", 10),
    {"StatusBar1", ControlKind::StatusBar, "Form1", {0, 346, 401, 19}, {}, 11, false, true, false, {}},
    Edit("Edit1", 230, 12, "port 1 počáteční hodnota"),
    Edit("Edit2", 254, 13, "port 2 počáteční hodnota"),
    Edit("Edit3", 278, 14, "port 3 počáteční hodnota"),
    Edit("Edit4", 302, 15, "port 4 počáteční hodnota"),
    PushButton("Button3", 248, 215, 113, "Přečíst z EEPROM", 16),
    // Panel1 is 49 wide, the others 41; nothing lies in the extra width.
    Panel("Panel1", 232, 49, 17),
    PortButton("RadioButton9", "Panel1", true, "port 1 IN"),
    PortButton("RadioButton13", "Panel1", false, "port 1 OUT"),
    Panel("Panel2", 256, 41, 18),
    PortButton("RadioButton10", "Panel2", true, "port 2 IN"),
    PortButton("RadioButton14", "Panel2", false, "port 2 OUT"),
    Panel("Panel3", 280, 41, 19),
    PortButton("RadioButton11", "Panel3", true, "port 3 IN"),
    PortButton("RadioButton15", "Panel3", false, "port 3 OUT"),
    Panel("Panel4", 304, 41, 20),
    PortButton("RadioButton12", "Panel4", true, "port 4 IN"),
    PortButton("RadioButton16", "Panel4", false, "port 4 OUT"),
}};

bool TakesFocus(ControlKind kind)
{
    return kind == ControlKind::RadioButton || kind == ControlKind::PushButton ||
           kind == ControlKind::Edit;
}

void AppendTabCycle(std::string_view parent, std::vector<const Control*>& cycle)
{
    std::vector<const Control*> children = ChildrenOf(parent);
    std::stable_sort(children.begin(), children.end(),
                     [](const Control* a, const Control* b) { return a->tabOrder < b->tabOrder; });
    for (const Control* child : children) {
        if (child->kind == ControlKind::Panel)
            AppendTabCycle(child->name, cycle);
        else if (TakesFocus(child->kind))
            cycle.push_back(child);
    }
}

// MulDiv's rounding: to the nearest integer, halves away from zero.
int MultiplyDivide(int value, int numerator, int denominator)
{
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = denominator / 2;
    const std::int64_t rounded = product >= 0 ? (product + half) / denominator
                                              : (product - half) / denominator;
    return static_cast<int>(rounded);
}

} // namespace

std::span<const Control> Controls()
{
    return kControls;
}

const Control* FindControl(std::string_view name)
{
    const auto found = std::find_if(kControls.begin(), kControls.end(),
                                    [name](const Control& control) { return control.name == name; });
    return found != kControls.end() ? &*found : nullptr;
}

std::vector<const Control*> ChildrenOf(std::string_view parent)
{
    std::vector<const Control*> children;
    for (const Control& control : kControls) {
        if (control.parent == parent)
            children.push_back(&control);
    }
    return children;
}

std::vector<const Control*> TabCycle()
{
    std::vector<const Control*> cycle;
    AppendTabCycle(kForm1.name, cycle);
    return cycle;
}

namespace grid {

Rect CellRect(int column, int row)
{
    int left = kBorderWidth;
    for (int c = 0; c < column; ++c)
        left += kColumnWidths[c] + kLineWidth;
    const int top = kBorderWidth + row * (kRowHeight + kLineWidth);
    return {left, top, kColumnWidths[column], kRowHeight};
}

} // namespace grid

namespace scaling {

int FontHeight(int dpi)
{
    return MultiplyDivide(kForm1.fontHeight, dpi, 96);
}

int Scale(int length, int textHeight)
{
    return MultiplyDivide(length, textHeight, kForm1.textHeight);
}

Rect Scale(const Rect& rect, int textHeight)
{
    return {Scale(rect.left, textHeight), Scale(rect.top, textHeight), Scale(rect.width, textHeight),
            Scale(rect.height, textHeight)};
}

} // namespace scaling

} // namespace form
