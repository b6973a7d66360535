#include "shell/frmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "common/modGlobals.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace tesselin {
namespace {

class FrmMainTest : public ::testing::Test {
protected:
    FrmMainTest() : window(globals, dialogs) { window.show(); }

    template <typename T>
    T* control(const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void openFile(const std::filesystem::path& path, int filterIndex) {
        dialogs.chooseFile(path.string(), filterIndex);
        control<QAction>("mnuOpen")->trigger();
    }

    // The grid as the user sees it: the captions, then the data rows.
    std::vector<std::vector<QString>> shownGrid() {
        const QAbstractItemModel* model = control<QTableView>("MSFlexGrid1")->model();
        std::vector<std::vector<QString>> rows(1);
        for (int c = 0; c < model->columnCount(); ++c) {
            rows[0].push_back(model->headerData(c, Qt::Horizontal).toString());
        }
        for (int r = 0; r < model->rowCount(); ++r) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < model->columnCount(); ++c) {
                row.push_back(model->index(r, c).data().toString());
            }
        }
        return rows;
    }

    modGlobals globals;
    testing::ScriptedDialogs dialogs;
    testing::TempDir dir;
    frmMain window;
};

using Grid = std::vector<std::vector<QString>>;

TEST_F(FrmMainTest, OpensWithItsControlsAndAnEmptyGrid) {
    EXPECT_EQ(window.windowTitle(), "Tesselin Analysis");
    EXPECT_EQ(control<QAction>("mnuOpen")->text(), "&Open");
    EXPECT_EQ(control<QAction>("mnuExit")->text(), "E&xit");
    EXPECT_EQ(control<QLabel>("Label1")->text(), "X Axis Column #");
    EXPECT_EQ(control<QLabel>("Label2")->text(), "Y Axis Column #");
    EXPECT_EQ(control<QLineEdit>("XColumn")->text(), "0");
    EXPECT_EQ(control<QLineEdit>("YColumn")->text(), "1");
    EXPECT_EQ(control<QPushButton>("MakeGraph")->text(), "Graph");
    EXPECT_EQ(control<QPushButton>("Corrolate")->text(), "Tesselin");
    EXPECT_EQ(shownGrid(), (Grid{{"", ""}, {"", ""}}));
    EXPECT_EQ(control<QTableView>("MSFlexGrid1")->editTriggers(),
              QAbstractItemView::NoEditTriggers);
}

TEST_F(FrmMainTest, FileOpenLoadsATextFileAndRemovesItsBlankRows) {
    openFile(dir.write("data.txt", "1 2.5\r\n\r\n2\t3.75 x\n\xb5m 4\n"), 2);

    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shownGrid(), (Grid{{"Col. 0", "Col. 1", "Col. 2"},
                                 {"1", "2.5", ""},
                                 {"2", "3.75", "x"},
                                 {QString::fromUtf8("\xc2\xb5m"), "4", ""}}));
    EXPECT_EQ(window.dataGrid().TextMatrix(3, 0), "\xb5m");  // the file's own bytes

    const auto& request = dialogs.shown().front().file;
    EXPECT_EQ(request.filter, "Excel (*.xls)|*.xls|Text (*.txt)|*.txt");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(request.fileMustExist);
    EXPECT_EQ(request.fileName, "");
}

TEST_F(FrmMainTest, TheOpenDialogKeepsTheLastFilterAndForgetsTheFileName) {
    openFile(dir.write("a.txt", "1 2\n"), 2);
    dialogs.cancelFileDialog();
    control<QAction>("mnuOpen")->trigger();

    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[1].file.filterIndex, 2);
    EXPECT_EQ(dialogs.shown()[1].file.fileName, "");
}

TEST_F(FrmMainTest, CancellingTheOpenDialogShowsNothingAndKeepsTheGrid) {
    openFile(dir.write("a.txt", "1 2\n"), 2);
    const Grid before = shownGrid();
    dialogs.cancelFileDialog();
    control<QAction>("mnuOpen")->trigger();

    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shownGrid(), before);
}

TEST_F(FrmMainTest, AFileThatVanishedGivesOneErrorBoxAndKeepsTheGrid) {
    openFile(dir.write("a.txt", "1 2\n"), 2);
    const Grid before = shownGrid();
    openFile(dir.path() / "gone.txt", 2);

    const auto shown = dialogs.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Error");
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(shown[0].text,
              "Error: 53\r\nFile not found: " + (dir.path() / "gone.txt").string() + "\r\n");
    EXPECT_EQ(shownGrid(), before);
}

TEST_F(FrmMainTest, AnOverflowingFileKeepsItsRowsAndSkipsTheBlankRowRemoval) {
    std::string bytes = "\r\n";  // a blank first row, which stays
    for (int i = 2; i <= 32768; ++i) {
        bytes += std::to_string(i) + " 1\r\n";
    }
    openFile(dir.write("big.txt", bytes), 2);

    const auto shown = dialogs.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("Error: 6\r\nOverflow after line 32767", 0), 0u) << shown[0].text;
    const QAbstractItemModel* model = control<QTableView>("MSFlexGrid1")->model();
    EXPECT_EQ(model->rowCount(), 32767);
    EXPECT_EQ(model->index(0, 0).data().toString(), "");
}

const std::filesystem::path kData = TESSELIN_TEST_DATA_DIR;

TEST_F(FrmMainTest, FileOpenReadsTheFirstSheetOfAWorkbookAndRemovesItsEmptyRows) {
    openFile(kData / "basic.xls", 1);

    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shownGrid(), (Grid{{"Col. 0", "Col. 1", "Col. 2"},
                                 {"time", "value", "note"},
                                 {"0", "1.5", "first"},
                                 {"1", "-2.25", ""},
                                 {"2", "0.1", QString::fromUtf8("\xc2\xb5-sensor")},
                                 {"3", "123456789.123", ""},
                                 {"4", "1E-07", ""},
                                 {"5", "", "gap"},
                                 {"1E+20", "7", ""}}));
}

TEST_F(FrmMainTest, AWorkbookReplacesAWiderTextFileCompletely) {
    openFile(dir.write("wide.txt", "1 2 3 4 5 6 7 8 9 10\r\n"), 2);
    openFile(kData / "two_sheets.xls", 1);
    EXPECT_EQ(shownGrid(), (Grid{{"Col. 0", "Col. 1"}, {"1", "2"}, {"3", "4"}}));

    openFile(kData / "empty_first_sheet.xls", 1);
    EXPECT_EQ(shownGrid(), (Grid{{"Col. 0", "Col. 1"}}));
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FrmMainTest, AFileThatIsNoWorkbookGivesOneBoxAndKeepsTheGrid) {
    openFile(kData / "two_sheets.xls", 1);
    const Grid before = shownGrid();
    const auto notAWorkbook = dir.write("data.xls", "1 2\r\n");
    openFile(notAWorkbook, 1);

    const auto shown = dialogs.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error: 3274\r\nExternal table is not in the expected format: " +
                                 notAWorkbook.string() +
                                 " is not an Excel 97-2003 or 5.0/95 workbook (.xls).\r\n");
    EXPECT_EQ(shownGrid(), before);
}

TEST_F(FrmMainTest, TheTextFilterReadsAWorkbookAsText) {
    openFile(kData / "formulas.xls", 2);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_GT(shownGrid().size(), 1u);
}

TEST_F(FrmMainTest, FileExitClosesTheWindowWithoutAQuestion) {
    openFile(dir.write("a.txt", "1 2\n"), 2);
    control<QAction>("mnuExit")->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(dialogs.messages().empty());
}

}  // namespace
}  // namespace tesselin
