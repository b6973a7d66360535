#pragma once

#include "platform/twips.h"

namespace tesselin {

// The width every column of the main grid starts at, in twips.
inline constexpr int kMainGridColumnWidth = 1200;

// Where the main window's controls go for an outer window size of
// width x height twips. Positions are relative to the client area; a width
// or height that would be negative is clamped at 0. The chart ends above
// the grid at any size.
struct MainLayout {
    TwipsRect grid;
    TwipsRect chart;
    TwipsRect label1;
    TwipsRect xColumn;
    TwipsRect label2;
    TwipsRect yColumn;
    TwipsRect makeGraph;
    TwipsRect corrolate;
};

MainLayout mainWindowLayout(int width, int height);

}  // namespace tesselin
