#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/ScatterChart.h"
#include "support/WindowTest.h"

namespace tesselin {
namespace {

using Points = std::vector<std::pair<double, double>>;

Points pointsOf(const ScatterChart& chart) {
    Points points;
    const QCPGraph* series = chart.graph(0);
    for (auto it = series->data()->constBegin(); it != series->data()->constEnd(); ++it) {
        points.emplace_back(it->key, it->value);
    }
    std::sort(points.begin(), points.end());
    return points;
}

class ChartsTest : public testing::WindowTest {
protected:
    void graph(const char* x, const char* y) {
        control<QLineEdit>(main, "XColumn")->setText(QString::fromLatin1(x));
        control<QLineEdit>(main, "YColumn")->setText(QString::fromLatin1(y));
        click(main, "MakeGraph");
    }
    ScatterChart& preview() { return *control<ScatterChart>(main, "MSChart1"); }
};

TEST_F(ChartsTest, ThePreviewShowsTheChosenColumnsWithoutBlankRows) {
    EXPECT_FALSE(preview().isVisible());
    load("1 10 7\r\n2 \r\n3 30 8\r\nx 40 9\r\n");
    graph("0", "1");
    EXPECT_TRUE(preview().isVisible());
    EXPECT_EQ(pointsOf(preview()), (Points{{0, 40}, {1, 10}, {3, 30}}));
    graph("abc", "1");
    EXPECT_EQ(pointsOf(preview()), (Points{{0, 40}, {1, 10}, {3, 30}}));
    graph("1.5", "0.5");  // columns 2 and 0
    EXPECT_EQ(pointsOf(preview()), (Points{{7, 1}, {8, 3}, {9, 0}}));

    graph("1", "1");  // rejected: the chart keeps what it showed
    EXPECT_EQ(dialogs.messages().back().title, "Invalid Numerical Choice");
    EXPECT_EQ(pointsOf(preview()), (Points{{7, 1}, {8, 3}, {9, 0}}));

    load("5 6\r\n");  // a new file does not redraw the chart
    EXPECT_EQ(pointsOf(preview()), (Points{{7, 1}, {8, 3}, {9, 0}}));
}

TEST_F(ChartsTest, TheChartIsSetUpAsAScatterOfBlackDiamondsOnLightGrey) {
    load("-1000000 3\r\n0 -2\r\n250000000 1e9\r\n");
    graph("0", "1");
    ScatterChart& chart = preview();
    EXPECT_EQ(chart.graph(0)->lineStyle(), QCPGraph::lsNone);
    for (const auto& [x, y] : pointsOf(chart)) {  // every point inside the axes
        EXPECT_TRUE(chart.xAxis->range().contains(x) && chart.yAxis->range().contains(y));
    }

    // Drawn offscreen: the plot area's grey and the black diamond outlines.
    chart.resize(400, 300);
    const QImage image = chart.toPixmap(400, 300).toImage();
    int grey = 0;
    int black = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            grey += c == QColor(250, 250, 250) ? 1 : 0;
            black += c.red() < 60 && c.green() < 60 && c.blue() < 60 ? 1 : 0;
        }
    }
    EXPECT_GT(grey, 400 * 300 / 3);
    EXPECT_GT(black, 3 * 8);
}

// Up to a few thousand points each is the design's outlined diamond; beyond,
// the markers are filled dots without an outline that get smaller and
// lighter as the series grows denser.
TEST(ScatterChart, DenseSeriesGetSmallerMarkersWithoutAnOutline) {
    const struct {
        std::size_t points;
        QCPScatterStyle::ScatterShape shape;
        Qt::PenStyle outline;
    } cases[] = {
        {0, QCPScatterStyle::ssDiamond, Qt::SolidLine},
        {3000, QCPScatterStyle::ssDiamond, Qt::SolidLine},
        {3001, QCPScatterStyle::ssCircle, Qt::NoPen},
        {17520, QCPScatterStyle::ssCircle, Qt::NoPen},
        {32767, QCPScatterStyle::ssCircle, Qt::NoPen},
    };
    double previous = 8;
    int previousAlpha = 255;
    for (const auto& c : cases) {
        const QCPScatterStyle marker = scatterMarker(c.points);
        EXPECT_EQ(marker.shape(), c.shape) << c.points;
        EXPECT_EQ(marker.pen().style(), c.outline) << c.points;
        EXPECT_LE(marker.size(), previous) << c.points;
        EXPECT_GE(marker.size(), 2) << c.points;
        if (c.outline == Qt::NoPen) {  // lighter as they get denser, never invisible
            EXPECT_LE(marker.brush().color().alpha(), previousAlpha) << c.points;
            EXPECT_GE(marker.brush().color().alpha(), 64) << c.points;
            previousAlpha = marker.brush().color().alpha();
        }
        previous = marker.size();
    }
    EXPECT_EQ(scatterMarker(3000).size(), 8);
    EXPECT_LT(scatterMarker(17520).size(), scatterMarker(3001).size());
}

