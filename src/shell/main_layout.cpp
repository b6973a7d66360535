#include "shell/main_layout.h"

#include <algorithm>

namespace tesselin {
namespace {

constexpr int kChartTop = 100;
constexpr int kChartGap = 100;  // between the chart's bottom and the grid's captions

}  // namespace

MainLayout mainWindowLayout(int width, int height) {
    const double w = width;
    const double h = height;
    const int margin = floorToInt(w * 0.1 / 2);
    const int controlsLeft = width - 1700;

    MainLayout layout;
    layout.grid = {margin, height - 3500, std::max(0, width - 2500), 2500};
    // The chart takes 45 % of the height, but stops short of the grid: where
    // the window is lower than designed (no frame, or made smaller by the
    // user) it must not cover the grid's captions.
    const int chartRoom = layout.grid.top - kChartGap - kChartTop;
    layout.chart = {margin, kChartTop, std::max(0, floorToInt(w * 0.9)),
                    std::max(0, std::min(floorToInt(h * 0.45), chartRoom))};
    layout.label1 = {controlsLeft, height - 3550, 1300, 375};
    layout.xColumn = {controlsLeft, height - 3300, 1200, 375};
    layout.label2 = {controlsLeft, height - 2800, 1300, 375};
    layout.yColumn = {controlsLeft, height - 2500, 1200, 375};
    layout.makeGraph = {controlsLeft, height - 2000, 1215, 450};
    layout.corrolate = {controlsLeft, height - 1450, 1215, 495};
    return layout;
}

}  // namespace tesselin
