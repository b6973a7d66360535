#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "common/modGlobals.h"
#include "platform/twips.h"
#include "results/frmResults.h"
#include "results/results_layout.h"
#include "shell/frmMain.h"
#include "shell/main_layout.h"
#include "support/ScriptedDialogs.h"

namespace tesselin {
namespace {

using Rect = std::array<int, 4>;  // left, top, width, height

Rect of(const TwipsRect& r) {
    return {r.left, r.top, r.width, r.height};
}

TEST(MainWindowLayout, PlacesTheControlsOfTheWorkedExample) {
    const MainLayout layout = mainWindowLayout(7700, 6730);
    EXPECT_EQ(of(layout.chart), (Rect{385, 100, 6930, 3028}));
    EXPECT_EQ(of(layout.grid), (Rect{385, 3230, 5200, 2500}));
    EXPECT_EQ(layout.gridColumnWidth, 1200);
    const TwipsRect* column[] = {&layout.label1,  &layout.xColumn,   &layout.label2,
                                 &layout.yColumn, &layout.makeGraph, &layout.corrolate};
    const int tops[] = {3180, 3430, 3930, 4230, 4730, 5280};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(column[i]->left, 6000) << i;
        EXPECT_EQ(column[i]->top, tops[i]) << i;
    }
}

TEST(MainWindowLayout, FollowsTheWindowSizeAndNeverGoesNegative) {
    const MainLayout base = mainWindowLayout(7700, 6730);
    const MainLayout taller = mainWindowLayout(7700, 6830);
    EXPECT_EQ(taller.grid.top - base.grid.top, 100);
    EXPECT_EQ(taller.label1.top - base.label1.top, 100);
    EXPECT_EQ(taller.chart.height - base.chart.height, 45);
    EXPECT_EQ(taller.grid.height, 2500);

    // Up to H = 6543 the chart reaches into the grid; from 6544 it does not.
    for (const auto& [height, overlaps] : {std::pair{6543, true}, std::pair{6544, false}}) {
        const MainLayout layout = mainWindowLayout(7700, height);
        EXPECT_EQ(layout.chart.top + layout.chart.height > layout.grid.top, overlaps) << height;
    }
    const MainLayout narrow = mainWindowLayout(1000, 500);
    EXPECT_EQ(narrow.grid.width, 0);
    EXPECT_GE(narrow.chart.height, 0);
}

TEST(ResultsWindowLayout, PlacesTheControlsOfTheWorkedExamples) {
    const ResultsLayout designed = resultsWindowLayout(8760, 7530);
    EXPECT_EQ(of(designed.chart), (Rect{438, 200, 7884, 4141}));
    EXPECT_EQ(of(designed.grid), (Rect{1280, 200, 6255, 4141}));
    EXPECT_EQ(of(designed.Label1), (Rect{840, 4560, 1575, 255}));
    EXPECT_EQ(of(designed.ExitCmd), (Rect{6720, 6240, 1215, 375}));
    EXPECT_EQ(of(designed.CmdGraph), of(designed.GridBtn));
    EXPECT_EQ(designed.gridColumnWidth, 1250);

    const ResultsLayout large = resultsWindowLayout(10000, 8000);
    EXPECT_EQ(of(large.chart), (Rect{500, 200, 9000, 4400}));
    EXPECT_EQ(of(large.grid), (Rect{1900, 200, 6255, 4400}));
    EXPECT_EQ(of(large.Label1), (Rect{958, 5030, 1575, 255}));
    EXPECT_EQ(of(resultsChartOnGraph(10000, 8000)), (Rect{500, 500, 9000, 4000}));
}

TEST(ResultsWindowLayout, KeepsItsMinimumHeightAndLetsTheGridGoLeft) {
    EXPECT_EQ(resultsWindowLayout(8760, 4000).chart.height, 2200);
    EXPECT_EQ(resultsWindowLayout(8760, 4001).chart.height, 2200);
    EXPECT_EQ(resultsWindowLayout(8760, 4002).chart.height, 2201);
    EXPECT_LT(resultsWindowLayout(6000, 7530).grid.left, 0);
    EXPECT_EQ(resultsWindowLayout(6200, 7530).grid.left, 0);
}

// The real windows apply the layout to their outer size on every resize.
TEST(WindowLayout, TheRealWindowsFollowTheirSize) {
    modGlobals globals;
    testing::ScriptedDialogs dialogs;
    frmMain main(globals, dialogs);
    main.show();
    main.resize(800, 600);
    const QSize outer = main.frameGeometry().size();
    const MainLayout expected =
        mainWindowLayout(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()));
    const QRect grid = main.findChild<QTableView*>("MSFlexGrid1")->geometry();
    EXPECT_EQ(grid.top(), twipsToPixels(expected.grid.top));
    EXPECT_EQ(grid.width(), twipsToPixels(expected.grid.width));
    EXPECT_EQ(
        main.findChild<QPushButton*>("Corrolate")->geometry().topLeft(),
        QPoint(twipsToPixels(expected.corrolate.left), twipsToPixels(expected.corrolate.top)));

    frmResults results(globals, dialogs, main);
    results.show();
    results.resize(700, 650);
    const QSize resultsOuter = results.frameGeometry().size();
    const ResultsLayout panel = resultsWindowLayout(pixelsToTwips(resultsOuter.width()),
                                                    pixelsToTwips(resultsOuter.height()));
    EXPECT_EQ(results.findChild<QPushButton*>("ExitCmd")->geometry().topLeft(),
              QPoint(twipsToPixels(panel.ExitCmd.left), twipsToPixels(panel.ExitCmd.top)));
    EXPECT_EQ(results.findChild<QTableView*>("MSFlexGrid1")->geometry().height(),
              twipsToPixels(panel.grid.height));
}

TEST(WindowLayout, TheWindowsOpenAtTheirDesignedClientSize) {
    modGlobals globals;
    testing::ScriptedDialogs dialogs;
    frmMain main(globals, dialogs);
    main.show();
    EXPECT_EQ(main.centralWidget()->width(), twipsToPixels(7530));
    frmResults results(globals, dialogs, main);
    results.show();
    const auto* client = results.findChild<QPushButton*>("ExitCmd")->parentWidget();
    EXPECT_EQ(client->width(), twipsToPixels(8670));
}

}  // namespace
}  // namespace tesselin
