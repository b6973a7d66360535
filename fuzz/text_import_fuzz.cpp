// The text import and the blank-row removal on any bytes: they may fail with
// a Failure, but the grid stays consistent and nothing crashes.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/blank_rows.h"
#include "import/text_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesselin::DataGrid grid;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        tesselin::loadTextStream(grid, in, "fuzz.txt");
        tesselin::RemoveBlankRows(grid);
    } catch (const tesselin::Failure&) {
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
