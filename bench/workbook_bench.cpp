// Opening the largest workbook sheet the grid takes: 32,767 rows of two
// numeric columns, read and copied into the data grid.
#include <benchmark/benchmark.h>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/data_set.h"
#include "import/helper/isolated_reader.h"
#include "import/text/blank_rows.h"
#include "import/workbook/workbook_import.h"
#include "support/BiffWriter.h"
#include "support/TempDir.h"
#include "support/ZipWriter.h"

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

// A sheet of 32,767 rows by two columns (names, then 32,766 rows of numbers,
// the most the window takes), as .xlsx and as .ods, opened from File > Open
// by content: through the helper, the header rule, into the grid.
std::vector<std::pair<std::string, std::string>> largestXlsx() {
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string rows =
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c>"
        "<c r=\"B1\" t=\"inlineStr\"><is><t>y</t></is></c></row>";
    for (int r = 2; r <= 32767; ++r) {
        rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
                std::to_string(r * 0.5) + "</v></c><c r=\"B" + std::to_string(r) + "\"><v>" +
                std::to_string(r % 7 - 3.25) + "</v></c></row>";
    }
    return {{"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel +
                                    "\"><sheets><sheet name=\"D\" sheetId=\"1\" r:id=\"rId1\"/>"
                                    "</sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels",
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
             "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                 rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
            {"xl/worksheets/sheet1.xml",
             "<worksheet xmlns=\"" + main + "\"><sheetData>" + rows + "</sheetData></worksheet>"}};
}

std::vector<std::pair<std::string, std::string>> largestOds() {
    std::string rows =
        "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>x</text:p>"
        "</table:table-cell><table:table-cell office:value-type=\"string\"><text:p>y</text:p>"
        "</table:table-cell></table:table-row>";
    for (int r = 2; r <= 32767; ++r) {
        rows += "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"" +
                std::to_string(r * 0.5) +
                "\"/><table:table-cell office:value-type=\"float\" office:value=\"" +
                std::to_string(r % 7 - 3.25) + "\"/></table:table-row>";
    }
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
            {"content.xml",
             "<office:document-content "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
             "<office:spreadsheet><table:table>" +
                 rows +
                 "</table:table></office:spreadsheet></office:body>"
                 "</office:document-content>"}};
}

void BM_OpenZipWorkbookThroughHelper(benchmark::State& state) {
    const tesselin::testing::TempDir dir;
    const bool xlsx = state.range(0) == 0;
    const auto file = dir.path() / (xlsx ? "largest.xlsx" : "largest.ods");
    tesselin::testing::writeZip(file, xlsx ? largestXlsx() : largestOds());
    tesselin::setWorkbookHelper(TESSELIN_CLI);
    for (auto _ : state) {
        tesselin::DataGrid grid;
        tesselin::loadDataSet(grid, file, tesselin::DataKind::ByContent);
        benchmark::DoNotOptimize(grid.Rows());
    }
    state.SetLabel(xlsx ? "xlsx" : "ods");
}
BENCHMARK(BM_OpenZipWorkbookThroughHelper)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A CSV file of 32,766 lines with a header, opened by content.
void BM_OpenSeparatedValues(benchmark::State& state) {
    const tesselin::testing::TempDir dir;
    std::string lines = "time,value\r\n";
    for (int r = 1; r < 32766; ++r) {
        lines += std::to_string(r * 0.5) + "," + std::to_string(r % 7 - 3.25) + "\r\n";
    }
    const auto file = dir.write("largest.csv", lines);
    for (auto _ : state) {
        tesselin::DataGrid grid;
        tesselin::loadDataSet(grid, file, tesselin::DataKind::ByContent);
        benchmark::DoNotOptimize(grid.Rows());
    }
}
BENCHMARK(BM_OpenSeparatedValues)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
