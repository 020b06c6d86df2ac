#pragma once

#include <QWidget>

#include "cards/form_view.h"

#include <QRadioButton>

class QLabel;
class QLineEdit;
class QPushButton;
class QButtonGroup;

namespace ui {

class TStringGrid;
class TStatusBar;

// A radio button that reacts to a click anywhere on it, not only on its mark: the
// window's buttons have no caption, and a selection button fills its list cell.
class TRadioButton : public QRadioButton {
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

// The program's one window: the card list with a selection button per supported card,
// the four port rows (IN/OUT and initial value), the three command buttons and the
// status line. Every control has a fixed place; the window cannot be resized.
class TForm1 : public QWidget, public cards::FormView {
    Q_OBJECT

public:
    // Builds the window and runs FormCreate; an error that escapes FormCreate goes to
    // the application's error box and the window is still built. A failure while the
    // controls themselves are built propagates.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The controls, in the order the window declares them.
    QLabel* Label1;
    TStringGrid* StringGrid1;
    QRadioButton* RadioButton4;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton5;
    QRadioButton* RadioButton6;
    QRadioButton* RadioButton7;
    QRadioButton* RadioButton8;
    QPushButton* Button1;
    QPushButton* Button2;
    TStatusBar* StatusBar1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QPushButton* Button3;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QWidget* Panel1;
    QRadioButton* RadioButton9;
    QRadioButton* RadioButton13;
    QWidget* Panel2;
    QWidget* Panel3;
    QWidget* Panel4;
    QRadioButton* RadioButton10;
    QRadioButton* RadioButton14;
    QRadioButton* RadioButton11;
    QRadioButton* RadioButton12;
    QLabel* Label13;
    QRadioButton* RadioButton15;
    QRadioButton* RadioButton16;

    // Event handlers.
    void FormCreate(QObject* sender);
    void Button1Click(QObject* sender);
    void Button2Click(QObject* sender);
    void Button3Click(QObject* sender);

    // Presentation operations.
    void SetCellText(int column, int row, std::string_view text) override;
    void SetGridSelection(int left, int top, int right, int bottom) override;
    void SetRadioButtonEnabled(int number, bool enabled) override;
    void SetRadioButtonVisible(int number, bool visible) override;
    bool IsRadioButtonVisible(int number) const override;
    bool IsRadioButtonChecked(int number) const override;
    void CheckRadioButton(int number) override;
    std::string EditText(int number) const override;
    void SetEditText(int number, std::string_view text) override;
    void SetStatusText(std::string_view text) override;

    // RadioButton1 to RadioButton16 and Edit1 to Edit4 by number.
    QRadioButton* RadioButton(int number) const;
    QLineEdit* Edit(int number) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildLayout();
    template <typename Widget>
    void TakeControl(Widget*& member, const char* name);
    void SetTabOrder();

    QButtonGroup* selectionButtons_;
    bool centred_ = false;
};

// The program's main window, once start-up has created it.
extern TForm1* Form1;

} // namespace ui
