#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/DataGrid.h"
#include "common/DataPoint.h"

namespace tesselin {

// Whether a row's two cells give a point under a rule; `skipped` (the rows
// left out, or the cells read as 0) counts what did not read, at `row`,
// naming the column by `xCaption` or `yCaption`.
struct CellReading {
    CellRule rule;
    SkippedCells& rowsLeftOut;
    SkippedCells& cellsReadAsZero;
};
std::optional<DataPoint> readPoint(std::string_view x, std::string_view y, std::uint64_t row,
                                   const std::string& xCaption, const std::string& yCaption,
                                   const CellReading& reading);

}  // namespace tesselin
