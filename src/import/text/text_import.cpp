#include "import/text/text_import.h"

#include <istream>
#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/file_access.h"
#include "import/text/text_source.h"

namespace tesselin {
namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool splitFields(std::string_view line, std::vector<std::string_view>& fields, std::size_t most) {
    fields.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSeparator(line[i])) {
            ++i;
        }
        const std::size_t begin = i;
        while (i < line.size() && !isSeparator(line[i])) {
            ++i;
        }
        if (i > begin) {
            if (fields.size() == most) {
                return false;
            }
            fields.push_back(line.substr(begin, i - begin));
        }
    }
    return true;
}

namespace {

void splitLineIntoRow(DataGrid& grid, std::string_view line, int row) {
    grid.setRows(grid.Rows() + 1);

    // The column counter is 16-bit: the 32,768th field cannot be placed.
    std::vector<std::string_view> fields;
    const bool overflow = !splitFields(line, fields, static_cast<std::size_t>(kMaxCounter));
    const int oldCols = grid.Cols();
    const int needed = static_cast<int>(fields.size());
    if (needed > oldCols) {
        grid.setCols(needed);
        for (int col = oldCols; col < needed; ++col) {
            grid.setTextMatrix(0, col, columnCaption(col));
        }
    }
    grid.setRowCells(row, fields);

    if (overflow) {
        throw Failure(FailureNumber::Overflow, "Overflow: line " + std::to_string(row) +
                                                   " has more than " + std::to_string(kMaxCounter) +
                                                   " fields");
    }
}

}  // namespace

void SplitLineIntoRow(DataGrid& grid, std::string_view line, std::int16_t row) {
    splitLineIntoRow(grid, line, row);
}

void loadTextStream(DataGrid& grid, std::istream& in, std::string_view sourceName,
                    std::int32_t mostLines) {
    grid.setRows(1);
    grid.setCols(2);
    grid.setTextMatrix(0, 0, columnCaption(0));
    grid.setTextMatrix(0, 1, columnCaption(1));

    TextSource source(in, sourceName);
    LineReader lines(source, grid.memoryBudget());
    std::int32_t row = 1;
    for (std::string_view line; lines.next(line);) {
        try {
            splitLineIntoRow(grid, line, row);
        } catch (const Failure& failure) {
            throw Failure(failure.number(),
                          failure.description() + " in " + std::string(sourceName));
        }
        if (row == mostLines + 1) {
            throw Failure(FailureNumber::Overflow, "Overflow after line " + std::to_string(row) +
                                                       " of " + std::string(sourceName) +
                                                       ": a text file can have at most " +
                                                       std::to_string(mostLines) + " lines");
        }
        ++row;
    }
}

void LoadTextFile(DataGrid& grid, const std::filesystem::path& path) {
    loadTextFile(grid, path, kMaxCounter - 1);
}

void loadTextFile(DataGrid& grid, const std::filesystem::path& path, std::int32_t mostLines) {
    std::ifstream in = openForReading(path);
    loadTextStream(grid, in, path.string(), mostLines);
}

}  // namespace tesselin
