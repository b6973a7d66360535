#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>

#include "platform/twips.h"
#include "results/results_layout.h"
#include "shell/main_layout.h"
#include "support/WindowTest.h"

namespace tesselin {
namespace {

using testing::Table;
using Rect = std::array<int, 4>;  // left, top, width, height

Rect of(const TwipsRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// The worked examples of both layouts, and where their rules change.
TEST(WindowLayouts, PlaceTheControlsOfTheWorkedExamples) {
    const MainLayout main = mainWindowLayout(7700, 6730);
    EXPECT_EQ(of(main.chart), (Rect{385, 100, 6930, 3028}));
    EXPECT_EQ(of(main.grid), (Rect{385, 3230, 5200, 2500}));
    EXPECT_EQ(of(main.label1), (Rect{6000, 3180, 1300, 375}));
    EXPECT_EQ(of(main.corrolate), (Rect{6000, 5280, 1215, 495}));
    EXPECT_EQ(mainWindowLayout(1000, 500).grid.width, 0);  // never negative
    EXPECT_EQ(mainWindowLayout(1000, 500).chart.height, 0);

    const ResultsLayout designed = resultsWindowLayout(8760, 7530);
    EXPECT_EQ(of(designed.chart), (Rect{438, 200, 7884, 4141}));
    EXPECT_EQ(of(designed.grid), (Rect{438, 200, 7884, 4141}));  // the width less its margins
    EXPECT_EQ(of(designed.Label1), (Rect{840, 4560, 1575, 255}));
    EXPECT_EQ(of(designed.ExitCmd), (Rect{6720, 6240, 1215, 375}));
    EXPECT_EQ(designed.valueBoxRoom, 4320 - 1560 - 100);  // up to the next column
    EXPECT_EQ(designed.valueLabelRoom, 6720 - 4320 - 100);
    EXPECT_EQ(of(resultsWindowLayout(10000, 8000).Label1), (Rect{958, 5030, 1575, 255}));
    EXPECT_EQ(of(resultsChartOnGraph(10000, 8000)), (Rect{500, 500, 9000, 4000}));
    EXPECT_EQ(resultsWindowLayout(8760, 4001).chart.height, 651);
    EXPECT_EQ(resultsWindowLayout(8760, 3000).grid.height, 0);
}

// Where the window is lower than designed (no frame around it, or made
// smaller), the main chart ends above the grid's captions and the results
// grid and chart above the Graph button; with no room left they have none.
TEST(WindowLayouts, NothingCoversTheGridsAtAnyHeight) {
    constexpr int kGap = 100;
    const int frameless = 6075 + 300;  // the designed client area and a menu bar
    for (const int height : {6730, 6544, 6543, frameless, 5000, 3600, 2000}) {
        const MainLayout main = mainWindowLayout(7700, height);
        EXPECT_GE(main.chart.height, 0) << height;
        if (main.chart.height > 0) {
            EXPECT_LE(main.chart.top + main.chart.height, main.grid.top - kGap) << height;
        }
    }
    EXPECT_EQ(mainWindowLayout(7530, frameless).chart.height, frameless - 3500 - 200);

    for (const int height : {7530, 7222, 7125, 6000, 4001, 3000}) {
        const ResultsLayout results = resultsWindowLayout(8760, height);
        const TwipsRect onGraph = resultsChartOnGraph(8760, height);
        for (const TwipsRect& upper : {results.grid, results.chart, onGraph}) {
            EXPECT_GE(upper.height, 0) << height;
            if (upper.height > 0) {
                EXPECT_LE(upper.top + upper.height, results.CmdGraph.top - kGap) << height;
            }
        }
        EXPECT_EQ(of(results.GridBtn), of(results.CmdGraph));
    }
    // At the designed height the rules of the design hold unchanged.
    EXPECT_EQ(resultsChartOnGraph(8760, 7530).height, 3765);
}

using WindowLayoutTest = testing::WindowTest;

// The real windows open at their designed client size and apply the layout
// to their outer size on every resize.
TEST_F(WindowLayoutTest, TheRealWindowsFollowTheirSize) {
    EXPECT_EQ(main.centralWidget()->width(), twipsToPixels(7530));
    main.resize(800, 600);
    const QSize outer = main.frameGeometry().size();
    const MainLayout expected =
        mainWindowLayout(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()));
    const QRect grid = control<QTableView>(main, "MSFlexGrid1")->geometry();
    EXPECT_EQ(grid.top(), twipsToPixels(expected.grid.top));
    EXPECT_EQ(grid.width(), twipsToPixels(expected.grid.width));

    const auto results = openResults();
    EXPECT_EQ(control<QPushButton>(*results, "ExitCmd")->parentWidget()->width(),
              twipsToPixels(8670));
    results->resize(700, 650);
    const QSize resultsOuter = results->frameGeometry().size();
    const ResultsLayout panel = resultsWindowLayout(pixelsToTwips(resultsOuter.width()),
                                                    pixelsToTwips(resultsOuter.height()));
    EXPECT_EQ(control<QPushButton>(*results, "ExitCmd")->geometry().topLeft(),
              QPoint(twipsToPixels(panel.ExitCmd.left), twipsToPixels(panel.ExitCmd.top)));
}

// A main window whose window manager reports a title bar after the window is
// shown, as real ones do.
class FramedMain : public frmMain {
public:
    using frmMain::frmMain;
    int titleBar = 0;  // pixels

protected:
    QSize outerSize() const override { return frmMain::outerSize() + QSize(0, titleBar); }
};

TEST_F(WindowLayoutTest, TheMainWindowLaysOutAgainWhenItsFrameIsReported) {
    FramedMain framed(globals, dialogs);
    framed.show();
    auto* chart = control<QWidget>(framed, "MSChart1");
    auto* grid = control<QTableView>(framed, "MSFlexGrid1");
    const QRect before = chart->geometry();
    QMoveEvent unchanged(framed.pos(), framed.pos());
    QCoreApplication::sendEvent(&framed, &unchanged);
    EXPECT_EQ(chart->geometry(), before);  // no frame reported: nothing moves
    EXPECT_LT(before.bottom(), grid->geometry().top());

    framed.titleBar = 30;
    QMoveEvent intoFrame(framed.pos() + QPoint(0, 30), framed.pos());
    QCoreApplication::sendEvent(&framed, &intoFrame);
    const QSize outer = framed.frameGeometry().size() + QSize(0, 30);
    const MainLayout expected =
        mainWindowLayout(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()));
    EXPECT_EQ(chart->height(), twipsToPixels(expected.chart.height));
    EXPECT_NE(chart->geometry(), before);
    EXPECT_LT(chart->geometry().bottom(), grid->geometry().top());
}

// The real windows as they open without a frame, at the designed size and
// made smaller: the preview never covers the grid, the results window's
// Graph and Spreadsheet buttons never cover its grid or chart.
TEST_F(WindowLayoutTest, TheChartsAndButtonsKeepOffTheGrids) {
    load("0 1\r\n1 3\r\n3 4\r\n");
    answers({"2", "0", "3"});
    const auto results = openResults();
    auto* preview = control<QWidget>(main, "MSChart1");
    auto* mainGrid = control<QTableView>(main, "MSFlexGrid1");
    click(main, "MakeGraph");
    auto* grid = control<QTableView>(*results, "MSFlexGrid1");
    auto* chart = control<QWidget>(*results, "MSChart1");
    auto* graph = control<QPushButton>(*results, "CmdGraph");
    auto* spreadsheet = control<QPushButton>(*results, "GridBtn");

    const QSize opened = main.size();
    const QSize resultsOpened = results->size();
    for (const int lower : {0, 40, 120}) {
        main.resize(opened - QSize(0, lower));
        results->resize(resultsOpened - QSize(0, lower));
        EXPECT_TRUE(preview->isVisible());
        EXPECT_LT(preview->geometry().bottom(), mainGrid->geometry().top()) << lower;
        EXPECT_FALSE(graph->geometry().intersects(grid->geometry())) << lower;
        click(*results, "CmdGraph");
        EXPECT_FALSE(spreadsheet->geometry().intersects(chart->geometry())) << lower;
        click(*results, "GridBtn");
    }
}

// At the designed size, with and without a frame, the results grid shows
// its five columns side by side and every value of up to 14 characters
// whole, with rows enough for a vertical scroll bar.
TEST_F(WindowLayoutTest, TheResultsGridShowsWholeValuesWithoutAHorizontalScrollBar) {
    std::string data;
    for (int i = 0; i < 60; ++i) {
        data +=
            std::to_string(i * 20576.131687) + " " + std::to_string(i % 7 * 1234.5678901) + "\r\n";
    }
    load(data);
    answers({"100", "0"});
    dialogs.acceptInputDefault();
    const auto results = openResults();
    auto* grid = control<QTableView>(*results, "MSFlexGrid1");
    const Table shown = shownGrid(*results);
    ASSERT_GT(shown.size(), 40u);
    std::size_t longest = 0;
    for (const auto& row : shown) {
        for (const std::string& value : row) {
            longest = std::max(longest, value.size());
        }
    }
    EXPECT_EQ(longest, 14u);

    const QSize designedOuter(twipsToPixels(kResultsDesignedWidth),
                              twipsToPixels(kResultsDesignedHeight));
    for (const QSize size : {results->size(), designedOuter}) {
        results->resize(size);
        QCoreApplication::processEvents();
        EXPECT_TRUE(grid->verticalScrollBar()->isVisible());
        EXPECT_FALSE(grid->horizontalScrollBar()->isVisible()) << size.width();
        const int last = grid->model()->columnCount() - 1;
        ASSERT_EQ(last, 4);
        EXPECT_LE(grid->columnViewportPosition(last) + grid->columnWidth(last),
                  grid->viewport()->width());
        const QAbstractItemView* cells = grid;  // its size hints are public there
        for (int c = 0; c <= last; ++c) {
            EXPECT_GE(grid->columnWidth(c), cells->sizeHintForColumn(c)) << c;
            EXPECT_GE(grid->columnWidth(c), grid->horizontalHeader()->sectionSizeHint(c)) << c;
        }
    }
}

}  // namespace
}  // namespace tesselin
