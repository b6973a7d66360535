#include <gtest/gtest.h>

#include <QHeaderView>
#include <QStyle>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "analysis/parameters.h"
#include "platform/ScatterChart.h"
#include "support/WindowTest.h"

namespace tesselin {
namespace {

using Lines = std::vector<std::string>;
using testing::Table;

using testing::fileText;
using testing::kBinsQ;
using testing::kMinQ;
using testing::maxQ;

// Points (0, 1), (1, 3), (3, 4): a pair 1 apart with dY 2, and pairs 2 and
// 3 apart with dY 1 and 3.
const char* const kExample = "0 1\r\n1 3\r\n3 4\r\n";

// Two clusters of ten points, 100 apart: in five bins up to the length,
// only the first and the last bin get pairs.
std::string twoClusters() {
    std::string data;
    for (int i = 0; i < 20; ++i) {
        const int x = i < 10 ? i : 90 + i;
        data += std::to_string(x) + " " + std::to_string((i * 7) % 11) + "\r\n";
    }
    return data;
}

class AnalysisMenuTest : public testing::WindowTest {
protected:
    // The results window with these Analysis items triggered before its
    // first run.
    std::unique_ptr<frmResults> openWith(std::initializer_list<const char*> items) {
        auto window =
            std::make_unique<frmResults>(globals, dialogs, main.dataGrid(), ColumnPair{0, 1});
        for (const char* item : items) {
            trigger(*window, item);
        }
        window->show();
        QCoreApplication::processEvents();
        return window;
    }
    std::string save(frmResults& window, const char* name) {
        dialogs.chooseFile((dir.path() / name).string(), 1);
        trigger(window, "mnuSave");
        return fileText(dir.path() / name);
    }
    static ScatterChart& graph(frmResults& window) {
        click(window, "CmdGraph");
        return *control<ScatterChart>(window, "MSChart1");
    }
    static QCPErrorBars* errorBars(ScatterChart& chart) {
        for (int i = 0; i < chart.plottableCount(); ++i) {
            if (auto* bars = qobject_cast<QCPErrorBars*>(chart.plottable(i))) {
                return bars;
            }
        }
        return nullptr;
    }
};

TEST_F(AnalysisMenuTest, EachStatisticNamesItsColumnAndIsComputedFromTheSamePairs) {
    const struct {
        const char* item;
        const char* caption;
        const char* first;   // dY 2
        const char* second;  // dY 1 and 3
    } cases[] = {
        {"mnuStatMeanAbs", "Avg. Value", "2", "2"},
        {"mnuStatMeanSquare", "Mean Square", "4", "5"},
        {"mnuStatRms", "RMS Value", "2", "2.236068"},
        {"mnuStatSemivariance", "Semivariance", "2", "2.5"},
    };
    for (const auto& c : cases) {
        load(kExample);
        answers({"2", "0", "3"});
        const auto window = openWith({c.item});
        EXPECT_TRUE(control<QAction>(*window, c.item)->isChecked());
        const Table expected = {{"Bin Start", "Bin End", "Midpoint", c.caption, "Points"},
                                {"0", "1.5", "0.75", c.first, "1"},
                                {"1.5", "3", "2.25", c.second, "2"}};
        EXPECT_EQ(shownGrid(*window), expected) << c.item;

        // The caption shows whole in its column.
        auto* grid = control<QTableView>(*window, "MSFlexGrid1");
        const int margins = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid);
        EXPECT_LE(grid->fontMetrics().horizontalAdvance(QString::fromLatin1(c.caption)) + margins,
                  grid->columnWidth(3))
            << c.item;
    }
}

TEST_F(AnalysisMenuTest, LogarithmicBinsStartAboveZeroAndAreChartedOnALogarithmicAxis) {
    load(kExample);
    answers({"2", "0", "1", "3"});
    const auto window = openWith({"mnuLogBins"});
    EXPECT_EQ(dialogs.transcript(),
              (Lines{kBinsQ, kMinQ, "![Error] " + std::string(kLogMinimumText), kMinQ, maxQ("3")}));
    // Edges 1, 3^0.5 and 3; midpoints their geometric means.
    EXPECT_EQ(shownGrid(*window),
              (Table{{"Bin Start", "Bin End", "Midpoint", "Avg. Value", "Points"},
                     {"1", "1.7320508", "1.316074", "2", "1"},
                     {"1.7320508", "3", "2.2795071", "2", "2"}}));

    ScatterChart* chart = &graph(*window);
    EXPECT_EQ(chart->xAxis->scaleType(), QCPAxis::stLogarithmic);
    EXPECT_TRUE(qSharedPointerDynamicCast<QCPAxisTickerLog>(chart->xAxis->ticker()));
    const QCPRange keys = chart->xAxis->range();
    EXPECT_GT(keys.lower, 0);
    EXPECT_TRUE(keys.contains(1.316074) && keys.contains(2.2795071));

    click(*window, "GridBtn");
    trigger(*window, "mnuLogBins");  // off again: 0 is a minimum again
    dialogs.clear();
    answers({"2", "0", "3"});
    click(*window, "CmdRestart");
    EXPECT_EQ(dialogs.transcript(), (Lines{kBinsQ, kMinQ, maxQ("3")}));
    chart = &graph(*window);
    EXPECT_EQ(chart->xAxis->scaleType(), QCPAxis::stLinear);
    EXPECT_FALSE(qSharedPointerDynamicCast<QCPAxisTickerLog>(chart->xAxis->ticker()));
}

TEST_F(AnalysisMenuTest, ErrorBarsSpanEachBinsSpreadOnTheChartButNotInTheFile) {
    load(twoClusters());
    answers({"5", "0"});
    dialogs.acceptInputDefault();
    const auto window = openWith({});
    const std::string plain = save(*window, "plain.txt");
    EXPECT_EQ(errorBars(graph(*window))->dataCount(), 0);

    click(*window, "GridBtn");
    trigger(*window, "mnuErrorBars");
    answers({"5", "0"});
    dialogs.acceptInputDefault();
    click(*window, "CmdRestart");
    EXPECT_EQ(save(*window, "bars.txt"), plain);
    const Table shown = shownGrid(*window);
    ASSERT_EQ(shown.size(), 3u);  // the first and the last bin

    // What the run's bootstrap gives these bins.
    std::vector<DataPoint> points;
    for (int i = 0; i < 20; ++i) {
        points.push_back({i < 10 ? i : 90.0 + i, static_cast<double>((i * 7) % 11)});
    }
    const std::span<const DataPoint> series[] = {points};
    const std::vector<BinSpread> spread =
        bootstrapBins(series, 5, 0, 109, {}, {.resamples = 100, .seed = kDefaultSeed});
    const BinSpread expected[] = {spread[0], spread[4]};

    ScatterChart& chart = graph(*window);
    QCPErrorBars* bars = errorBars(chart);
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->errorType(), QCPErrorBars::etValueError);
    ASSERT_EQ(bars->dataCount(), 2);
    const auto* feet = bars->dataPlottable()->interface1D();
    for (int i = 0; i < 2; ++i) {
        const double low = feet->dataMainValue(i);
        const double high = low + bars->data()->at(i).errorPlus;
        // Each bar stands on its point, from the 16th to the 84th percentile.
        EXPECT_EQ(feet->dataMainKey(i), chart.graph(0)->dataMainKey(i)) << i;
        EXPECT_DOUBLE_EQ(low, expected[i].p16) << i;
        EXPECT_DOUBLE_EQ(high, expected[i].p84) << i;
        EXPECT_LT(low, high) << i;
        EXPECT_TRUE(chart.yAxis->range().contains(low) && chart.yAxis->range().contains(high));
    }

