#include "shell/main_layout.h"

#include <gtest/gtest.h>

namespace tesselin {
namespace {

bool operator==(const TwipsRect& a, const TwipsRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

TEST(MainWindowLayout, PlacesTheControlsOfTheWorkedExample) {
    const MainLayout layout = mainWindowLayout(7700, 6730);
    EXPECT_TRUE((layout.chart == TwipsRect{385, 100, 6930, 3028}));
    EXPECT_TRUE((layout.grid == TwipsRect{385, 3230, 5200, 2500}));
    const TwipsRect* column[] = {&layout.label1,  &layout.xColumn,   &layout.label2,
                                 &layout.yColumn, &layout.makeGraph, &layout.corrolate};
    const int tops[] = {3180, 3430, 3930, 4230, 4730, 5280};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(column[i]->left, 6000) << i;
        EXPECT_EQ(column[i]->top, tops[i]) << i;
    }
}

TEST(MainWindowLayout, NeverGivesANegativeWidth) {
    const MainLayout layout = mainWindowLayout(1000, 500);
    EXPECT_EQ(layout.grid.width, 0);
    EXPECT_GE(layout.chart.height, 0);
}

}  // namespace
}  // namespace tesselin
