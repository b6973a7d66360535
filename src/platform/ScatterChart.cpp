#include "platform/ScatterChart.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMenu>
#include <QPdfWriter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "common/atomic_file.h"
#include "common/numbers.h"
#include "platform/recent_folders.h"
#include "ui/Dialogs.h"
#include "ui/modUtils.h"

namespace tesselin {
namespace {

constexpr double kMarkerPixels = 8;       // the marker size of the chart's design
constexpr std::size_t kDenseFrom = 3000;  // points; beyond, the markers get smaller
constexpr double kSmallestMarkerPixels = 2;
const QColor kPlotBackground(250, 250, 250);
constexpr double kMarginShare = 0.04;  // of the data range, on each side
constexpr double kWhiskerPixels = 6;
constexpr std::string_view kImageFilter = "PNG image (*.png)|*.png|PDF document (*.pdf)|*.pdf";

// A range with room around its ends; a single value gets a unit around it.
QCPRange withMargin(QCPRange range) {
    if (range.size() == 0) {
        const double half = range.lower == 0 ? 1.0 : std::fabs(range.lower) * 0.1;
        return {range.lower - half, range.upper + half};
    }
    const double margin = range.size() * kMarginShare;
    return {range.lower - margin, range.upper + margin};
}

// The same on a logarithmic axis (a positive range): the margins are shares
// of the range's ratio, and a single value gets a factor of 2 around it.
QCPRange withLogMargin(QCPRange range) {
    if (range.lower == range.upper) {
        return {range.lower / 2, range.upper * 2};
    }
    const double factor = std::pow(range.upper / range.lower, kMarginShare);
    return {range.lower / factor, range.upper * factor};
}

// The union of two ranges, either of which may be missing.
QCPRange joined(QCPRange range, bool found, QCPRange other, bool otherFound) {
    if (!found) {
        return other;
    }
    if (otherFound) {
        range.expand(other);
    }
    return range;
}

void setUpAxis(QCPAxis* axis) {
    // Plain numbers up to ten digits, so that ticks near 2460100 (a Julian
    // date) read as such; beyond that 1.5·10^12.
    axis->setNumberFormat(QStringLiteral("gb"));
    axis->setNumberPrecision(10);
}

}  // namespace

QCPScatterStyle scatterMarker(std::size_t pointCount) {
    if (pointCount <= kDenseFrom) {
        return {QCPScatterStyle::ssDiamond, QPen(Qt::black), QBrush(Qt::NoBrush), kMarkerPixels};
    }
    // Outlined diamonds by the ten thousand run into one black mass. Filled
    // dots without an outline, smaller and lighter as the points grow
    // denser, let the shape of the series show, and where it is densest.
    const double sparseness =
        std::sqrt(static_cast<double>(kDenseFrom) / static_cast<double>(pointCount));
    const double size = std::max(kSmallestMarkerPixels, kMarkerPixels / 2 * sparseness);
    const int alpha = std::clamp(static_cast<int>(std::lround(224 * sparseness)), 64, 255);
    return {QCPScatterStyle::ssCircle, QPen(Qt::NoPen), QBrush(QColor(0, 0, 0, alpha)), size};
}

ScatterChart::ScatterChart(Dialogs& dialogs, QWidget* parent)
    : QCustomPlot(parent), m_dialogs(dialogs) {
    m_series = addGraph();
    m_series->setLineStyle(QCPGraph::lsNone);
    // No lines; and a marker without an outline of its own gets none, not
    // the series' default pen.
    m_series->setPen(QPen(Qt::NoPen));
    m_series->setScatterStyle(scatterMarker(0));
    m_series->setAdaptiveSampling(false);  // every point is drawn
    m_barFeet = addGraph();
    m_barFeet->setLineStyle(QCPGraph::lsNone);
    m_barFeet->setPen(QPen(Qt::NoPen));
    m_barFeet->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    m_barFeet->setAdaptiveSampling(false);
    m_bars = new QCPErrorBars(xAxis, yAxis);
    m_bars->setDataPlottable(m_barFeet);
    m_bars->setErrorType(QCPErrorBars::etValueError);
    m_bars->setPen(QPen(QColor(90, 90, 90)));
    m_bars->setWhiskerWidth(kWhiskerPixels);
    m_bars->setSymbolGap(0);  // the foot is no marker
    axisRect()->setBackground(QBrush(kPlotBackground));
    setUpAxis(xAxis);
    setUpAxis(yAxis);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    setMouseTracking(true);
}

void ScatterChart::setPoints(std::span<const DataPoint> points, std::span<const SpreadBar> bars) {
    QVector<QCPGraphData> sorted;
    sorted.reserve(static_cast<qsizetype>(points.size()));
    for (const DataPoint& p : points) {
        sorted.append(QCPGraphData(p.x, p.y));
    }
    // Points keep their order by X in the container; a scatter draws them all.
    m_series->data()->set(sorted, false);
    m_series->setScatterStyle(scatterMarker(points.size()));

    // The n-th bar belongs to the n-th foot in the feet's order by X, so
    // the feet are sorted here, with their bars.
    std::vector<SpreadBar> ordered(bars.begin(), bars.end());
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const SpreadBar& a, const SpreadBar& b) { return a.x < b.x; });
    QVector<QCPGraphData> feet;
    QVector<double> below;
    QVector<double> above;
    for (const SpreadBar& bar : ordered) {
        feet.append(QCPGraphData(bar.x, bar.low));
        below.append(0);
        above.append(bar.high - bar.low);
    }
    m_barFeet->data()->set(feet, true);
    m_bars->setData(below, above);

    rescaleToPoints();
    replot();
}

