#include "import/text_import.h"

#include <algorithm>
#include <istream>
#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "common/file_access.h"

namespace tesselin {
namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '\t';
}

// Calls onLine for every line of the stream. A line ends at CR, CR LF or LF;
// a final line is reported only if bytes follow the last terminator.
//
// The stream buffer is read one filled buffer at a time, so that a read error
// loses nothing that was read before it.
//
// A line longer than maxLine bytes could never fit the grid; reading stops
// there with an Out of memory failure instead of holding it all.
template <typename OnLine>
void forEachLine(std::istream& in, std::string_view sourceName, std::size_t maxLine,
                 OnLine&& onLine) {
    using Traits = std::istream::traits_type;
    constexpr std::streamsize kChunk = 1 << 16;
    std::vector<char> chunk(static_cast<std::size_t>(kChunk));
    std::streambuf* buffer = in.rdbuf();
    std::string line;
    bool pendingCr = false;  // the previous chunk ended in CR; an LF may follow
    bool lineOpen = false;   // bytes have been read since the last terminator

    while (buffer != nullptr) {
        std::streamsize available = 0;
        try {
            if (Traits::eq_int_type(buffer->sgetc(), Traits::eof())) {
                break;
            }
            // At least one byte is buffered now, and sgetn takes no more than
            // the buffer holds.
            available = std::min(buffer->in_avail(), kChunk);
            available = buffer->sgetn(chunk.data(), std::max<std::streamsize>(available, 1));
        } catch (const std::exception&) {
            in.setstate(std::ios::badbit);
            throw Failure(FailureNumber::DeviceIoError,
                          "Device I/O error while reading " + std::string(sourceName));
        }
        const auto got = static_cast<std::size_t>(available);
        std::size_t start = 0;
        if (got > 0 && pendingCr && chunk[0] == '\n') {
            start = 1;
        }
        pendingCr = false;
        for (std::size_t i = start; i < got; ++i) {
            const char c = chunk[i];
            if (c != '\r' && c != '\n') {
                continue;
            }
            line.append(chunk.data() + start, i - start);
            onLine(std::string_view(line));
            line.clear();
            lineOpen = false;
            if (c == '\r') {
                if (i + 1 < got) {
                    if (chunk[i + 1] == '\n') {
                        ++i;
                    }
                } else {
                    pendingCr = true;
                }
            }
            start = i + 1;
        }
        if (start < got) {
            line.append(chunk.data() + start, got - start);
            lineOpen = true;
            if (line.size() > maxLine) {
                throw Failure(FailureNumber::OutOfMemory,
                              "Out of memory: a line of " + std::string(sourceName) +
                                  " is longer than the " + std::to_string(maxLine >> 20) +
                                  " MB the data grid may use");
            }
        }
    }
    if (lineOpen) {
        onLine(std::string_view(line));
    }
}

}  // namespace

void SplitLineIntoRow(DataGrid& grid, std::string_view line, std::int16_t row) {
    grid.setRows(grid.Rows() + 1);

    // One field more than can be placed is enough to know the line overflows.
    constexpr auto kMostFields = static_cast<std::size_t>(kMaxCounter) + 1;
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size() && fields.size() < kMostFields) {
        while (i < line.size() && isSeparator(line[i])) {
            ++i;
        }
        const std::size_t begin = i;
        while (i < line.size() && !isSeparator(line[i])) {
            ++i;
        }
        if (i > begin) {
            fields.push_back(line.substr(begin, i - begin));
        }
    }

    // The column counter is 16-bit: the 32,768th field cannot be placed.
    const bool overflow = fields.size() > static_cast<std::size_t>(kMaxCounter);
    if (overflow) {
        fields.resize(static_cast<std::size_t>(kMaxCounter));
    }
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

void loadTextStream(DataGrid& grid, std::istream& in, std::string_view sourceName) {
    grid.setRows(1);
    grid.setCols(2);
    grid.setTextMatrix(0, 0, columnCaption(0));
    grid.setTextMatrix(0, 1, columnCaption(1));

    std::int16_t row = 1;
    forEachLine(in, sourceName, grid.memoryBudget(), [&](std::string_view line) {
        try {
            SplitLineIntoRow(grid, line, row);
        } catch (const Failure& failure) {
            throw Failure(failure.number(),
                          failure.description() + " in " + std::string(sourceName));
        }
        if (row == kMaxCounter) {
            throw Failure(FailureNumber::Overflow, "Overflow after line " + std::to_string(row) +
                                                       " of " + std::string(sourceName) +
                                                       ": a text file can have at most " +
                                                       std::to_string(kMaxCounter - 1) + " lines");
        }
        ++row;
    });
}

void LoadTextFile(DataGrid& grid, const std::filesystem::path& path) {
    std::ifstream in = openForReading(path);
    loadTextStream(grid, in, path.string());
}

}  // namespace tesselin
