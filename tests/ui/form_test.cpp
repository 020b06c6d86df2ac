// The main window as the operator meets it: layout, radio groups, keyboard.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

#include "support/layout_expectations.h"
#include "support/qt_printers.h"
#include "support/sim_rack.h"
#include "ui/status_bar.h"
#include "ui/string_grid.h"
#include "ui/unit1.h"

namespace {

using testing_support::UseRack;

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Four cards, the second of another kind: buttons 1, 3 and 4 are offered.
        UseRack({{0x0101, 4, 0}, {0x0201, 4, 1}, {0x0101, 5, 2}, {0x0101, 5, 3}});
        form = std::make_unique<ui::TForm1>();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    template <typename Widget = QWidget>
    Widget* Control(const char* name)
    {
        auto* widget = form->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString FocusName() const
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QStringLiteral("<none>");
    }

    void PressTab(bool backwards = false)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
    }

    std::unique_ptr<ui::TForm1> form;
};

using testing_support::ControlRow;
using testing_support::kExpectedControls;

TEST_F(FormTest, EveryControlHasItsNameParentPlaceAndText)
{
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "  MXB-2816 DIO setup  v.1.03");
    EXPECT_EQ(form->size(), QSize(401, 365));
    EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the window cannot be resized";
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);

    for (const ControlRow& row : kExpectedControls) {
        SCOPED_TRACE(row.name);
        QWidget* widget = Control(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.parent);
        const QRect place = widget->geometry();
        EXPECT_EQ(place.topLeft(), QPoint(row.left, row.top));
        EXPECT_EQ(place.height(), row.height);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_GE(place.width(), row.width);
            EXPECT_EQ(label->text(), QString::fromUtf8(row.text));
        } else {
            EXPECT_EQ(place.width(), row.width);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(row.text));
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_EQ(edit->text(), QString::fromUtf8(row.text));
        }
    }
}

TEST_F(FormTest, StartsWithInButtonsCheckedNoSelectionAndFocusOnWrite)
{
    for (int port = 1; port <= 4; ++port) {
        EXPECT_TRUE(form->RadioButton(8 + port)->isChecked()) << port;
        EXPECT_FALSE(form->RadioButton(12 + port)->isChecked()) << port;
    }
    for (int number = 1; number <= 8; ++number)
        EXPECT_FALSE(form->RadioButton(number)->isChecked()) << number;
    EXPECT_FALSE(form->StringGrid1->isEnabled());
    EXPECT_EQ(form->Edit1->maxLength(), std::numeric_limits<int>::max());
    EXPECT_EQ(FocusName(), "Button1");
}

TEST_F(FormTest, SelectionButtonsStandInColumnFiveOfTheirRows)
{
    // Rows 1, 3 and 4 hold supported cards; row 2 says why it cannot be chosen.
    for (int number : {1, 3, 4}) {
        QRadioButton* button = form->RadioButton(number);
        EXPECT_TRUE(button->isVisible()) << number;
        const QRect cell = form->StringGrid1->CellRect(5, number)
                               .translated(form->StringGrid1->pos());
        EXPECT_TRUE(cell.contains(button->geometry().topLeft())) << number;
    }
    EXPECT_FALSE(form->RadioButton(2)->isVisible());
    EXPECT_EQ(form->StringGrid1->Cell(5, 2), "nelze");
    for (int number = 5; number <= 8; ++number)
        EXPECT_FALSE(form->RadioButton(number)->isVisible()) << number;
    // Row n spans 25 + 18n to 41 + 18n of the window.
    EXPECT_EQ(form->StringGrid1->CellRect(5, 3).translated(form->StringGrid1->pos()),
              QRect(QPoint(322, 25 + 18 * 3), QPoint(387, 41 + 18 * 3)));
}

