// The results file writer on any table of cells: every line keeps its fixed
// columns, 74 characters and CR LF.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/results_file.h"
#include "analysis/results_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesselin::ResultsTable table{tesselin::kResultsCaptions};
    tesselin::ResultsRow row;
    std::size_t cell = 0;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '|') {
            row[cell++] = current;
            current.clear();
            if (cell == row.size()) {
                table.push_back(row);
                cell = 0;
            }
        } else if (c != '\r' && c != '\n') {
            current.push_back(c);
        }
    }
    const std::string text = tesselin::resultsFileText(table);
    std::size_t start = 0;
    std::size_t lines = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos || end - start != 74) {
            std::abort();
        }
        start = end + 2;
        ++lines;
    }
    if (lines != table.size()) {
        std::abort();
    }
    return 0;
}
