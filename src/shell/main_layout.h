#pragma once

#include "platform/twips.h"

namespace tesselin {

// Where the main window's controls go for an outer window size of
// width x height twips. Positions are relative to the client area; a width
// that would be negative is clamped at 0.
struct MainLayout {
    int gridColumnWidth = 0;
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