TEST_F(FormTest, GridHighlightsNothingAfterStartAndIgnoresRangesOutsideIt)
{
    for (int row = 0; row < 9; ++row)
        for (int column = 0; column < 6; ++column)
            EXPECT_FALSE(form->StringGrid1->IsCellHighlighted(column, row));
    form->SetGridSelection(1, 1, 2, 2);
    EXPECT_TRUE(form->StringGrid1->IsCellHighlighted(2, 2));
    EXPECT_FALSE(form->StringGrid1->IsCellHighlighted(3, 2));
    // Disabled for input, yet its colours stay those of an active grid.
    const QImage image = form->StringGrid1->grab().toImage();
    const QRect cell = form->StringGrid1->CellRect(1, 1);
    EXPECT_EQ(image.pixelColor(cell.center()), form->palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(FormTest, SelectionButtonsExcludeEachOtherButNotThePortButtons)
{
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
    EXPECT_TRUE(form->RadioButton1->isChecked());
    QTest::mouseClick(form->RadioButton3, Qt::LeftButton);
    EXPECT_TRUE(form->RadioButton3->isChecked());
    EXPECT_FALSE(form->RadioButton1->isChecked());
    // A click cannot clear the checked button.
    QTest::mouseClick(form->RadioButton3, Qt::LeftButton);
    EXPECT_TRUE(form->RadioButton3->isChecked());
    for (int port = 1; port <= 4; ++port)
        EXPECT_TRUE(form->RadioButton(8 + port)->isChecked()) << "port " << port;
}

TEST_F(FormTest, CheckingOutClearsOnlyItsOwnPanelsIn)
{
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton14, Qt::LeftButton);
    EXPECT_TRUE(form->RadioButton14->isChecked());
    EXPECT_FALSE(form->RadioButton10->isChecked());
    for (int other : {9, 11, 12})
        EXPECT_TRUE(form->RadioButton(other)->isChecked()) << other;
    EXPECT_TRUE(form->RadioButton1->isChecked());

    form->CheckRadioButton(15);
    EXPECT_FALSE(form->RadioButton11->isChecked());
    EXPECT_TRUE(form->RadioButton14->isChecked());
}

TEST_F(FormTest, AHiddenCheckedButtonStaysChecked)
{
    QTest::mouseClick(form->RadioButton3, Qt::LeftButton);
    form->SetRadioButtonVisible(3, false);
    EXPECT_TRUE(form->RadioButton3->isChecked());
    EXPECT_FALSE(form->IsRadioButtonVisible(3));
    form->SetRadioButtonVisible(3, true);
    EXPECT_TRUE(form->IsRadioButtonVisible(3));
}

TEST_F(FormTest, TabCycleWithoutASelectedCard)
{
    const QStringList forward = {"Button2", "Edit1", "Edit2", "Edit3", "Edit4", "Button3",
                                 "RadioButton9", "RadioButton10", "RadioButton11",
                                 "RadioButton12", "Button1"};
    for (const QString& expected : forward) {
        PressTab();
        EXPECT_EQ(FocusName(), expected);
    }
    QStringList backward = forward;
    std::reverse(backward.begin(), backward.end());
    backward.removeFirst(); // Button1, where we stand
    backward.append("Button1");
    for (const QString& expected : backward) {
        PressTab(true);
        EXPECT_EQ(FocusName(), expected);
    }
}

TEST_F(FormTest, TabCycleEntersGroupsAtTheirCheckedButton)
{
    QTest::mouseClick(form->RadioButton4, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton13, Qt::LeftButton);
    form->Button1->setFocus();
    const QStringList forward = {"Button2", "Edit1", "Edit2", "Edit3", "Edit4", "Button3",
                                 "RadioButton13", "RadioButton10", "RadioButton11",
                                 "RadioButton12", "RadioButton4", "Button1"};
    for (const QString& expected : forward) {
        PressTab();
        EXPECT_EQ(FocusName(), expected);
    }
    PressTab(true);
    EXPECT_EQ(FocusName(), "RadioButton4");
    PressTab(true);
    EXPECT_EQ(FocusName(), "RadioButton12");
}

TEST_F(FormTest, EnterPressesOnlyTheFocusedButtonAndEscapeDoesNothing)
{
    kovra_sim_set_word(0, 22, 0x80AB);
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);

    // In an edit, Enter runs no command.
    form->Edit1->setFocus();
    QTest::keyClick(form->Edit1, Qt::Key_Return);
    QTest::keyClick(form->Edit1, Qt::Key_Escape);
    EXPECT_EQ(form->StatusBar1->PanelText(), "Ok");
    EXPECT_TRUE(form->isVisible());

    form->Button3->setFocus();
    QTest::keyClick(form->Button3, Qt::Key_Return);
    EXPECT_EQ(form->StatusBar1->PanelText(), "Karta přečtena");
    EXPECT_EQ(form->Edit1->text(), "AB");
}

TEST_F(FormTest, EditsTakeAnyTextAsTyped)
{
    form->Edit2->clear();
    QTest::keyClicks(form->Edit2, "0123456789");
    EXPECT_EQ(form->Edit2->text(), "0123456789");
    EXPECT_EQ(form->EditText(2), "0123456789");
}

TEST_F(FormTest, CaptionlessControlsHaveAccessibleNames)
{
    EXPECT_EQ(form->RadioButton1->accessibleName(), "Výběr karty 0");
    EXPECT_EQ(form->RadioButton8->accessibleName(), "Výběr karty 7");
    EXPECT_EQ(form->RadioButton9->accessibleName(), "port 1 IN");
    EXPECT_EQ(form->RadioButton16->accessibleName(), "port 4 OUT");
    EXPECT_EQ(form->Edit3->accessibleName(), "port 3 počáteční hodnota");
}

} // namespace
