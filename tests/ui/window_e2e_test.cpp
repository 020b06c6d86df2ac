// The real window on the simulated rack, end to end: start-up with the sample
// catalogue, then read, change, write, a new start, and read again.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/error_box_watcher.h"
#include "support/qt_printers.h"
#include "support/sim_rack.h"
#include "ui/status_bar.h"
#include "ui/string_grid.h"
#include "ui/unit1.h"

namespace {

namespace fs = std::filesystem;

// The default simulated rack, its EEPROM kept in a state folder of the test's own,
// and the sample catalogue in the current directory.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("window-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_ / "state");
        fs::copy_file(fs::path(MXB_SAMPLE_CATALOGUE), folder_ / "kovra_pcidaq.txt");
        previous_ = fs::current_path();
        fs::current_path(folder_);
        ::setenv("XDG_STATE_HOME", (folder_ / "state").c_str(), 1);

        kovra_sim_reset();
        kovra_sim_set_state_dir((folder_ / "state").c_str());
        kovra_sim_use_default_rack();
    }

    void TearDown() override
    {
        form.reset();
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }

    void StartProgram()
    {
        form = std::make_unique<ui::TForm1>();
        form->show();
    }

    QString Status() const { return form->StatusBar1->PanelText(); }

    void TypeInto(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<ui::TForm1> form;
    fs::path folder_;

private:
    fs::path previous_;
};

TEST_F(WindowTest, StartUpListsTheDefaultRackWithCatalogueNames)
{
    StartProgram();
    EXPECT_EQ(Status(), "Ok");
    ui::TStringGrid* grid = form->StringGrid1;
    EXPECT_EQ(grid->Cell(1, 1), "MXB-2816 DIO");
    EXPECT_EQ(grid->Cell(2, 1), "0101");
    EXPECT_EQ(grid->Cell(1, 2), "MXB-0816 relé") << "Windows-1250 names are shown decoded";
    EXPECT_EQ(grid->Cell(2, 2), "0201");
    EXPECT_EQ(grid->Cell(5, 2), "nelze");
    EXPECT_EQ(grid->Cell(2, 3), "0101");
    EXPECT_EQ(grid->Cell(5, 3), "");
    EXPECT_EQ(grid->Cell(0, 8), "       7");
    EXPECT_EQ(grid->Cell(1, 4), "");
    EXPECT_TRUE(form->RadioButton1->isVisible());
    EXPECT_FALSE(form->RadioButton2->isVisible());
    EXPECT_TRUE(form->RadioButton3->isVisible());
    EXPECT_FALSE(form->RadioButton4->isVisible());
}

TEST_F(WindowTest, AWrittenConfigurationSurvivesANewStart)
{
    StartProgram();
    QTest::mouseClick(form->RadioButton3, Qt::LeftButton);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    ASSERT_EQ(Status(), "Karta přečtena");
    EXPECT_EQ(form->Edit1->text(), "FF") << "a fresh card's EEPROM is erased";
    EXPECT_TRUE(form->RadioButton15->isChecked());

    TypeInto(form->Edit1, "5a");
    TypeInto(form->Edit2, "00");
    TypeInto(form->Edit3, "C3");
    TypeInto(form->Edit4, "7");
    QTest::mouseClick(form->RadioButton9, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton13, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton10, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton11, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton16, Qt::LeftButton);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    ASSERT_EQ(Status(), "Karta naprogramována");
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());

    // A new program: the simulator drops what it holds in memory and reads its files.
    form.reset();
    kovra_sim_reload_state();
    StartProgram();
    EXPECT_EQ(form->Edit1->text(), "00");
    QTest::mouseClick(form->RadioButton3, Qt::LeftButton);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    ASSERT_EQ(Status(), "Karta přečtena");
    EXPECT_EQ(form->Edit1->text(), "5A");
    EXPECT_EQ(form->Edit2->text(), "00");
    EXPECT_EQ(form->Edit3->text(), "C3");
    EXPECT_EQ(form->Edit4->text(), "07");
    EXPECT_TRUE(form->RadioButton13->isChecked());
    EXPECT_TRUE(form->RadioButton10->isChecked());
    EXPECT_TRUE(form->RadioButton11->isChecked());
    EXPECT_TRUE(form->RadioButton16->isChecked());
    EXPECT_EQ(kovra_sim_word(2, 30), 0x0009);
    EXPECT_EQ(kovra_sim_word(0, 22), 0xFFFF) << "only the selected card was written";
}

TEST_F(WindowTest, ReadThenWriteUntouchedWritesTheSameWordsBack)
{
    const std::uint16_t stored[] = {0x0012, 0xFF34, 0x8056, 0x4078, 0xABC6};
    for (std::uint32_t i = 0; i < 5; ++i)
        kovra_sim_set_word(0, 22 + 2 * i, stored[i]);
    StartProgram();
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    ASSERT_EQ(Status(), "Karta naprogramována");
    const std::uint16_t expected[] = {0x8012, 0x8034, 0x8056, 0x8078, 0x0006};
    for (std::uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(kovra_sim_word(0, 22 + 2 * i), expected[i]) << "word " << 22 + 2 * i;
}

TEST_F(WindowTest, NothingSelectedAtStartAnswersBothCommandsTheSame)
{
    StartProgram();
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(Status(), "Nebyla vybrána programovaná karta");
    form->StatusBar1->SetPanelText(QString());
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    EXPECT_EQ(Status(), "Nebyla vybrána programovaná karta");
}

TEST_F(WindowTest, ACatalogueErrorAtStartUpShowsTheBoxAndTheWindowStillOpens)
{
    const int writer = ::open("kovra_pcidaq.txt", O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);

    testing_support::ErrorBoxWatcher watcher;
    StartProgram();
    ::close(writer);

    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].caption, "MXB-2816 DIO setup");
    EXPECT_EQ(watcher.boxes[0].text, "I/O error 32.");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(form->StringGrid1->Cell(0, 0), "    Index");
    EXPECT_EQ(form->StringGrid1->Cell(2, 1), "");
    EXPECT_EQ(form->Edit1->text(), "00");
}

} // namespace
