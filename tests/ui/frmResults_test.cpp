#include "results/frmResults.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <fstream>
#include <iterator>

#include "support/CliRunner.h"
#include "support/WindowTest.h"

namespace tesselin {
namespace {

using Lines = std::vector<std::string>;
using testing::Table;

using testing::fileText;
using testing::kBinsQ;
using testing::kMinQ;
using testing::maxQ;
std::string error(const std::string& text) {
    return "![Error] " + text;
}

// The worked example: points (0, 1), (1, 3), (3, 4).
const char* const kExample = "0 1\r\n1 3\r\n3 4\r\n";
const Table kExampleResults = {{"Bin Start", "Bin End", "Midpoint", "Avg. Value", "Points"},
                               {"0", "1.5", "0.75", "2", "1"},
                               {"1.5", "3", "2.25", "2", "2"}};

using ResultsWindowTest = testing::WindowTest;

TEST_F(ResultsWindowTest, AsksAgainUntilEachAnswerIsAcceptable) {
    load("0 1\r\n10 3\r\n");
    answers({"0", "3.5", "-2.5", "", "12abc",  // bins
             "-1", "10", "9.99",               // minimum
             "5", "10.5", "9.99"});            // maximum
    const auto window = openResults();

    const std::string positive = error("The number of bins must be greater than 0.");
    const std::string integral = error("Please enter an integral number of bins.");
    const std::string negative =
        error("Invalid choice. The minimum period must be greater than or equal to 0.");
    const std::string minTooLong =
        error("The minimum period to search for must be shorter than the length of the data set.");
    const std::string belowMin = error(
        "Invalid choice. The maximum period must be greater than or equal to the minimum period.");
    const std::string maxTooLong =
        error("The maximum period to search for must be shorter than the length of the data set.");
    const std::string maxQ10 = maxQ("10");
    EXPECT_EQ(dialogs.transcript(),
              (Lines{kBinsQ, positive, kBinsQ,   integral, kBinsQ,     positive, integral,
                     kBinsQ, positive, kBinsQ,   kMinQ,    negative,   kMinQ,    minTooLong,
                     kMinQ,  maxQ10,   belowMin, maxQ10,   maxTooLong, maxQ10}));
    EXPECT_EQ(text(*window, "BinNumberLbl"), "12");
    EXPECT_EQ(text(*window, "MinPeriodLbl"), "9.99");
    EXPECT_EQ(text(*window, "MaxPeriodLbl"), "9.99");
}

TEST_F(ResultsWindowTest, StopsWithAWarningWhenThereIsNothingToAnalyse) {
    const std::string noData =
        "![Warning:  No Data to Analyze] The selected columns do not contain numerical data.  "
        "Please return to the previous form and ensure that the selected column numbers contain "
        "valid data.";
    const std::string noLength =
        "![Warning:  No Data to Analyze] The data set has a length of 0.  At least two different "
        "X values are needed for an analysis.";
    const struct {
        const char* data;
        std::string box;
        const char* length;
    } cases[] = {
        {"1\r\n2\r\n", noData, ""},         // column 1 is blank everywhere
        {"4 1\r\n4 2\r\n", noLength, "0"},  // all X equal
        {"4 1\r\n", noLength, "0"},         // a single point
    };
    for (const auto& c : cases) {
        load(c.data);
        const auto window = openResults();
        EXPECT_EQ(dialogs.transcript(), Lines{c.box}) << c.data;
        EXPECT_EQ(text(*window, "Text1"), c.length);
        EXPECT_EQ(shownGrid(*window).size(), 1u);
    }
}

// X values of any size give their true first and last point; a pair at the
// maximum lands in the last bin; numbers beyond a double's range stop the
// run with an error box instead of an empty table.
TEST_F(ResultsWindowTest, AnalysesAnyXTheFileHoldsOrSaysWhyNot) {
    const std::string length = error(
        "The data set's length (its largest X less its smallest) is beyond the largest number, "
        "1.79769313486232E+308, so it cannot be analysed.  Check the X column for values such as "
        "1E+308.");
    const std::string bins = error(
        "The bins cannot be formed: an edge or midpoint of them would lie beyond the largest "
        "number, 1.79769313486232E+308.  Choose a smaller maximum period.");
    const struct {
        const char* data;
        std::vector<std::string> answers;
        Lines boxes;
        const char* first;
        Table results;
    } cases[] = {
        {"1700000000 1\r\n1700086400 3\r\n",
         {"1", "0", "86400"},
         {kBinsQ, kMinQ, maxQ("86400")},
         "1700000000",
         {kExampleResults[0], {"0", "86400", "43200", "2", "1"}}},
        {"0 1\r\n0.7 2\r\n",
         {"3", "0", "0.7"},
         {"? Please enter the desired number of bins. [25]", kMinQ, maxQ("0.7")},
         "0",
         {kExampleResults[0], {"0.4666667", "0.7", "0.5833333", "1", "1"}}},
        {"-1E308 1\r\n1E308 2\r\n", {}, {length}, "-1E+308", {Lines{}}},
        {"0 1\r\n1.7E308 2\r\n",
         {"25", "0", "1.7E+308"},
         {kBinsQ, kMinQ, maxQ("1.7E+308"), bins},
         "0",
         {Lines{}}},
    };
    for (const auto& c : cases) {
        load(c.data);
        for (const std::string& answer : c.answers) {
            dialogs.answerInput(answer);
        }
        const auto window = openResults();
        EXPECT_EQ(dialogs.transcript(), c.boxes) << c.data;
        EXPECT_EQ(text(*window, "Text2"), c.first) << c.data;
        EXPECT_EQ(shownGrid(*window), c.results) << c.data;
        dialogs.clear();
    }
}

// In separated values a cell that is no number leaves its row out, and one
// box after the summary says so; the preview leaves the same rows out.
TEST_F(ResultsWindowTest, SaysWhichRowsItLeftOutAsNoNumbers) {
    open(dir.write("sensor.csv", "t,mag\r\n0,1\r\n1,NA\r\n2,n/a\r\n3,4\r\n"), 5);
    dialogs.clear();
    answers({"1", "0", "3"});
    const auto window = openResults();
    EXPECT_EQ(dialogs.transcript(),
              (Lines{"![Warning] 2 rows left out: 'NA' in row 2 of Col. 1 mag and 1 more X or Y "
                     "cells are neither numbers nor dates.",
                     kBinsQ, kMinQ, maxQ("3")}));
    EXPECT_EQ(shownGrid(*window)[1], (Lines{"0", "3", "1.5", "3", "1"}));
}

TEST_F(ResultsWindowTest, ReportsTheFirstPairOfRepeatedXValuesAndThenAllOfThem) {
    load("5 1\r\n5 2\r\n6 0\r\n5 4\r\n");
    answers({"1", "0", "1"});
    const auto window = openResults();
    const std::string first = error(
        "Error. The data set contains a repeated value - 5. Please remove it manually and restart "
        "the program.");
    const std::string all = error(
        "In all, 3 pairs of points with equal X were left out of the analysis. 1 X value occurs "
        "more than once: 5 (3 times).");
    EXPECT_EQ(dialogs.transcript(), (Lines{kBinsQ, kMinQ, maxQ("1"), first, all}));
    EXPECT_EQ(shownGrid(*window)[1], (Lines{"0", "1", "0.5", "2.3333333", "3"}));
}

TEST_F(ResultsWindowTest, RunsTheAnalysisSwitchesViewsAndRestartsFromEither) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = openResults();
    EXPECT_EQ(dialogs.transcript(), (Lines{kBinsQ, kMinQ, maxQ("3")}));
    const Lines shown = {text(*window, "Text1"),        text(*window, "Text2"),
                         text(*window, "Text3"),        text(*window, "BinNumberLbl"),
                         text(*window, "MinPeriodLbl"), text(*window, "MaxPeriodLbl")};
    EXPECT_EQ(shown, (Lines{"3", "0", "3", "2", "0", "3"}));
    const auto* length = control<QLineEdit>(*window, "Text1");  // its beginning shows
    EXPECT_EQ(length->cursorPosition(), 0);
    EXPECT_EQ(length->toolTip(), "3");
    EXPECT_EQ(shownGrid(*window), kExampleResults);
    EXPECT_EQ(window->windowTitle(), "Tesselin Analysis");

