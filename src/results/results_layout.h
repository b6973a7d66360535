#pragma once

#include "platform/twips.h"

namespace tesselin {

// The designed width of the results grid's columns, in twips. The window
// gives its five columns widths that fit their values instead.
inline constexpr int kResultsGridColumnWidth = 1250;

// Where the results window's controls go for an outer window size of
// width x height twips, relative to the client area. The chart and the grid
// share the upper area, which ends above the panel; the panel below keeps its
// distance from the bottom edge and spreads with the width.
struct ResultsLayout {
    TwipsRect chart;
    TwipsRect grid;
    TwipsRect Label1, Label4, CmdGraph, GridBtn, Text1, BinNumberLbl, CmdRestart, Label2, Label5,
        Text2, MinPeriodLbl, cmdBack, Label3, Label6, Text3, MaxPeriodLbl, ExitCmd;
    // How wide the value boxes (Text1 to Text3) and the value labels
    // (BinNumberLbl, MinPeriodLbl, MaxPeriodLbl) may grow to show a long
    // value whole, short of the next column.
    int valueBoxRoom = 0;
    int valueLabelRoom = 0;
};

ResultsLayout resultsWindowLayout(int width, int height);

// Where the Graph button puts the chart when it draws it (above the panel).
TwipsRect resultsChartOnGraph(int width, int height);

// The window's designed outer size, and its client area.
inline constexpr int kResultsDesignedWidth = 8760;
inline constexpr int kResultsDesignedHeight = 7530;
inline constexpr int kResultsClientWidth = 8670;
inline constexpr int kResultsClientHeight = 6750;

}  // namespace tesselin
