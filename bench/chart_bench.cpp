// A Graph click on the main window with 32,767 points, from the click to the
// chart painted, on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <random>

#include "platform/ScatterChart.h"
#include "shell/frmMain.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "ui/modGlobals.h"

namespace {

void BM_PreviewGraphClick(benchmark::State& state) {
    tesselin::modGlobals globals;
    tesselin::testing::ScriptedDialogs dialogs;
    const tesselin::testing::TempDir dir;
    tesselin::frmMain window(globals, dialogs);
    window.resize(1200, 900);
    window.show();

    std::mt19937 random(3);
    std::uniform_real_distribution<double> value(-1000, 1000);
    std::string data;
    for (int i = 0; i < 32767; ++i) {
        data += std::to_string(value(random)) + " " + std::to_string(value(random)) + "\n";
    }
    // 32,767 lines end the import with its Overflow box, with every line kept.
    dialogs.chooseFile(dir.write("points.txt", data).string(), 2);
    window.findChild<QAction*>("mnuOpen")->trigger();

    auto* graph = window.findChild<QPushButton*>("MakeGraph");
    auto* chart = window.findChild<tesselin::ScatterChart*>("MSChart1");
    for (auto _ : state) {
        graph->click();
        chart->repaint();  // paints now, not at the next turn of the event loop
    }
    state.counters["points"] = chart->graph(0)->dataCount();
}
BENCHMARK(BM_PreviewGraphClick)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
