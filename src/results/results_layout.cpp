#include "results/results_layout.h"

#include <algorithm>

namespace tesselin {
namespace {

constexpr int kUpperTop = 200;
constexpr int kGraphTop = 500;          // of the chart that the Graph button draws
constexpr int kPanelFromBottom = 3050;  // the top of the Graph button, the panel's highest control
constexpr int kGap = 100;               // between the upper area and the panel, and between columns

// The height of something from `top` down, which stops short of the panel.
int aboveThePanel(int top, int wanted, int height) {
    return std::max(0, std::min(wanted, height - kPanelFromBottom - kGap - top));
}

}  // namespace

ResultsLayout resultsWindowLayout(int width, int height) {
    const double w = width;
    const double h = height;
    const int upper = floorToInt(h * 0.55);

    // The grid and the chart take the width less its margins: the grid's
    // five columns show values of 14 characters whole, without a horizontal
    // scroll bar. Where the window is lower than designed (no frame, or made
    // smaller by the user), they end above the panel's Graph button.
    ResultsLayout layout;
    layout.chart = {floorToInt(w * 0.1 / 2), kUpperTop, floorToInt(w * 0.9),
                    aboveThePanel(kUpperTop, upper, height)};
    layout.grid = layout.chart;

    // Panel controls: designed left x (at the designed width 8760), distance
    // d of the top from the bottom edge, and the designed size.
    // x / 8760 * W is worked out exactly, so that at the designed width
    // every control stands exactly at its designed place.
    const auto panel = [&](int x, int d, int cw, int ch) {
        const auto scaled = static_cast<long long>(x) * width;
        const long long left =
            scaled >= 0 ? scaled / kResultsDesignedWidth
                        : -((-scaled + kResultsDesignedWidth - 1) / kResultsDesignedWidth);
        return TwipsRect{static_cast<int>(left), height - d, cw, ch};
    };
    layout.Label1 = panel(840, 2970, 1575, 255);
    layout.Label4 = panel(3720, 2970, 1455, 255);
    layout.CmdGraph = panel(6720, 3050, 1215, 450);
    layout.GridBtn = panel(6720, 3050, 1215, 450);
    layout.Text1 = panel(1560, 2730, 1500, 350);
    layout.BinNumberLbl = panel(4320, 2730, 1305, 375);
    layout.CmdRestart = panel(6720, 2460, 1215, 450);
    layout.Label2 = panel(840, 2250, 1695, 255);
    layout.Label5 = panel(3720, 2250, 1335, 255);
    layout.Text2 = panel(1560, 2010, 1500, 350);
    layout.MinPeriodLbl = panel(4320, 2010, 1305, 375);
    layout.cmdBack = panel(6720, 1875, 1215, 450);
    layout.Label3 = panel(840, 1530, 1815, 255);
    layout.Label6 = panel(3720, 1530, 1455, 255);
    layout.Text3 = panel(1560, 1290, 1500, 350);
    layout.MaxPeriodLbl = panel(4320, 1290, 1305, 375);
    layout.ExitCmd = panel(6720, 1290, 1215, 375);
    layout.valueBoxRoom = layout.BinNumberLbl.left - layout.Text1.left - kGap;
    layout.valueLabelRoom = layout.CmdRestart.left - layout.BinNumberLbl.left - kGap;
    return layout;
}

TwipsRect resultsChartOnGraph(int width, int height) {
    return {floorToInt(0.1 * width / 2), kGraphTop, floorToInt(0.9 * width),
            aboveThePanel(kGraphTop, floorToInt(0.5 * height), height)};
}

}  // namespace tesselin
