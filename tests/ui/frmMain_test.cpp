#include "shell/frmMain.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMouseEvent>

#include "common/dates.h"
#include "common/numbers.h"
#include "platform/ScatterChart.h"
#include "support/BiffWriter.h"
#include "support/WindowTest.h"

namespace tesselin {
namespace {

using testing::Table;
using MainWindowTest = testing::WindowTest;
const std::filesystem::path kData = TESSELIN_TEST_DATA_DIR;

TEST_F(MainWindowTest, FileOpenLoadsATextFileAndRemovesItsBlankRows) {
    EXPECT_EQ(shownGrid(main), (Table{{"", ""}, {"", ""}}));  // before any file
    open(dir.write("data.txt", "1 2.5\r\n\r\n2\t3.75 x\n\xb5m 4\n"), 2);

    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shownGrid(main), (Table{{"Col. 0", "Col. 1", "Col. 2"},
                                      {"1", "2.5", ""},
                                      {"2", "3.75", "x"},
                                      {"\xc2\xb5m", "4", ""}}));
    EXPECT_EQ(main.dataGrid().TextMatrix(3, 0), "\xb5m");  // the file's own bytes
    EXPECT_EQ(control<QTableView>(main, "MSFlexGrid1")->editTriggers(),
              QAbstractItemView::NoEditTriggers);

    const auto& request = dialogs.fileDialogs().front();
    EXPECT_EQ(request.filter,
              "Excel (*.xls)|*.xls|Text (*.txt)|*.txt|Excel workbook (*.xlsx)|*.xlsx|"
              "OpenDocument spreadsheet (*.ods)|*.ods|Separated values (*.csv *.tsv)|*.csv "
              "*.tsv|All data files|*.xls *.txt *.xlsx *.ods *.csv *.tsv");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(request.fileMustExist);
    EXPECT_EQ(request.fileName, "");
}

TEST_F(MainWindowTest, ACancelledOrFailedOpenKeepsTheGrid) {
    open(dir.write("a.txt", "1 2\n"), 2);
    const Table before = shownGrid(main);
    dialogs.cancelFileDialog();
    trigger(main, "mnuOpen");
    // The dialog keeps the last filter and forgets the file name.
    ASSERT_EQ(dialogs.fileDialogs().size(), 2u);
    EXPECT_EQ(dialogs.fileDialogs()[1].filterIndex, 2);
    EXPECT_EQ(dialogs.fileDialogs()[1].fileName, "");
    EXPECT_TRUE(dialogs.messages().empty());

    const auto gone = dir.path() / "gone.txt";
    const auto notAWorkbook = dir.write("data.xls", "1 2\r\n");
    const auto damaged = dir.path() / "damaged.xls";  // a sheet without its end
    testing::writeBiffWorkbook(
        damaged, {.biff8 = true, .sheets = {{.rows = {{1.0, 2.0}}, .endRecord = false}}});
    const struct {
        std::filesystem::path file;
        int filter;
        std::string box;
    } cases[] = {
        {gone, 2, "Error: 53\r\nFile not found: " + gone.string() + "\r\n"},
        {notAWorkbook, 1,
         "Error: 3274\r\nExternal table is not in the expected format: " + notAWorkbook.string() +
             " is not an Excel 97-2003 or 5.0/95 workbook (.xls): it is a text file; choose \"Text "
             "(*.txt)\" or \"All data files\" to open it (tesselin-cli: --format text, or no "
             "--format).\r\n"},
        {damaged, 1,
         "Error: 3274\r\nExternal table is not in the expected format: " + damaged.string() +
             " is damaged or incomplete (the stream ends before the end of the first "
             "worksheet).\r\n"},
    };
    for (const auto& c : cases) {
        dialogs.clear();
        open(c.file, c.filter);
        const auto shown = dialogs.messages();
        ASSERT_EQ(shown.size(), 1u) << c.file;
        EXPECT_EQ(shown[0].title, "Error");
        EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
        EXPECT_EQ(shown[0].text, c.box);
        EXPECT_EQ(shownGrid(main), before) << c.file;
    }
}

// A text file beyond the grid's rows is refused whole, as a CSV file is:
// the grid keeps what it held.
TEST_F(MainWindowTest, AnOverflowingFileIsRefusedWholeAndTheGridKeepsItsData) {
    open(dir.write("small.txt", "1 2\r\n3 4\r\n"), 2);
    const Table before = shownGrid(main);
    std::string bytes = "\r\n";
    for (int i = 2; i <= 32768; ++i) {
        bytes += std::to_string(i) + " 1\r\n";
    }
    open(dir.write("big.txt", bytes), 2);

    const auto shown = dialogs.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("Error: 6\r\nOverflow after line 32767", 0), 0u) << shown[0].text;
    EXPECT_EQ(shownGrid(main), before);
}

