#include "results/frmResults.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <fstream>
#include <iterator>

#include "common/modGlobals.h"
#include "shell/frmMain.h"
#include "support/CliRunner.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace tesselin {
namespace {

using Lines = std::vector<std::string>;

const std::string kBinsQ = "? Please enter the desired number of bins. [25]";
const std::string kMinQ = "? Please enter the minimum period length to search for. [0]";
std::string maxQ(const std::string& length) {
    return "? Please enter the maximum period length to search for. [" + length + "]";
}
std::string error(const std::string& text) {
    return "![Error] " + text;
}

// The worked example: points (0, 1), (1, 3), (3, 4).
const char* const kExample = "0 1\r\n1 3\r\n3 4\r\n";

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ResultsWindowTest : public ::testing::Test {
protected:
    ResultsWindowTest() : main(globals, dialogs) { main.show(); }

    void load(const std::string& text) {
        dialogs.chooseFile(dir.write("data.txt", text).string(), 2);
        main.findChild<QAction*>("mnuOpen")->trigger();
        dialogs.clear();
    }

    void answers(std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            dialogs.answerInput(text);
        }
    }

    // Opens the results window without the modal loop; the analysis runs
    // once the window is shown, as it does in the program.
    std::unique_ptr<frmResults> open() {
        auto window = std::make_unique<frmResults>(globals, dialogs, main);
        window->show();
        QCoreApplication::processEvents();
        return window;
    }

    template <typename T>
    static T* control(QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static std::vector<std::vector<std::string>> grid(QWidget& window) {
        const QAbstractItemModel* model = control<QTableView>(window, "MSFlexGrid1")->model();
        std::vector<std::vector<std::string>> rows(1);
        for (int c = 0; c < model->columnCount(); ++c) {
            rows[0].push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
        }
        for (int r = 0; r < model->rowCount(); ++r) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < model->columnCount(); ++c) {
                row.push_back(model->index(r, c).data().toString().toStdString());
            }
        }
        return rows;
    }

    static std::string text(QWidget& window, const char* name) {
        if (auto* box = window.findChild<QLineEdit*>(QString::fromLatin1(name))) {
            return box->text().toStdString();
        }
        return control<QLabel>(window, name)->text().toStdString();
    }

    static void click(QWidget& window, const char* name) {
        control<QPushButton>(window, name)->click();
    }

    modGlobals globals;
    testing::ScriptedDialogs dialogs;
    testing::TempDir dir;
    frmMain main;
};

TEST_F(ResultsWindowTest, RunsTheAnalysisWithTheAnswersGiven) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = open();

    EXPECT_EQ(dialogs.transcript(), (Lines{kBinsQ, kMinQ, maxQ("3")}));
    EXPECT_EQ(text(*window, "Text1"), "3");
    EXPECT_EQ(text(*window, "Text2"), "0");
    EXPECT_EQ(text(*window, "Text3"), "3");
    EXPECT_EQ(text(*window, "BinNumberLbl"), "2");
    EXPECT_EQ(text(*window, "MinPeriodLbl"), "0");
    EXPECT_EQ(text(*window, "MaxPeriodLbl"), "3");
    EXPECT_EQ(grid(*window), (std::vector<std::vector<std::string>>{
                                 {"Bin Start", "Bin End", "Midpoint", "Avg. Value", "Points"},
                                 {"0", "1.5", "0.75", "2", "1"},
                                 {"1.5", "3", "2.25", "2", "2"}}));
    EXPECT_EQ(window->windowTitle(), "Tesselin Analysis");
}

