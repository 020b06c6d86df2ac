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

#include "cards/discovery.h"
#include "eeprom/commands.h"
#include "ui/application.h"
#include "ui/status_bar.h"
#include "ui/string_grid.h"

namespace ui {

TForm1* Form1 = nullptr;

namespace {

constexpr int kClientWidth = 401;
constexpr int kClientHeight = 365;

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

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                  const QString& text)
{
    auto* label = Place(new QLabel(text, parent), name, left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A label is as wide as its text: a substitute font must not cut it off.
    label->resize(std::max(width, label->sizeHint().width()), height);
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

QRadioButton* MakeRadioButton(QWidget* parent, const char* name, int left, int top, int width,
                              int height, const QString& accessibleName)
{
    auto* button = Place(new TRadioButton(parent), name, left, top, width, height);
    button->setAccessibleName(accessibleName);
    return button;
}

QPushButton* MakeButton(QWidget* parent, const char* name, int left, int top, int width, int height,
                        const QString& text)
{
    auto* button = Place(new QPushButton(text, parent), name, left, top, width, height);
    // Enter presses a push button only while it has the focus; none is a default button.
    button->setAutoDefault(true);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int port)
{
    auto* edit = Place(new QLineEdit(parent), name, left, top, 23, 21);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setTextMargins(0, 0, 0, 0);
    edit->setAccessibleName(QStringLiteral("port %1 počáteční hodnota").arg(port));
    return edit;
}

QWidget* MakePanel(QWidget* parent, const char* name, int left, int top, int width)
{
    auto* panel = Place(new QWidget(parent), name, left, top, width, 17);
    panel->setFocusPolicy(Qt::NoFocus);
    return panel;
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
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("  MXB-2816 DIO setup  v.1.03"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(WindowFont());
    setAutoFillBackground(true);

    // Windowed controls are stacked in creation order; the labels lie beneath them all.
    StringGrid1 = Place(new TStringGrid(this), "StringGrid1", 10, 24, 379, 163);
    StringGrid1->setEnabled(false);
    StringGrid1->setAccessibleName(QStringLiteral("Detekované karty KOVRA"));

    selectionButtons_ = new QButtonGroup(this);
    selectionButtons_->setExclusive(true);
    const auto makeSelectionButton = [this](const char* name, int index) {
        auto* button = MakeRadioButton(this, name, 328, 46 + 18 * index, 57, 13,
                                       QStringLiteral("Výběr karty %1").arg(index));
        // White, so that the button blends with the list cell it lies in.
        QPalette white = button->palette();
        white.setColor(QPalette::Window, Qt::white);
        white.setColor(QPalette::Button, Qt::white);
        button->setPalette(white);
        button->setAutoFillBackground(true);
        selectionButtons_->addButton(button, index + 1);
        return button;
    };
    RadioButton4 = makeSelectionButton("RadioButton4", 3);
    RadioButton1 = makeSelectionButton("RadioButton1", 0);
    RadioButton2 = makeSelectionButton("RadioButton2", 1);
    RadioButton3 = makeSelectionButton("RadioButton3", 2);
    RadioButton5 = makeSelectionButton("RadioButton5", 4);
    RadioButton6 = makeSelectionButton("RadioButton6", 5);
    RadioButton7 = makeSelectionButton("RadioButton7", 6);
    RadioButton8 = makeSelectionButton("RadioButton8", 7);

    Button1 = MakeButton(this, "Button1", 248, 247, 113, 25, QStringLiteral("Zapsat do EEPROM"));
    Button2 = MakeButton(this, "Button2", 272, 303, 67, 25, QStringLiteral("Konec"));

    StatusBar1 = Place(new TStatusBar(this), "StatusBar1", 0, 346, 401, 19);
    // The status bar keeps the system's own font, not the window font.
    StatusBar1->setFont(QGuiApplication::font());

    Edit1 = MakeEdit(this, "Edit1", 164, 230, 1);
    Edit2 = MakeEdit(this, "Edit2", 164, 254, 2);
    Edit3 = MakeEdit(this, "Edit3", 164, 278, 3);
    Edit4 = MakeEdit(this, "Edit4", 164, 302, 4);

    Button3 = MakeButton(this, "Button3", 248, 215, 113, 25, QStringLiteral("Přečíst z EEPROM"));

    // One panel per port; its two buttons exclude each other and nothing else.
    Panel1 = MakePanel(this, "Panel1", 77, 232, 49);
    RadioButton9 = MakeRadioButton(Panel1, "RadioButton9", 0, 0, 17, 17, QStringLiteral("port 1 IN"));
    RadioButton13 = MakeRadioButton(Panel1, "RadioButton13", 24, 0, 17, 17, QStringLiteral("port 1 OUT"));
    Panel2 = MakePanel(this, "Panel2", 77, 256, 41);
    Panel3 = MakePanel(this, "Panel3", 77, 280, 41);
    Panel4 = MakePanel(this, "Panel4", 77, 304, 41);
    RadioButton10 = MakeRadioButton(Panel2, "RadioButton10", 0, 0, 17, 17, QStringLiteral("port 2 IN"));
    RadioButton14 = MakeRadioButton(Panel2, "RadioButton14", 24, 0, 17, 17, QStringLiteral("port 2 OUT"));
    RadioButton11 = MakeRadioButton(Panel3, "RadioButton11", 0, 0, 17, 17, QStringLiteral("port 3 IN"));
    RadioButton12 = MakeRadioButton(Panel4, "RadioButton12", 0, 0, 17, 17, QStringLiteral("port 4 IN"));
    RadioButton15 = MakeRadioButton(Panel3, "RadioButton15", 24, 0, 17, 17, QStringLiteral("port 3 OUT"));
    RadioButton16 = MakeRadioButton(Panel4, "RadioButton16", 24, 0, 17, 17, QStringLiteral("port 4 OUT"));
    for (QRadioButton* in : {RadioButton9, RadioButton10, RadioButton11, RadioButton12})
        in->setChecked(true);

    Label1 = MakeLabel(this, "Label1", 10, 8, 120, 13, QStringLiteral("Detekované karty KOVRA"));
    Label2 = MakeLabel(this, "Label2", 32, 232, 27, 13, QStringLiteral("port 1"));
    Label3 = MakeLabel(this, "Label3", 32, 256, 27, 13, QStringLiteral("port 2"));
    Label4 = MakeLabel(this, "Label4", 32, 280, 27, 13, QStringLiteral("port 3"));
    Label5 = MakeLabel(this, "Label5", 32, 304, 27, 13, QStringLiteral("port 4"));
    Label6 = MakeLabel(this, "Label6", 148, 233, 11, 13, QStringLiteral("0x"));
    Label7 = MakeLabel(this, "Label7", 148, 257, 11, 13, QStringLiteral("0x"));
    Label8 = MakeLabel(this, "Label8", 148, 281, 11, 13, QStringLiteral("0x"));
    Label9 = MakeLabel(this, "Label9", 148, 305, 11, 13, QStringLiteral("0x"));
    Label10 = MakeLabel(this, "Label10", 78, 215, 11, 13, QStringLiteral("IN"));
    Label11 = MakeLabel(this, "Label11", 96, 215, 23, 13, QStringLiteral("OUT"));
    Label12 = MakeLabel(this, "Label12", 146, 200, 48, 13, QStringLiteral("počáteční"));
    Label13 = MakeLabel(this, "Label13", 149, 214, 39, 13, QStringLiteral("hodnota"));
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9,
                          Label10, Label11, Label12, Label13})
        label->lower();

    for (int number = 1; number <= 16; ++number)
        KeepInTabCycleWhileChecked(RadioButton(number));
    SetTabOrder();

    connect(Button1, &QPushButton::clicked, this, [this] { DispatchEvent([this] { Button1Click(Button1); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { DispatchEvent([this] { Button2Click(Button2); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { DispatchEvent([this] { Button3Click(Button3); }); });
}

void TForm1::SetTabOrder()
{
    const QWidget* order[] = {RadioButton4, RadioButton1, RadioButton2, RadioButton3, RadioButton5,
                              RadioButton6, RadioButton7, RadioButton8, Button1, Button2,
                              Edit1, Edit2, Edit3, Edit4, Button3,
                              RadioButton9, RadioButton13, RadioButton10, RadioButton14,
                              RadioButton11, RadioButton15, RadioButton12, RadioButton16};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    StringGrid1->setFocusPolicy(Qt::NoFocus);
    StatusBar1->setFocusPolicy(Qt::NoFocus);
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
