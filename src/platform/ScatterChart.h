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

    // Replaces the points and scales both axes to them.
    void setPoints(std::span<const DataPoint> points);

    // Scales both axes to the points, with a small margin so that the
    // markers on the edge are drawn whole.
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
};

}  // namespace tesselin