TEST_F(MainWindowTest, FileOpenReadsTheFirstSheetOfAWorkbookAndReplacesWhatWasThere) {
    open(dir.write("wide.txt", "1 2 3 4 5 6 7 8 9 10\r\n"), 2);
    open(kData / "basic.xls", 1);
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_EQ(shownGrid(main), (Table{{"Col. 0", "Col. 1", "Col. 2"},
                                      {"time", "value", "note"},
                                      {"0", "1.5", "first"},
                                      {"1", "-2.25", ""},
                                      {"2", "0.1", "\xc2\xb5-sensor"},
                                      {"3", "123456789.123", ""},
                                      {"4", "1E-07", ""},
                                      {"5", "", "gap"},
                                      {"1E+20", "7", ""}}));

    // "All data files": by content, with the names of a header in the captions.
    open(kData / "tables" / "libreoffice.ods", 6);
    const Table grid = shownGrid(main);
    EXPECT_EQ(grid[0], (std::vector<std::string>{"Col. 0 time", "Col. 1 mag", "Col. 2 double",
                                                 "Col. 3 sensor"}));
    EXPECT_EQ(grid[1], (std::vector<std::string>{"45000", "11.5", "23", "CCD-1"}));
    open(kData / "tables" / "libreoffice.ods", 3);  // the .xlsx filter: refused, grid kept
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("is an OpenDocument spreadsheet (.ods), not an "
                                              "Excel 2007 or later workbook (.xlsx)"),
              std::string::npos);
    EXPECT_EQ(shownGrid(main), grid);
    dialogs.clear();

    open(kData / "empty_first_sheet.xls", 1);
    EXPECT_EQ(shownGrid(main), (Table{{"Col. 0", "Col. 1"}}));
    // The Text filter refuses a workbook by what it is, and the grid keeps its data.
    open(kData / "formulas.xls", 2);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("is an Excel 97-2003 or 5.0/95 workbook (.xls), not "
                                              "text"),
              std::string::npos);
    EXPECT_EQ(shownGrid(main), (Table{{"Col. 0", "Col. 1"}}));
}

// A caption too long for its column keeps its beginning, "Col. 0", in view;
// captions and cells show their whole text under the mouse; a column keeps
// the width the user gives it, and a double click on the border of its
// caption fits it to its contents.
TEST_F(MainWindowTest, CaptionsAndCellsCanBeReadWhole) {
    auto* grid = control<QTableView>(main, "MSFlexGrid1");
    QHeaderView* captions = grid->horizontalHeader();
    const auto captionPicture = [&] {
        QCoreApplication::processEvents();
        return captions->grab(QRect(0, 0, captions->sectionSize(0), captions->height())).toImage();
    };
    open(dir.write("plain.txt", "1 2\r\n"), 2);
    const QImage plain = captionPicture();
    open(dir.write("named.csv",
                   "timestamp of the observation,mag,\n2022-01-01T01:52:21.5Z,11.214,\n"),
         6);
    const QImage named = captionPicture();

    const std::string caption = "Col. 0 timestamp of the observation";
    const std::string julian = "44562.0780266204";
    ASSERT_EQ(shownGrid(main), (Table{{caption, "Col. 1 mag", "Col. 2"}, {julian, "11.214", ""}}));
    const QAbstractItemModel* model = grid->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString().toStdString(),
              caption);
    EXPECT_EQ(model->index(0, 0).data(Qt::ToolTipRole).toString().toStdString(), julian);
    EXPECT_FALSE(model->index(0, 2).data(Qt::ToolTipRole).isValid());  // no empty tool tip

    // The caption is wider than its column: the part of it that holds
    // "Col. 0" looks as the caption "Col. 0" alone does.
    const QFontMetrics metrics(captions->font());
    ASSERT_GT(metrics.horizontalAdvance(QString::fromStdString(caption)), captions->sectionSize(0));
    const int columnNumber = metrics.horizontalAdvance(QStringLiteral("Col. 0")) + 3;
    ASSERT_EQ(plain.size(), named.size());
    EXPECT_EQ(plain.copy(0, 0, columnNumber, plain.height()),
              named.copy(0, 0, columnNumber, named.height()));

    grid->setColumnWidth(1, 200);
    main.resize(main.size() + QSize(40, 30));
    EXPECT_EQ(grid->columnWidth(1), 200);
    const QPoint border(captions->sectionViewportPosition(0) + captions->sectionSize(0) - 1,
                        captions->height() / 2);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, border, captions->mapToGlobal(border),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(captions->viewport(), &doubleClick);
    const QAbstractItemView* cells = grid;
    EXPECT_GE(captions->sectionSizeHint(0),
              metrics.horizontalAdvance(QString::fromStdString(caption)));
    EXPECT_GE(grid->columnWidth(0), captions->sectionSizeHint(0));
    EXPECT_GE(grid->columnWidth(0), cells->sizeHintForColumn(0));
}