TEST_F(ResultsWindowTest, AsksAgainUntilEachAnswerIsAcceptable) {
    load("0 1\r\n10 3\r\n");
    answers({"0", "3.5", "-2.5", "", "12abc",  // bins
             "-1", "10", "9.99",               // minimum
             "5", "10.5", "9.99"});            // maximum
    const auto window = open();

    const std::string positive = error("The number of bins must be greater than 0.");
    const std::string integral = error("Please enter an integral number of bins.");
    EXPECT_EQ(
        dialogs.transcript(),
        (Lines{kBinsQ,
               positive,
               kBinsQ,
               integral,
               kBinsQ,
               positive,
               integral,
               kBinsQ,
               positive,
               kBinsQ,
               kMinQ,
               error("Invalid choice. The minimum period must be greater than or equal to 0."),
               kMinQ,
               error("The minimum period to search for must be shorter than the length of "
                     "the data set."),
               kMinQ,
               maxQ("10"),
               error("Invalid choice. The maximum period must be greater than or equal to "
                     "the minimum period."),
               maxQ("10"),
               error("The maximum period to search for must be shorter than the length of "
                     "the data set."),
               maxQ("10")}));
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
        Lines transcript;
        const char* length;
    } cases[] = {
        {"1\r\n2\r\n", {noData}, ""},         // column 1 is blank everywhere
        {"4 1\r\n4 2\r\n", {noLength}, "0"},  // all X equal
        {"4 1\r\n", {noLength}, "0"},         // a single point
    };
    for (const auto& c : cases) {
        load(c.data);
        const auto window = open();
        EXPECT_EQ(dialogs.transcript(), c.transcript) << c.data;
        EXPECT_EQ(text(*window, "Text1"), c.length);
        EXPECT_EQ(grid(*window).size(), 1u);
        dialogs.clear();
    }
}

TEST_F(ResultsWindowTest, ReportsEachPairOfRepeatedXValues) {
    load("5 1\r\n5 2\r\n6 0\r\n5 4\r\n");
    answers({"1", "0", "1"});
    const auto window = open();
    const std::string repeated = error(
        "Error. The data set contains a repeated value - 5. Please remove it manually and restart "
        "the program.");
    EXPECT_EQ(dialogs.transcript(),
              (Lines{kBinsQ, kMinQ, maxQ("1"), repeated, repeated, repeated}));
    EXPECT_EQ(grid(*window)[1], (std::vector<std::string>{"0", "1", "0.5", "2.3333333", "3"}));
}

TEST_F(ResultsWindowTest, SwitchesViewsAndRestartsFromEither) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = open();
    const auto state = [&] {
        return std::vector<bool>{
            control<QTableView>(*window, "MSFlexGrid1")->isVisible(),
            control<QWidget>(*window, "MSChart1")->isVisible(),
            control<QPushButton>(*window, "CmdGraph")->isVisible(),
            control<QPushButton>(*window, "CmdGraph")->isEnabled(),
            control<QPushButton>(*window, "GridBtn")->isVisible(),
            control<QPushButton>(*window, "GridBtn")->isEnabled(),
        };
    };
    const std::vector<bool> gridView = {true, false, true, true, false, false};
    const std::vector<bool> chartView = {false, true, false, false, true, true};
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
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false, false, true, true}));
    click(*window, "GridBtn");
    EXPECT_EQ(grid(*window).size(), 2u);  // the new results: one bin
}

TEST_F(ResultsWindowTest, TheAnalysisButtonOpensTheWindowModallyAndActsOnBack) {
    load(kExample);
    main.findChild<QLineEdit*>("XColumn")->setText("abc");
    main.findChild<QPushButton*>("Corrolate")->click();
    EXPECT_EQ(
        dialogs.transcript(),
        (Lines{"![Invalid Numerical Choice] Please enter valid column numbers to be plotted."}));
    main.findChild<QLineEdit*>("XColumn")->setText("0");

    const struct {
        const char* name;
        std::function<void(frmResults&)> leave;
        bool mainStays;
    } ways[] = {
        {"Back", [](frmResults& w) { click(w, "cmdBack"); }, true},
        {"close box", [](frmResults& w) { w.close(); }, true},
        {"File > Exit", [](frmResults& w) { w.findChild<QAction*>("mnuExit")->trigger(); }, false},
        {"Exit", [](frmResults& w) { click(w, "ExitCmd"); }, false},
    };
    for (const auto& way : ways) {
        main.show();
        dialogs.clear();
        answers({"2", "0", "3"});
        // The modal loop runs inside the click; leave the window from within it
        // once its analysis has run.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* window = qobject_cast<frmResults*>(QApplication::activeModalWidget());
            if (window != nullptr && !text(*window, "MaxPeriodLbl").empty()) {
                poll.stop();
                way.leave(*window);
            }
        });
        poll.start(5);
        main.findChild<QPushButton*>("Corrolate")->click();
        EXPECT_EQ(dialogs.transcript().size(), 3u) << way.name;
        EXPECT_EQ(main.isVisible(), way.mainStays) << way.name;
    }
}