void ScatterChart::setLogarithmicX(bool logarithmic) {
    if (logarithmic) {
        xAxis->setScaleType(QCPAxis::stLogarithmic);
        xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    } else {
        xAxis->setScaleType(QCPAxis::stLinear);
        xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    }
}

void ScatterChart::rescaleToPoints() {
    const bool logarithmic = xAxis->scaleType() == QCPAxis::stLogarithmic;
    bool found = false;
    const QCPRange keys = m_series->getKeyRange(found, logarithmic ? QCP::sdPositive : QCP::sdBoth);
    if (logarithmic) {
        xAxis->setRange(found ? withLogMargin(keys) : QCPRange(1, 10));
    } else {
        xAxis->setRange(found ? withMargin(keys) : QCPRange(0, 1));
    }
    const QCPRange values = m_series->getValueRange(found);
    bool barsFound = false;
    // The bars' range is that of their feet and tops.
    const QCPRange barValues =
        static_cast<const QCPAbstractPlottable*>(m_bars)->getValueRange(barsFound);
    const QCPRange all = joined(values, found, barValues, barsFound);
    yAxis->setRange(found || barsFound ? withMargin(all) : QCPRange(0, 1));
}

void ScatterChart::mouseDoubleClickEvent(QMouseEvent* event) {
    QCustomPlot::mouseDoubleClickEvent(event);
    rescaleToPoints();
    replot();
}

void ScatterChart::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton) {
        return;  // dragging
    }
    QVariant details;
    const double distance = m_series->selectTest(event->position(), false, &details);
    const auto selection = details.value<QCPDataSelection>();
    if (distance < 0 || distance > kMarkerPixels || selection.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    const auto point = m_series->data()->at(selection.dataRange().begin());
    QToolTip::showText(event->globalPosition().toPoint(),
                       QStringLiteral("x = %1\ny = %2")
                           .arg(QString::fromStdString(numberText(point->key)),
                                QString::fromStdString(numberText(point->value))),
                       this);
}

void ScatterChart::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("Save Image As..."), this, &ScatterChart::saveImageAs);
    menu.addAction(tr("Copy Image"), this, &ScatterChart::copyImage);
    menu.exec(event->globalPos());
}

QByteArray ScatterChart::picture(const QString& format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QSizeF(width(), height()), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(72);
        QCPPainter painter(&pdf);
        toPainter(&painter, width(), height());
    } else {
        toPixmap(width(), height(), 2.0).save(&buffer, "PNG");
    }
    return bytes;
}

void ScatterChart::saveImageAs() {
    runUnderFailureHandler(m_dialogs, [this] {
        // A name without an extension gets the chosen type's, before the
        // question whether to replace a file of that name.
        const auto path = askSavePath(m_dialogs,
                                      {.filter = std::string(kImageFilter),
                                       .filterIndex = 1,
                                       .fileName = {},
                                       .directory = startFolder(FolderUse::Save)},
                                      [](const FileChoice& choice) {
                                          std::filesystem::path named = choice.path;
                                          if (!named.has_extension()) {
                                              named += choice.filterIndex == 2 ? ".pdf" : ".png";
                                          }
                                          return named;
                                      });
        if (!path) {
            return;
        }
        rememberFolderOf(FolderUse::Save, *path);
        const bool pdf = QString::fromStdString(path->extension().string())
                             .compare(QLatin1String(".pdf"), Qt::CaseInsensitive) == 0;
        const QByteArray bytes = picture(pdf ? QStringLiteral("pdf") : QStringLiteral("png"));
        writeFileAtomically(
            *path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    });
}

void ScatterChart::copyImage() {
    QApplication::clipboard()->setPixmap(toPixmap());
}

}  // namespace tesselin
