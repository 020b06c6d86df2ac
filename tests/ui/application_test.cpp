// Start-up, shutdown and the default error handling of the application object.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <stdexcept>

#include "support/error_box_watcher.h"
#include "support/qt_printers.h"
#include "support/sim_rack.h"
#include "ui/application.h"
#include "ui/status_bar.h"
#include "ui/unit1.h"

namespace {

using testing_support::ErrorBoxWatcher;

ui::TApplication& Application()
{
    return *qobject_cast<ui::TApplication*>(QCoreApplication::instance());
}

TEST(DefaultErrorHandling, ShowsOneModalStopBoxCaptionedWithTheTitle)
{
    ErrorBoxWatcher watcher;
    ui::HandleException(std::runtime_error("Something failed"));
    ASSERT_EQ(watcher.boxes.size(), 1u);
    const auto& box = watcher.boxes.front();
    EXPECT_EQ(box.caption, "MXB-2816 DIO setup");
    EXPECT_EQ(box.text, "Something failed.");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_TRUE(box.applicationModal);
}

TEST(DefaultErrorHandling, AConversionErrorInAClickLeavesTheWindowWorking)
{
    testing_support::UseRack({{0x0101, 4, 0}});
    kovra_sim_set_word(0, 24, 0x8042);
    ui::TForm1 form;
    form.show();
    QTest::mouseClick(form.RadioButton1, Qt::LeftButton);
    form.Edit1->setText(QStringLiteral("ZZ"));

    ErrorBoxWatcher watcher;
    const std::size_t callsBefore = testing_support::CallLogMark();
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "'0xZZ' is not a valid integer value.");
    EXPECT_EQ(watcher.boxes[0].caption, "MXB-2816 DIO setup");
    EXPECT_EQ(form.StatusBar1->PanelText(), "Ok") << "the status line keeps what it showed";
    EXPECT_EQ(testing_support::SimCallLogSince(callsBefore), "") << "no driver call";

    // Both commands work on without a restart.
    QTest::mouseClick(form.Button3, Qt::LeftButton);
    EXPECT_EQ(form.StatusBar1->PanelText(), "Karta přečtena");
    EXPECT_EQ(form.Edit2->text(), "42");
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(form.StatusBar1->PanelText(), "Karta naprogramována");
    EXPECT_EQ(watcher.boxes.size(), 1u);
}

TEST(DefaultErrorHandling, APastedMegabyteEndsInTheConversionBox)
{
    testing_support::UseRack({{0x0101, 4, 0}});
    ui::TForm1 form;
    form.show();
    QTest::mouseClick(form.RadioButton1, Qt::LeftButton);
    const QString pasted(1 << 20, u'7');
    form.Edit2->setText(pasted);
    EXPECT_EQ(form.Edit2->text().size(), pasted.size()) << "the edit sets no length limit";

    ErrorBoxWatcher watcher;
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    // The box shows the start and the end of the message, not all of it.
    const QString message = "'0x" + pasted + "' is not a valid integer value.";
    EXPECT_EQ(watcher.boxes[0].text, message.left(8000) + u'…' + message.right(8000));
    EXPECT_EQ(kovra_sim_word(0, 22), 0xFFFF);
}

TEST(DefaultErrorHandling, ShowsAnOperatorsTextWholeUpToItsLimit)
{
    // A long typed value, a NUL character pasted into it: the box quotes all of it.
    testing_support::UseRack({{0x0101, 4, 0}});
    ui::TForm1 form;
    QTest::mouseClick(form.RadioButton1, Qt::LeftButton);
    const QString typed = QString(7000, u'9') + QChar(u'\0') + "x";
    form.Edit1->setText(typed);
    ErrorBoxWatcher watcher;
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "'0x" + typed + "' is not a valid integer value.");
}

TEST(DefaultErrorHandling, AnExceptionOfNoKnownTypeStillEndsInTheBox)
{
    ErrorBoxWatcher watcher;
    ui::DispatchEvent([] { throw 42; });
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text, "Unknown exception.");
}

TEST(StartAndEnd, KonecEndsTheProgramWithExitCodeZero)
{
    testing_support::UseRack({});
    QTimer::singleShot(0, [] { QTest::mouseClick(ui::Form1->Button2, Qt::LeftButton); });
    EXPECT_EQ(Application().Run([] { return std::make_unique<ui::TForm1>(); }), 0);
}

TEST(StartAndEnd, TheCloseBoxEndsTheProgramWithExitCodeZero)
{
    testing_support::UseRack({});
    QTimer::singleShot(0, [] { ui::Form1->close(); });
    EXPECT_EQ(Application().Run([] { return std::make_unique<ui::TForm1>(); }), 0);
}

TEST(StartAndEnd, AWindowThatCannotBeBuiltEndsWithApplicationErrorAndExitCodeOne)
{
    ErrorBoxWatcher watcher;
    const int exitCode = Application().Run([]() -> std::unique_ptr<QWidget> {
        throw std::runtime_error("no window");
    });
    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].caption, "Application Error");
    EXPECT_TRUE(watcher.boxes[0].text.contains("no window"));
}

} // namespace