    click(*window, "GridBtn");
    trigger(*window, "mnuErrorBars");  // a run without them clears them
    answers({"5", "0"});
    dialogs.acceptInputDefault();
    click(*window, "CmdRestart");
    EXPECT_EQ(errorBars(graph(*window))->dataCount(), 0);
}

TEST_F(AnalysisMenuTest, AChoiceChangesNothingUntilTheNextRun) {
    load(kExample);
    answers({"2", "0", "3"});
    const auto window = openWith({});
    const Table before = shownGrid(*window);
    const std::string saved = save(*window, "before.txt");
    dialogs.clear();
    for (const char* item : {"mnuStatRms", "mnuLogBins", "mnuErrorBars"}) {
        trigger(*window, item);
    }
    EXPECT_FALSE(control<QAction>(*window, "mnuStatMeanAbs")->isChecked());
    EXPECT_TRUE(dialogs.transcript().empty());
    EXPECT_EQ(shownGrid(*window), before);
    ScatterChart& chart = graph(*window);
    EXPECT_EQ(errorBars(chart)->dataCount(), 0);
    EXPECT_EQ(chart.xAxis->scaleType(), QCPAxis::stLinear);
    EXPECT_EQ(save(*window, "after.txt"), saved);

    click(*window, "GridBtn");
    dialogs.clear();
    answers({"2", "1", "3"});
    click(*window, "CmdRestart");
    EXPECT_EQ(shownGrid(*window)[0][3], "RMS Value");
    EXPECT_EQ(errorBars(graph(*window))->dataCount(), 2);
}

// The bars belong to the table's rows (bins with pairs), stand at the
// midpoints the table shows, and exist only where both percentiles do.
TEST(SpreadBars, FollowTheRowsOfTheResultsTable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<BinRow> bins = {{0, 1, 4, 2}, {1, 2, 0, 0}, {2, 3, 1, 1}, {3, 4, 9, 3}};
    const ResultsTable table = buildResultsTable(bins);
    const struct {
        const char* name;
        std::vector<BinSpread> spread;
        std::vector<std::array<double, 3>> bars;
    } cases[] = {
        {"no bootstrap", {}, {}},
        {"every bin",
         {{0.1, 1, 2, 100}, {nan, nan, nan, 0}, {0.1, 0.5, 1.5, 50}, {0.1, 3, 4, 90}},
         {{0.5, 1, 2}, {2.5, 0.5, 1.5}, {3.5, 3, 4}}},
        {"a percentile missing",
         {{0.1, 1, 2, 100}, {nan, nan, nan, 0}, {nan, nan, 1.5, 1}, {0.1, 3, 4, 90}},
         {{0.5, 1, 2}, {3.5, 3, 4}}},
    };
    for (const auto& c : cases) {
        std::vector<std::array<double, 3>> bars;
        for (const SpreadBar& bar : spreadBars(table, bins, c.spread)) {
            bars.push_back({bar.x, bar.low, bar.high});
        }
        EXPECT_EQ(bars, c.bars) << c.name;
    }
}

}  // namespace
}  // namespace tesselin
