#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselin {

// One measurement: its X (time, position) and its Y (the measured value).
struct DataPoint {
    double x = 0.0;
    double y = 0.0;
};

// Cells of the X or Y column that did not read as numbers: how many, and the
// first of them (its text, its data row counted from 1, its column's caption
// "Col. 1 mag"). Under the whole-value rule they are rows left out; under the
// leading-number rule, cells read as 0.
struct SkippedCells {
    std::uint64_t count = 0;
    std::string firstText;
    std::uint64_t firstRow = 0;
    std::string firstColumn;
    // The most of the first text kept, for a message.
    static constexpr std::size_t kShownBytes = 100;

    void add(std::string_view text, std::uint64_t row, const std::string& column) {
        if (count++ == 0) {
            firstText = text.substr(0, kShownBytes);
            firstRow = row;
            firstColumn = column;
        }
    }
};

}  // namespace tesselin
