// Opening the largest workbook sheet the grid takes: 32,767 rows of two
// numeric columns, read and copied into the data grid.
#include <benchmark/benchmark.h>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/blank_rows.h"
#include "import/isolated_reader.h"
#include "import/workbook_import.h"
#include "support/BiffWriter.h"
#include "support/TempDir.h"

namespace {

void BM_OpenWorkbookIntoGrid(benchmark::State& state) {
    const tesselin::testing::TempDir dir;
    const auto file = dir.path() / "largest.xls";
    tesselin::testing::writeBiffWorkbook(
        file, {.biff8 = true, .sheets = {tesselin::testing::numericSheet(32767)}});
    for (auto _ : state) {
        tesselin::DataGrid grid;
        tesselin::FillGridFromTable(grid, tesselin::readWorkbook(file));
        try {
            tesselin::RemoveBlankRows(grid);
        } catch (const tesselin::Failure&) {
            // 32,767 kept rows end the removal with its Overflow report.
        }
        benchmark::DoNotOptimize(grid.Rows());
    }
}
BENCHMARK(BM_OpenWorkbookIntoGrid)->Unit(benchmark::kMillisecond);

// The same through the sandboxed helper process, as File > Open reads
// workbooks.
void BM_OpenWorkbookThroughHelper(benchmark::State& state) {
    const tesselin::testing::TempDir dir;
    const auto file = dir.path() / "largest.xls";
    tesselin::testing::writeBiffWorkbook(
        file, {.biff8 = true, .sheets = {tesselin::testing::numericSheet(32767)}});
    tesselin::setWorkbookHelper(TESSELIN_CLI);
    for (auto _ : state) {
        tesselin::DataGrid grid;
        tesselin::FillGridFromTable(grid, tesselin::readWorkbookIsolated(file).table);
        benchmark::DoNotOptimize(grid.Rows());
    }
}
BENCHMARK(BM_OpenWorkbookThroughHelper)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
