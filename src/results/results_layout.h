#pragma once

#include "platform/twips.h"

namespace tesselin {

// Where the results window's controls go for an outer window size of
// width x height twips, relative to the client area. The chart and the grid
// share the upper area; the panel below keeps its distance from the bottom
// edge and spreads with the width.
struct ResultsLayout {
    int gridColumnWidth = 0;
    TwipsRect chart;
    TwipsRect grid;
    TwipsRect Label1, Label4, CmdGraph, GridBtn, Text1, BinNumberLbl, CmdRestart, Label2, Label5,
        Text2, MinPeriodLbl, cmdBack, Label3, Label6, Text3, MaxPeriodLbl, ExitCmd;
};

ResultsLayout resultsWindowLayout(int width, int height);

// Where the Graph button puts the chart when it draws it.
TwipsRect resultsChartOnGraph(int width, int height);

// The window's designed outer size, and its client area.
inline constexpr int kResultsDesignedWidth = 8760;
inline constexpr int kResultsDesignedHeight = 7530;
inline constexpr int kResultsClientWidth = 8670;
inline constexpr int kResultsClientHeight = 6750;

}  // namespace tesselin
