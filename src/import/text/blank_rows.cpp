#include "import/text/blank_rows.h"

#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"

namespace tesselin {

void RemoveBlankRows(DataGrid& grid) {
    const int rows = grid.Rows();
    std::vector<bool> blank(static_cast<std::size_t>(rows), false);
    int kept = 0;
    bool overflow = false;
    for (int r = 1; r < rows; ++r) {
        if (grid.isBlankRow(r)) {
            blank[static_cast<std::size_t>(r)] = true;
        } else if (++kept == kMaxCounter) {
            // This row has become row 32,767; moving the counter past it
            // overflows, so nothing after it is examined.
            overflow = true;
            break;
        }
    }
    grid.removeMarkedRows(blank);
    if (overflow) {
        throw Failure(FailureNumber::Overflow,
                      "Overflow while removing blank rows: a data set can have at most " +
                          std::to_string(kMaxCounter - 1) + " rows");
    }
}

}  // namespace tesselin