// Two years of hourly values (a daily and a yearly cycle): the preview shows
// a band of grey and black dots, not one black mass.
TEST_F(ChartsTest, ADensePreviewShowsTheShapeOfTheSeries) {
    std::string data;
    for (int hour = 0; hour < 17520; ++hour) {
        const double day = hour / 24.0;
        const double value = 10 + 8 * std::sin(2 * M_PI * day / 365.25) +
                             4 * std::sin(2 * M_PI * day) + (hour * 7919 % 1000) / 400.0;
        data += std::to_string(day) + " " + std::to_string(value) + "\r\n";
    }
    load(data);
    graph("0", "1");
    ScatterChart& chart = preview();
    ASSERT_EQ(chart.graph(0)->dataCount(), 17520);
    chart.resize(600, 300);
    chart.replot();
    const QImage image = chart.toPixmap(600, 300).toImage();
    const QRect plot = chart.axisRect()->rect();
    int marked = 0;
    int black = 0;
    int coloured = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        for (int x = plot.left(); x <= plot.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            marked += c.value() < 200 ? 1 : 0;
            black += c.value() < 60 ? 1 : 0;
            coloured += c.saturation() > 40 ? 1 : 0;
        }
    }
    EXPECT_GT(marked, plot.width() * plot.height() / 10);
    EXPECT_LT(black, marked * 8 / 10);  // outlined diamonds: 96 %
    EXPECT_EQ(coloured, 0);
}

TEST_F(ChartsTest, TheResultsChartShowsAverageAgainstMidpoint) {
    load("0 1\r\n1 3\r\n3 4\r\n");
    answers({"2", "0", "3"});
    const auto results = openResults();
    click(*results, "CmdGraph");
    auto* chart = control<ScatterChart>(*results, "MSChart1");
    EXPECT_TRUE(chart->isVisible());
    EXPECT_EQ(pointsOf(*chart), (Points{{0.75, 2}, {2.25, 2}}));
    EXPECT_EQ(globals.ResultsChartTable, (ChartPointTable{{"0.75", "2"}, {"2.25", "2"}}));
}

TEST(ScatterChart, SavesItsPictureAndAsksBeforeReplacingAFile) {
    testing::ScriptedDialogs dialogs;
    const testing::TempDir dir;
    ScatterChart chart(dialogs);
    chart.resize(300, 200);
    const std::vector<DataPoint> points = {{1, 2}, {3, 4}};
    chart.setPoints(points);
    const auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };

    const auto data = dir.write("data.txt", "keep me");
    dialogs.chooseFile(data.string(), 1);
    dialogs.answerMessage(MessageAnswer::No);
    dialogs.chooseFile((dir.path() / "picture").string(), 1);  // PNG
    chart.saveImageAs();
    dialogs.chooseFile((dir.path() / "picture").string(), 2);  // PDF
    chart.saveImageAs();
    EXPECT_EQ(dialogs.transcript(),
              (std::vector<std::string>{
                  "save", "[File exists] File already exists.  Overwrite existing file?", "save",
                  "save"}));
    EXPECT_EQ(read(data), "keep me");
    EXPECT_EQ(read(dir.path() / "picture.png").substr(0, 4), "\x89PNG");
    EXPECT_EQ(read(dir.path() / "picture.pdf").substr(0, 4), "%PDF");
}

}  // namespace
}  // namespace tesselin
