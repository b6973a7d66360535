#include <gtest/gtest.h>

#include "platform/twips.h"
#include "results/results_layout.h"
#include "shell/main_layout.h"
#include "support/WindowTest.h"

namespace tesselin {
namespace {

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
    // Up to H = 6543 the chart reaches into the grid; from 6544 it does not.
    for (const auto& [height, overlaps] : {std::pair{6543, true}, std::pair{6544, false}}) {
        const MainLayout layout = mainWindowLayout(7700, height);
        EXPECT_EQ(layout.chart.top + layout.chart.height > layout.grid.top, overlaps) << height;
    }
    EXPECT_EQ(mainWindowLayout(1000, 500).grid.width, 0);  // never negative

    const ResultsLayout designed = resultsWindowLayout(8760, 7530);
    EXPECT_EQ(of(designed.chart), (Rect{438, 200, 7884, 4141}));
    EXPECT_EQ(of(designed.grid), (Rect{1280, 200, 6255, 4141}));
    EXPECT_EQ(of(designed.Label1), (Rect{840, 4560, 1575, 255}));
    EXPECT_EQ(of(designed.ExitCmd), (Rect{6720, 6240, 1215, 375}));
    EXPECT_EQ(of(resultsWindowLayout(10000, 8000).Label1), (Rect{958, 5030, 1575, 255}));
    EXPECT_EQ(of(resultsChartOnGraph(10000, 8000)), (Rect{500, 500, 9000, 4000}));
    EXPECT_EQ(resultsWindowLayout(8760, 4001).chart.height, 2200);
    EXPECT_EQ(resultsWindowLayout(8760, 4002).chart.height, 2201);
    EXPECT_LT(resultsWindowLayout(6000, 7530).grid.left, 0);
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
    const auto chartBottom = [&] {
        return control<QWidget>(framed, "MSChart1")->geometry().bottom();
    };
    const auto gridTop = [&] {
        return control<QTableView>(framed, "MSFlexGrid1")->geometry().top();
    };
    const int before = chartBottom();
    QMoveEvent unchanged(framed.pos(), framed.pos());
    QCoreApplication::sendEvent(&framed, &unchanged);
    EXPECT_EQ(chartBottom(), before);  // no frame reported: nothing moves
    EXPECT_GE(before, gridTop());      // and the chart reaches into the grid

    framed.titleBar = 30;
    QMoveEvent intoFrame(framed.pos() + QPoint(0, 30), framed.pos());
    QCoreApplication::sendEvent(&framed, &intoFrame);
    EXPECT_LT(chartBottom(), gridTop());
}

}  // namespace
}  // namespace tesselin