    // Visible: grid, chart, Graph, Spreadsheet; enabled: Graph, Spreadsheet.
    const auto state = [&] {
        const auto* graph = control<QPushButton>(*window, "CmdGraph");
        const auto* spreadsheet = control<QPushButton>(*window, "GridBtn");
        return std::vector<bool>{control<QTableView>(*window, "MSFlexGrid1")->isVisible(),
                                 control<QWidget>(*window, "MSChart1")->isVisible(),
                                 graph->isVisible(),
                                 spreadsheet->isVisible(),
                                 graph->isEnabled(),
                                 spreadsheet->isEnabled()};
    };
    const std::vector<bool> gridView = {true, false, true, false, true, false};
    const std::vector<bool> chartView = {false, true, false, true, false, true};
    EXPECT_EQ(state(), gridView);
    click(*window, "CmdGraph");
    EXPECT_EQ(state(), chartView);
    click(*window, "GridBtn");
    EXPECT_EQ(state(), gridView);

    click(*window, "CmdGraph");
    dialogs.clear();
    answers({"1", "0", "3"});
    click(*window, "CmdRestart");
    EXPECT_EQ(dialogs.transcript(), (Lines{kBinsQ, kMinQ, maxQ("3")}));
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false, true, false, true}));
    click(*window, "GridBtn");
    EXPECT_EQ(shownGrid(*window).size(), 2u);  // the new results: one bin
}

