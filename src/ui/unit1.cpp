#include "ui/unit1.h"

#include <QButtonGroup>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "cards/discovery.h"
#include "eeprom/commands.h"
#include "form/layout.h"
#include "ui/application.h"
#include "ui/status_bar.h"
#include "ui/string_grid.h"

namespace ui {

TForm1* Form1 = nullptr;

namespace {

// The window font is "MS Sans Serif" at a character height of 11 pixels. Wine ships a
// compatible TrueType file; elsewhere a close sans-serif face stands in.
QFont WindowFont()
{
    static const QString family = [] {
        const QString wineFont = QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf");
        if (QFile::exists(wineFont)) {
            const int id = QFontDatabase::addApplicationFont(wineFont);
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                return families.first();
        }
        return QStringLiteral("MS Sans Serif");
    }();
    QFont font;
    font.setFamilies({family, QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QLabel* MakeLabel(QWidget* parent, const form::Control& control)
{
    auto* label = new QLabel(Text(control.caption), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A label is as wide as its text: a substitute font must not cut it off.
    const form::Rect& place = control.place;
    label->setGeometry(place.left, place.top, std::max(place.width, label->sizeHint().width()),
                       place.height);
    return label;
}

// A radio button is in the Tab cycle only while it is checked, so that Tab enters a
// group at its checked button; a click still gives any visible button the focus.
void KeepInTabCycleWhileChecked(QRadioButton* button)
{
    const auto follow = [button](bool checked) {
        button->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
    };
    follow(button->isChecked());
    QObject::connect(button, &QRadioButton::toggled, button, follow);
}

QRadioButton* MakeRadioButton(QWidget* parent, const form::Control& control)
{
    auto* button = new TRadioButton(parent);
    if (control.white) {
        // White, so that the button blends with the list cell it lies in.
        QPalette white = button->palette();
        white.setColor(QPalette::Window, Qt::white);
        white.setColor(QPalette::Button, Qt::white);
        button->setPalette(white);
        button->setAutoFillBackground(true);
    }
    button->setChecked(control.checked);
    KeepInTabCycleWhileChecked(button);
    return button;
}

QPushButton* MakeButton(QWidget* parent, const form::Control& control)
{
    auto* button = new QPushButton(Text(control.caption), parent);
    // Enter presses a push button only while it has the focus; none is a default button.
    button->setAutoDefault(true);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, const form::Control& control)
{
    auto* edit = new QLineEdit(Text(control.caption), parent);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setTextMargins(0, 0, 0, 0);
    return edit;
}

QWidget* MakePanel(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setFocusPolicy(Qt::NoFocus);
    return panel;
}

// One control of the form description, in its place under `parent`.
QWidget* MakeControl(QWidget* parent, const form::Control& control)
{
    QWidget* widget = nullptr;
    switch (control.kind) {
    case form::ControlKind::Label:
        widget = MakeLabel(parent, control);
        break;
    case form::ControlKind::TextGrid:
        widget = new TStringGrid(parent);
        widget->setFocusPolicy(Qt::NoFocus);
        break;
    case form::ControlKind::RadioButton:
        widget = MakeRadioButton(parent, control);
        break;
    case form::ControlKind::PushButton:
        widget = MakeButton(parent, control);
        break;
    case form::ControlKind::Edit:
        widget = MakeEdit(parent, control);
        break;
    case form::ControlKind::Panel:
        widget = MakePanel(parent);
        break;
    case form::ControlKind::StatusBar:
        widget = new TStatusBar(parent);
        widget->setFocusPolicy(Qt::NoFocus);
        // The status bar keeps the system's own font, not the window font.
        widget->setFont(QGuiApplication::font());
        break;
    }
    widget->setObjectName(Text(control.name));
    if (control.kind != form::ControlKind::Label) {
        const form::Rect& place = control.place;
        widget->setGeometry(place.left, place.top, place.width, place.height);
    }
    widget->setEnabled(control.enabled);
    if (!control.accessibleName.empty())
        widget->setAccessibleName(Text(control.accessibleName));
    return widget;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint)
{
    BuildLayout();
    Form1 = this;
    DispatchEvent([this] { FormCreate(this); });
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::BuildLayout()
{
    setObjectName(Text(form::kForm1.name));
    setWindowTitle(Text(form::kForm1.caption));
    setFixedSize(form::kForm1.clientWidth, form::kForm1.clientHeight);
    setFont(WindowFont());
    setAutoFillBackground(true);

    // Windowed controls are stacked in creation order; the labels lie beneath them all.
    selectionButtons_ = new QButtonGroup(this);
    selectionButtons_->setExclusive(true);
    std::vector<QLabel*> labels;
    for (const form::Control& control : form::Controls()) {
        QWidget* parent = control.parent == form::kForm1.name
                              ? static_cast<QWidget*>(this)
                              : findChild<QWidget*>(Text(control.parent));
        if (parent == nullptr)
            throw std::logic_error("the form description names a parent before it: " +
                                   std::string(control.name));
        QWidget* widget = MakeControl(parent, control);
        if (auto* label = qobject_cast<QLabel*>(widget))
            labels.push_back(label);
        // The radio buttons whose parent is the window are the selection buttons: one
        // group, which holds hidden buttons too.
        if (auto* button = qobject_cast<QRadioButton*>(widget); button != nullptr && parent == this)
            selectionButtons_->addButton(button);
    }
    for (QLabel* label : labels)
        label->lower();

    TakeControl(Label1, "Label1");
    TakeControl(StringGrid1, "StringGrid1");
    TakeControl(RadioButton4, "RadioButton4");
    TakeControl(RadioButton1, "RadioButton1");
    TakeControl(RadioButton2, "RadioButton2");
    TakeControl(RadioButton3, "RadioButton3");
    TakeControl(RadioButton5, "RadioButton5");
    TakeControl(RadioButton6, "RadioButton6");
    TakeControl(RadioButton7, "RadioButton7");
    TakeControl(RadioButton8, "RadioButton8");
    TakeControl(Button1, "Button1");
    TakeControl(Button2, "Button2");
    TakeControl(StatusBar1, "StatusBar1");
    TakeControl(Label2, "Label2");
    TakeControl(Edit1, "Edit1");
    TakeControl(Label3, "Label3");
    TakeControl(Label4, "Label4");
    TakeControl(Label5, "Label5");
    TakeControl(Edit2, "Edit2");
    TakeControl(Edit3, "Edit3");
    TakeControl(Edit4, "Edit4");
    TakeControl(Label6, "Label6");
    TakeControl(Label7, "Label7");
    TakeControl(Label8, "Label8");
    TakeControl(Label9, "Label9");
    TakeControl(Button3, "Button3");
    TakeControl(Label10, "Label10");
    TakeControl(Label11, "Label11");
    TakeControl(Label12, "Label12");
    TakeControl(Panel1, "Panel1");
    TakeControl(RadioButton9, "RadioButton9");
    TakeControl(RadioButton13, "RadioButton13");
    TakeControl(Panel2, "Panel2");
    TakeControl(Panel3, "Panel3");
    TakeControl(Panel4, "Panel4");
    TakeControl(RadioButton10, "RadioButton10");
    TakeControl(RadioButton14, "RadioButton14");
    TakeControl(RadioButton11, "RadioButton11");
    TakeControl(RadioButton12, "RadioButton12");
    TakeControl(Label13, "Label13");
    TakeControl(RadioButton15, "RadioButton15");
    TakeControl(RadioButton16, "RadioButton16");

    SetTabOrder();

    connect(Button1, &QPushButton::clicked, this, [this] { DispatchEvent([this] { Button1Click(Button1); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { DispatchEvent([this] { Button2Click(Button2); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { DispatchEvent([this] { Button3Click(Button3); }); });
}

template <typename Widget>
void TForm1::TakeControl(Widget*& member, const char* name)
{
    member = findChild<Widget*>(QString::fromLatin1(name));
    if (member == nullptr)
        throw std::logic_error(std::string("the form description has no ") + name);
}

void TForm1::SetTabOrder()
{
    const std::vector<const form::Control*> cycle = form::TabCycle();
    for (std::size_t i = 0; i + 1 < cycle.size(); ++i)
        setTabOrder(findChild<QWidget*>(Text(cycle[i]->name)), findChild<QWidget*>(Text(cycle[i + 1]->name)));
}

void TForm1::showEvent(QShowEvent* event)
{
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->geometry().center());
            move(frame.topLeft());
        }
        // The focus starts on the first control of the Tab cycle.
        focusNextChild();
    }
    QWidget::showEvent(event);
}

void TForm1::FormCreate(QObject*)
{
    cards::DiscoverCards(*this);
}

void TForm1::Button1Click(QObject*)
{
    eeprom::WritePortConfiguration(*this);
}

void TForm1::Button2Click(QObject*)
{
    close();
}

void TForm1::Button3Click(QObject*)
{
    eeprom::ReadPortConfiguration(*this);
}

QRadioButton* TForm1::RadioButton(int number) const
{
    QRadioButton* const buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4,
                                     RadioButton5, RadioButton6, RadioButton7, RadioButton8,
                                     RadioButton9, RadioButton10, RadioButton11, RadioButton12,
                                     RadioButton13, RadioButton14, RadioButton15, RadioButton16};
    return buttons[number - 1];
}

QLineEdit* TForm1::Edit(int number) const
{
    QLineEdit* const edits[] = {Edit1, Edit2, Edit3, Edit4};
    return edits[number - 1];
}

void TForm1::SetCellText(int column, int row, std::string_view text)
{
    StringGrid1->SetCell(column, row, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::SetGridSelection(int left, int top, int right, int bottom)
{
    StringGrid1->SetSelection(left, top, right, bottom);
}

void TForm1::SetRadioButtonEnabled(int number, bool enabled)
{
    RadioButton(number)->setEnabled(enabled);
}

void TForm1::SetRadioButtonVisible(int number, bool visible)
{
    RadioButton(number)->setVisible(visible);
}

bool TForm1::IsRadioButtonVisible(int number) const
{
    // The button's own flag, also while the window is not on the screen.
    const QRadioButton* button = RadioButton(number);
    return button->isVisibleTo(button->parentWidget());
}

bool TForm1::IsRadioButtonChecked(int number) const
{
    return RadioButton(number)->isChecked();
}

void TForm1::CheckRadioButton(int number)
{
    RadioButton(number)->setChecked(true);
}

std::string TForm1::EditText(int number) const
{
    return Edit(number)->text().toStdString();
}

void TForm1::SetEditText(int number, std::string_view text)
{
    Edit(number)->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::SetStatusText(std::string_view text)
{
    StatusBar1->SetPanelText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace ui