TEST_F(ResultsWindowTest, RunsTheLargestAnalysisWhileTheWindowStaysResponsive) {
    std::string data;
    for (int i = 0; i < 32766; ++i) {
        data.append(std::to_string(i * 0.37 + (i % 11) * 0.01)).append(" ");
        data.append(std::to_string((i * 7919) % 1000)).append("\r\n");
    }
    load(data);
    answers({"32767", "0"});
    dialogs.acceptInputDefault();  // the maximum: the length of the data set
    int ticks = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
    clock.start(1);
    const auto window = open();
    clock.stop();
    (void)window;
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
    const auto window = open();
    const std::string expected =
        "Bin Start      Bin End        Midpoint       Avg. Value     Points        \r\n"
        "0              1.5            0.75           2              1             \r\n"
        "1.5            3              2.25           2              2             \r\n";
    const std::string ask = "[File exists] File already exists.  Overwrite existing file?";
    const auto target = dir.path() / "results";
    const auto other = dir.path() / "other.txt";

    const struct {
        const char* name;
        std::function<void()> script;
        Lines transcript;
        std::string targetAfter;
    } cases[] = {
        {"new file", [&] { dialogs.chooseFile(target.string(), 1); }, {"save"}, expected},
        {"Yes overwrites",
         [&] {
             dialogs.chooseFile(target.string(), 1);
             dialogs.answerMessage(MessageAnswer::Yes);
         },
         {"save", ask},
         expected},
        {"No asks for another name",
         [&] {
             dialogs.chooseFile(target.string(), 1);
             dialogs.answerMessage(MessageAnswer::No);
             dialogs.chooseFile(target.string(), 1);
             dialogs.answerMessage(MessageAnswer::No);
             dialogs.chooseFile(other.string(), 1);
         },
         {"save", ask, "save", ask, "save"},
         "old"},
        {"Cancel writes nothing",
         [&] {
             dialogs.chooseFile(target.string(), 1);
             dialogs.answerMessage(MessageAnswer::Cancel);
         },
         {"save", ask},
         "old"},
        {"cancelled dialog", [&] { dialogs.cancelFileDialog(); }, {"save"}, "old"},
    };
    for (const auto& c : cases) {
        if (std::string(c.name) != "new file") {
            std::ofstream(target, std::ios::binary) << "old";
        }
        dialogs.clear();
        c.script();
        window->findChild<QAction*>("mnuSave")->trigger();
        EXPECT_EQ(dialogs.transcript(), c.transcript) << c.name;
        EXPECT_EQ(fileText(target), c.targetAfter) << c.name;
    }
    EXPECT_EQ(fileText(other), expected);
    const testing::CliRun cli =
        testing::runTesselinCli((dir.path() / "data.txt").string() + " --x 0 --y 1 --bins 2", dir);
    EXPECT_EQ(cli.out, fileText(other)) << cli.err;
    const auto& request = dialogs.shown().front().file;
    EXPECT_EQ(request.filter, "Text (*.txt)|*.txt");
    EXPECT_EQ(request.fileName, "");
}

TEST_F(ResultsWindowTest, ASaveThatFailsShowsOneBoxAndKeepsTheOldFile) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = open();
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
    window->findChild<QAction*>("mnuSave")->trigger();

    const auto shown = dialogs.messages();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().title, "Error");
    EXPECT_EQ(shown.back().text.rfind("Error: 70\r\nPermission denied: ", 0), 0u)
        << shown.back().text;
    if (geteuid() != 0) {
        EXPECT_EQ(fileText(readOnly / "results.txt"), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(readOnly),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

TEST_F(ResultsWindowTest, SavesTheLastCompletedAnalysisAndNothingBeforeOne) {
    load("1\r\n2\r\n");  // no data in column 1
    auto window = open();
    dialogs.clear();
    window->findChild<QAction*>("mnuSave")->trigger();  // no name is asked for
    EXPECT_EQ(dialogs.transcript(),
              (Lines{"[Error] Error: 9\r\nThere are no results to save: no analysis has been "
                     "completed yet.\r\n"}));

    load(kExample);
    answers({"2", "0", "3"});
    window = open();
    load("1\r\n2\r\n");
    window = open();  // ends with the no-data warning
    dialogs.chooseFile((dir.path() / "last.txt").string(), 1);
    window->findChild<QAction*>("mnuSave")->trigger();
    EXPECT_EQ(fileText(dir.path() / "last.txt").substr(76, 15), "0              ");
}

}  // namespace
}  // namespace tesselin
