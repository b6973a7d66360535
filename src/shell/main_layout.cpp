#include "shell/main_layout.h"

#include <algorithm>

namespace tesselin {

MainLayout mainWindowLayout(int width, int height) {
    const double w = width;
    const double h = height;
    const int margin = floorToInt(w * 0.1 / 2);
    const int controlsLeft = width - 1700;

    MainLayout layout;
    layout.gridColumnWidth = 1200;
    layout.grid = {margin, height - 3500, std::max(0, width - 2500), 2500};
    layout.chart = {margin, 100, std::max(0, floorToInt(w * 0.9)),
                    std::max(0, floorToInt(h * 0.45))};
    layout.label1 = {controlsLeft, height - 3550, 1300, 375};
    layout.xColumn = {controlsLeft, height - 3300, 1200, 375};
    layout.label2 = {controlsLeft, height - 2800, 1300, 375};
    layout.yColumn = {controlsLeft, height - 2500, 1200, 375};
    layout.makeGraph = {controlsLeft, height - 2000, 1215, 450};
    layout.corrolate = {controlsLeft, height - 1450, 1215, 495};
    return layout;
}

}  // namespace tesselin
