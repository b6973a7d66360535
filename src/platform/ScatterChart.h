#pragma once

#include <qcustomplot.h>

#include <cstddef>
#include <span>

#include "analysis/chart_points.h"

namespace tesselin {

class Dialogs;

// The marker of a series of this many points: the design's outlined diamond
// up to a few thousand points, beyond that filled dots without an outline,
// smaller and lighter the more points there are.
QCPScatterStyle scatterMarker(std::size_t pointCount);

// The scatter chart of both windows: one series of unfilled black diamonds
// (small dots for a dense series) without connecting lines on a light grey
// plot area, each axis scaled to its own data. Beyond that, what users of
// plotting tools expect: the wheel zooms, dragging pans, a double click
// returns to the automatic scales, the point under the mouse shows its
// values, and the context menu saves or copies the picture.
class ScatterChart : public QCustomPlot {
    Q_OBJECT

public:
    ScatterChart(Dialogs& dialogs, QWidget* parent = nullptr);

    // Replaces the points, and the vertical bars drawn with them (none by
    // default), and scales both axes to them.
    void setPoints(std::span<const DataPoint> points, std::span<const SpreadBar> bars = {});

    // A logarithmic X axis, for periods in bins of equal width in their
    // logarithm, or the linear one. It applies from the next setPoints.
    void setLogarithmicX(bool logarithmic);

    // Scales both axes to the points and bars, with a small margin so that
    // the markers on the edge are drawn whole. A logarithmic axis takes the
    // positive X only.
    void rescaleToPoints();

    // The PNG or PDF picture of the chart.
    QByteArray picture(const QString& format);

    // The context menu's Save Image As: asks for a name (adding .png or .pdf
    // when it has no extension) and whether to replace a file of that name.
    void saveImageAs();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void copyImage();

    Dialogs& m_dialogs;
    QCPGraph* m_series = nullptr;
    // The bars stand on points of their own, one at the foot of each bar,
    // drawn without a marker: a bar need not hold the value it belongs to.
    QCPGraph* m_barFeet = nullptr;
    QCPErrorBars* m_bars = nullptr;
};

}  // namespace tesselin
