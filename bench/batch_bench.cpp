// Batches through the real tesselin-cli: a survey of 2,000 CSV files of
// 1,000 points each analysed into one results folder (one invocation takes
// them all), and the checks before a run of 100,000 names.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "common/numbers.h"
#include "support/TempDir.h"

namespace {

void BM_SurveyOfSmallSeries(benchmark::State& state) {
    const tesselin::testing::TempDir dir;
    const auto files = static_cast<int>(state.range(0));
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> step(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 0.05);
    for (int f = 0; f < files; ++f) {
        std::string text = "JD,mag\n";
        double t = 2459000;
        for (int i = 0; i < 1000; ++i) {
            t += step(random);
            text += tesselin::numberText(t) + "," +
                    tesselin::numberText(11 + 0.3 * std::sin(t / 7.3) + noise(random)) + "\n";
        }
        dir.write("s" + std::to_string(f) + ".csv", text);
    }
    int run = 0;
    for (auto _ : state) {
        const std::string command = "cd " + dir.path().string() + " && " + TESSELIN_CLI +
                                    " s*.csv --x JD --y mag --quiet --output-dir results" +
                                    std::to_string(run++);
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("tesselin-cli failed");
            break;
        }
    }
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(files) * run, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SurveyOfSmallSeries)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The checks before a batch runs, over 100,000 names (the last one given
// twice, so that the run is refused once every name has been looked at).
void BM_ChecksOf100000Names(benchmark::State& state) {
    const tesselin::testing::TempDir dir;
    std::string names;
    for (int i = 0; i < 100000; ++i) {
        names += "d" + std::to_string(i % 100) + "/" + std::to_string(i) + "\n";
    }
    dir.write("names.txt", names + "d0/0\n");
    // One invocation takes them all (xargs -x refuses to split them).
    const std::string command = "cd " + dir.path().string() +
                                " && xargs -x -s 2000000 -a names.txt " + TESSELIN_CLI +
                                " --x 0 --y 1 --output-dir out 2>/dev/null";
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::system(command.c_str()));
    }
}
BENCHMARK(BM_ChecksOf100000Names)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