// Whether a text box shows the whole of its text: with the cursor at its
// end, the beginning of the text is still in view.
bool showsWholeText(QLineEdit& box) {
    const int position = box.cursorPosition();
    box.setCursorPosition(static_cast<int>(box.text().size()));
    box.grab();  // the box scrolls its text as it paints
    const bool whole = box.cursorPositionAt(QPoint(3, box.height() / 2)) == 0;
    box.setCursorPosition(position);
    return whole;
}

// Long values, as Julian dates and answers with many digits give them, show
// whole at the designed size.
TEST_F(ResultsWindowTest, ShowsTheSummaryAndTheAnswersWhole) {
    load("2459990.1453 1\r\n2460287.999999 3\r\n2460100.5 2\r\n");
    answers({"32767", "0.000123456789012", "297.854699000157"});
    const auto window = openResults();
    const Lines shown = {text(*window, "Text1"),        text(*window, "Text2"),
                         text(*window, "Text3"),        text(*window, "BinNumberLbl"),
                         text(*window, "MinPeriodLbl"), text(*window, "MaxPeriodLbl")};
    EXPECT_EQ(shown, (Lines{"297.854699000251", "2459990.1453", "2460287.999999", "32767",
                            "0.000123456789012", "297.854699000157"}));
    for (const char* name : {"Text1", "Text2", "Text3"}) {
        auto* box = control<QLineEdit>(*window, name);
        EXPECT_TRUE(showsWholeText(*box)) << name;
        EXPECT_EQ(box->cursorPosition(), 0) << name;
    }
    for (const char* name : {"BinNumberLbl", "MinPeriodLbl", "MaxPeriodLbl"}) {
        const auto* label = control<QLabel>(*window, name);
        EXPECT_GE(label->width(), label->sizeHint().width()) << name;
    }
    // They stay short of the next column.
    EXPECT_LT(control<QLineEdit>(*window, "Text1")->geometry().right(),
              control<QLabel>(*window, "BinNumberLbl")->geometry().left());
    EXPECT_LT(control<QLabel>(*window, "MaxPeriodLbl")->geometry().right(),
              control<QPushButton>(*window, "ExitCmd")->geometry().left());
}

