// Import speed and memory: reading a text data set into the data grid and
// removing its blank rows, and streaming two columns of a long one.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>

#include "common/DataGrid.h"
#include "import/column_stream.h"
#include "import/text/blank_rows.h"
#include "import/text/text_import.h"

namespace {

using tesselin::DataGrid;

std::string threeColumnFile(int lines) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    std::string bytes;
    for (int i = 1; i <= lines; ++i) {
        bytes += std::to_string(i * 0.25) + "\t" + std::to_string(value(random)) + " " +
                 std::to_string(value(random)) + "\r\n";
    }
    return bytes;
}

// The largest text file that imports completely: 32,766 lines of 3 columns.
void BM_ImportAndRemoveBlankRows(benchmark::State& state) {
    const std::string bytes = threeColumnFile(32766);
    for (auto _ : state) {
        DataGrid grid;
        std::istringstream in(bytes);
        tesselin::loadTextStream(grid, in, "bench.txt");
        tesselin::RemoveBlankRows(grid);
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ImportAndRemoveBlankRows)->Unit(benchmark::kMillisecond);

// tesselin-cli's reading of two columns straight into points: a million
// lines of text, and a million records of separated values with a header.
void BM_StreamTwoColumns(benchmark::State& state) {
    const bool separated = state.range(0) == 1;
    std::string bytes = threeColumnFile(1'000'000);
    if (separated) {
        std::replace(bytes.begin(), bytes.end(), '\t', ',');
        std::replace(bytes.begin(), bytes.end(), ' ', ',');
        bytes.insert(0, "time,value,other\r\n");
    }
    for (auto _ : state) {
        std::istringstream in(bytes);
        const tesselin::ColumnData data =
            separated ? tesselin::readSeparatedColumns(in, "bench.csv", "time", "value")
                      : tesselin::readTextColumns(in, "bench.txt", "0", "1");
        benchmark::DoNotOptimize(data.points.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_StreamTwoColumns)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Removing blank rows must grow linearly with the grid: rows/11 of every
// 12 rows are blank (30,000 of 32,766 at the larger size).
void BM_RemoveBlankRows(benchmark::State& state) {
    const auto rows = static_cast<int>(state.range(0));
    DataGrid filled;
    filled.setRows(rows + 1);
    for (int r = 1; r <= rows; ++r) {
        if (r % 12 == 0) {
            filled.setTextMatrix(r, 0, std::to_string(r));
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        DataGrid grid = filled;
        state.ResumeTiming();
        tesselin::RemoveBlankRows(grid);
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.SetComplexityN(rows);
}
BENCHMARK(BM_RemoveBlankRows)
    ->Arg(8191)
    ->Arg(32766)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// Memory held by the grid for a 50 MB text file, as a multiple of its size.
// Two shapes: short numeric fields (the worst case for per-cell overhead) and
// wide lines of measurement values.
void BM_GridMemoryFor50MegabyteFile(benchmark::State& state) {
    const int fieldsPerLine = static_cast<int>(state.range(0));
    const std::string field = state.range(1) == 1 ? "7" : "123.456789";
    std::string line;
    for (int f = 0; f < fieldsPerLine; ++f) {
        line += field + " ";
    }
    line += "\r\n";
    std::string bytes;
    while (bytes.size() + line.size() <= 50'000'000) {
        bytes += line;
    }
    for (auto _ : state) {
        std::istringstream in(bytes);
        const std::size_t before = mallinfo2().uordblks;
        {
            DataGrid grid;
            try {
                tesselin::loadTextStream(grid, in, "bench.txt");
            } catch (...) {
                state.SkipWithError("import failed");
            }
            const std::size_t held = mallinfo2().uordblks - before;
            state.counters["memory/size"] =
                static_cast<double>(held) / static_cast<double>(bytes.size());
            state.counters["rows"] = grid.Rows() - 1;
        }
    }
}
BENCHMARK(BM_GridMemoryFor50MegabyteFile)
    ->Args({800, 1})   // 800 fields of "7": about 31,000 lines
    ->Args({140, 10})  // 140 fields of 10 characters
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
