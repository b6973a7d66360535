// The text import and the blank-row removal on any bytes: they may fail with
// a Failure, but the grid stays consistent and nothing crashes.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/numbers.h"
#include "import/column_stream.h"
#include "import/text/blank_rows.h"
#include "import/text/text_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesselin::DataGrid grid;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    bool loaded = false;
    try {
        tesselin::loadTextStream(grid, in, "fuzz.txt");
        tesselin::RemoveBlankRows(grid);
        loaded = true;
    } catch (const tesselin::Failure&) {
    }
    if (loaded) {
        // tesselin-cli's streaming of two columns takes the points the grid holds.
        std::istringstream again(text);
        const tesselin::ColumnData streamed =
            tesselin::readTextColumns(again, "fuzz.txt", "1", "0");
        std::size_t point = 0;
        for (int r = 1; r < grid.Rows(); ++r) {
            const std::string_view x = grid.TextMatrix(r, 1);
            const std::string_view y = grid.TextMatrix(r, 0);
            if (tesselin::isBlankCell(x) || tesselin::isBlankCell(y)) {
                continue;
            }
            if (point >= streamed.points.size() ||
                streamed.points[point].x != tesselin::leadingNumberValue(x) ||
                streamed.points[point].y != tesselin::leadingNumberValue(y)) {
                std::abort();
            }
            ++point;
        }
        if (point != streamed.points.size() ||
            streamed.columns != static_cast<std::uint64_t>(grid.Cols())) {
            std::abort();
        }
    }
    std::size_t bytes = 0;
    for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < grid.Cols(); ++c) {
            bytes += grid.TextMatrix(r, c).size();
        }
    }
    // Cells hold only the file's bytes (UTF-16 text grows by half as UTF-8,
    // and a cut character becomes the three bytes of U+FFFD) and the captions.
    if (bytes > 3 * size + 16 * static_cast<std::size_t>(grid.Cols())) {
        std::abort();
    }
    return 0;
}
