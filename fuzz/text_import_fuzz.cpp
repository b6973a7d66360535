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
    if (bytes > size + 16 * static_cast<std::size_t>(grid.Cols())) {
        std::abort();  // cells hold only the file's bytes and the captions
    }
    return 0;
}