TEST_F(ResultsWindowTest, TheAnalysisButtonOpensTheWindowModallyAndActsOnBack) {
    load(kExample);
    control<QLineEdit>(main, "XColumn")->setText("abc");
    click(main, "Corrolate");
    EXPECT_EQ(
        dialogs.transcript(),
        (Lines{"![Invalid Numerical Choice] Please enter valid column numbers to be plotted."}));
    control<QLineEdit>(main, "XColumn")->setText("0");

    const struct {
        const char* name;
        std::function<void(frmResults&)> leave;
        bool mainStays;
    } ways[] = {
        {"Back", [](frmResults& w) { click(w, "cmdBack"); }, true},
        {"close box", [](frmResults& w) { w.close(); }, true},
        {"File > Exit", [](frmResults& w) { trigger(w, "mnuExit"); }, false},
        {"Exit", [](frmResults& w) { click(w, "ExitCmd"); }, false},
    };
    for (const auto& way : ways) {
        main.show();
        dialogs.clear();
        answers({"2", "0", "3"});
        // The modal loop runs inside the click; leave the window from within
        // it once its results show.
        bool inFront = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* window = qobject_cast<frmResults*>(QApplication::activeModalWidget());
            if (window != nullptr && shownGrid(*window).size() > 1) {
                poll.stop();
                inFront = QApplication::activeWindow() == window;
                way.leave(*window);
            }
        });
        poll.start(5);
        main.activateWindow();
        click(main, "Corrolate");
        EXPECT_EQ(dialogs.transcript().size(), 3u) << way.name;
        EXPECT_EQ(main.isVisible(), way.mainStays) << way.name;
        // The results window came to the front; leaving it for the main
        // window brings that to the front.
        EXPECT_TRUE(inFront) << way.name;
        QCoreApplication::processEvents();
        if (way.mainStays) {
            EXPECT_EQ(QApplication::activeWindow(), &main) << way.name;
        }
    }
}

TEST_F(ResultsWindowTest, RunsTheLargestAnalysisWhileTheWindowStaysResponsive) {
    std::string data;
    for (int i = 0; i < 32766; ++i) {
        data += std::to_string(i * 0.37 + (i % 11) * 0.01) + " " +
                std::to_string((i * 7919) % 1000) + "\r\n";
    }
    load(data);
    answers({"32767", "0"});
    dialogs.acceptInputDefault();  // the maximum: the length of the data set
    int ticks = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
    clock.start(1);
    const auto window = openResults();
    clock.stop();
    EXPECT_EQ(globals.BinTable.size(), 32767u);
    double pairs = 0;
    for (const BinRow& bin : globals.BinTable) {
        pairs += bin.count;
    }
    EXPECT_GE(pairs, 32766.0 * 32765 / 2);  // every pair counted, some on two edges
    EXPECT_GT(ticks, 0) << "the event loop did not run during the computation";
}

TEST_F(ResultsWindowTest, SavesTheResultsAndAsksBeforeOverwriting) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = openResults();
    const std::string expected =
        "Bin Start      Bin End        Midpoint       Avg. Value     Points        \r\n"
        "0              1.5            0.75           2              1             \r\n"
        "1.5            3              2.25           2              2             \r\n";
    const std::string ask = "[File exists] File already exists.  Overwrite existing file?";
    const auto target = (dir.path() / "results").string();  // no extension is added
    const auto other = dir.path() / "other.txt";
    const auto yes = MessageAnswer::Yes;
    const auto no = MessageAnswer::No;

    const struct {
        const char* name;
        Lines chosen;  // file names; "" cancels the dialog
        std::vector<MessageAnswer> replies;
        Lines transcript;
        std::string targetAfter;
    } cases[] = {
        {"new file", {target}, {}, {"save"}, expected},
        {"Yes overwrites", {target}, {yes}, {"save", ask}, expected},
        {"No asks again",
         {target, target, other},
         {no, no},
         {"save", ask, "save", ask, "save"},
         "old"},
        {"Cancel writes nothing", {target}, {MessageAnswer::Cancel}, {"save", ask}, "old"},
        {"cancelled dialog", {""}, {}, {"save"}, "old"},
    };
    for (const auto& c : cases) {
        if (std::string(c.name) != "new file") {
            std::ofstream(target, std::ios::binary) << "old";
        }
        dialogs.clear();
        for (const std::string& name : c.chosen) {
            name.empty() ? dialogs.cancelFileDialog() : dialogs.chooseFile(name, 1);
        }
        for (const MessageAnswer reply : c.replies) {
            dialogs.answerMessage(reply);
        }
        trigger(*window, "mnuSave");
        EXPECT_EQ(dialogs.transcript(), c.transcript) << c.name;
        EXPECT_EQ(fileText(target), c.targetAfter) << c.name;
    }
    EXPECT_EQ(fileText(other), expected);
    const testing::CliRun cli =
        testing::runTesselinCli((dir.path() / "data.txt").string() + " --x 0 --y 1 --bins 2", dir);
    EXPECT_EQ(cli.out, expected) << cli.err;
    const auto& request = dialogs.fileDialogs().front();
    EXPECT_EQ(request.filter, "Text (*.txt)|*.txt");
    EXPECT_EQ(request.fileName, "");
}