// File > Open starts in the folder of the file last opened, File > Save
// and the charts' Save Image As in the folder last saved to: in this run and
// in the next. A folder that has gone since is not offered.
TEST_F(MainWindowTest, FileDialogsStartInTheFolderLastUsedForTheirPurpose) {
    const auto data = dir.path() / "data";
    const auto saved = dir.path() / "saved";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(saved);
    const auto startFolders = [&] {
        std::vector<std::string> folders;
        for (const FileRequest& request : dialogs.fileDialogs()) {
            folders.push_back(request.directory);
        }
        dialogs.clear();
        return folders;
    };
    using Folders = std::vector<std::string>;

    dialogs.cancelFileDialog();
    trigger(main, "mnuOpen");       // nothing chosen yet: the working folder
    open(data / "missing.txt", 2);  // a failed open still chose the folder
    dialogs.cancelFileDialog();
    trigger(main, "mnuOpen");
    open(dir.write("data/star.txt", "0 1\r\n1 3\r\n3 4\r\n"), 2);
    EXPECT_EQ(startFolders(), (Folders{"", "", data.string(), data.string()}));

    answers({"2", "0", "3"});
    const auto results = openResults();
    dialogs.chooseFile((saved / "results.txt").string(), 1);
    trigger(*results, "mnuSave");
    dialogs.cancelFileDialog();
    trigger(*results, "mnuSave");
    click(*results, "CmdGraph");
    dialogs.cancelFileDialog();
    control<ScatterChart>(*results, "MSChart1")->saveImageAs();
    dialogs.cancelFileDialog();
    trigger(main, "mnuOpen");
    EXPECT_EQ(startFolders(), (Folders{"", saved.string(), saved.string(), data.string()}));

    // The next run of the program.
    modGlobals nextGlobals;
    frmMain next(nextGlobals, dialogs);
    dialogs.cancelFileDialog();
    trigger(next, "mnuOpen");
    EXPECT_EQ(startFolders(), (Folders{data.string()}));

    std::filesystem::remove_all(data);
    dialogs.cancelFileDialog();
    trigger(next, "mnuOpen");
    EXPECT_EQ(startFolders(), (Folders{""}));
}

// Dates such as 3/1/2024 that read both ways: the window asks once which
// order the file uses, and reads them so.
TEST_F(MainWindowTest, AsksOnceWhichOrderDatesThatReadBothWaysAreWrittenIn) {
    const auto file = dir.write("log.csv", "time,mag\r\n3/1/2024 6:00,1\r\n4/1/2024,2\r\n");
    for (const auto& [answer, first] :
         {std::pair{MessageAnswer::Yes, serialOf(2024, 1, 3, 21600)},
          std::pair{MessageAnswer::No, serialOf(2024, 3, 1, 21600)}}) {
        dialogs.clear();
        dialogs.answerMessage(answer);
        open(file, 5);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].title, "Date Order");
        EXPECT_NE(dialogs.messages()[0].text.find(
                      "3/1/2024 6:00 is 3 January 2024 (day first) or 1 March 2024 (month first)"),
                  std::string::npos)
            << dialogs.messages()[0].text;
        EXPECT_EQ(shownGrid(main)[1][0], numberText(first));
    }
}

TEST_F(MainWindowTest, FileExitClosesTheWindowWithoutAQuestion) {
    open(dir.write("a.txt", "1 2\n"), 2);
    trigger(main, "mnuExit");
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(dialogs.messages().empty());
}

}  // namespace
}  // namespace tesselin