// Separated values, ISO timestamps and a workbook of another writer: opened by
// content, analysed with the defaults, saved as tesselin-cli writes them.
TEST_F(ResultsWindowTest, SavesWhatTheBatchCompanionWritesForEveryFormOfTheData) {
    const auto tables = std::filesystem::path(TESSELIN_TEST_DATA_DIR) / "tables";
    for (const char* file : {"decimal_commas.csv", "timestamps.tsv", "openpyxl.xlsx"}) {
        open(tables / file, 6);
        for (int question = 0; question < 3; ++question) {
            dialogs.acceptInputDefault();
        }
        const auto window = openResults();
        const auto saved = dir.path() / (std::string(file) + ".results");
        dialogs.chooseFile(saved.string(), 1);
        trigger(*window, "mnuSave");
        const auto cli = testing::runTesselinCli((tables / file).string() + " --x 0 --y 1", dir);
        EXPECT_EQ(fileText(saved), cli.out) << file;
        EXPECT_FALSE(cli.out.empty()) << cli.err;
    }
}

TEST_F(ResultsWindowTest, ASaveThatFailsShowsOneBoxAndKeepsTheOldFile) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = openResults();
    // Root may write anywhere except into a file system that takes no files.
    const std::filesystem::path readOnly = geteuid() == 0 ? "/sys" : dir.path() / "locked";
    if (geteuid() != 0) {
        std::filesystem::create_directory(readOnly);
        std::ofstream(readOnly / "results.txt") << "old";
        std::filesystem::permissions(
            readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    dialogs.chooseFile((readOnly / "results.txt").string(), 1);
    dialogs.answerMessage(MessageAnswer::Yes);
    trigger(*window, "mnuSave");

    const auto shown = dialogs.messages();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().title, "Error");
    EXPECT_EQ(shown.back().text.rfind("Error: 70\r\nPermission denied: ", 0), 0u)
        << shown.back().text;
    if (geteuid() != 0) {
        EXPECT_EQ(fileText(readOnly / "results.txt"), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(readOnly), {}), 1);
    }
}

TEST_F(ResultsWindowTest, SavesTheLastCompletedAnalysisAndNothingBeforeOne) {
    load("1\r\n2\r\n");  // no data in column 1
    auto window = openResults();
    dialogs.clear();
    trigger(*window, "mnuSave");  // no name is asked for
    EXPECT_EQ(dialogs.transcript(),
              (Lines{"[Error] Error: 9\r\nThere are no results to save: no analysis has been "
                     "completed yet.\r\n"}));

    load(kExample);
    answers({"2", "0", "3"});
    window = openResults();
    load("1\r\n2\r\n");
    window = openResults();  // ends with the no-data warning
    dialogs.chooseFile((dir.path() / "last.txt").string(), 1);
    trigger(*window, "mnuSave");
    EXPECT_EQ(fileText(dir.path() / "last.txt").substr(76, 15), "0              ");
}

}  // namespace
}  // namespace tesselin
