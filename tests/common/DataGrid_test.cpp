#include "common/DataGrid.h"

#include <gtest/gtest.h>

#include "support/Expectations.h"
#include "support/GridTables.h"

namespace tesselin {
namespace {

using testing::contents;
using testing::gridOf;
using testing::Table;

TEST(DataGrid, KeepsTheCellsThatRemainThroughEveryChange) {
    EXPECT_EQ(contents(DataGrid()), (Table{{"", ""}, {"", ""}}));  // before any import

    DataGrid grid = gridOf({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
    grid.setCols(2);
    grid.setCols(4);  // columns come back empty, not with their old text
    grid.setTextMatrix(0, 1, "a much longer text");
    grid.setTextMatrix(0, 0, "");
    grid.setTextMatrix(1, 3, "z");
    grid.RemoveItem(2);
    grid.setRows(3);
    EXPECT_EQ(contents(grid),
              (Table{{"", "a much longer text", "", ""}, {"d", "e", "", "z"}, {"", "", "", ""}}));
    grid.removeMarkedRows({true, false, true});
    EXPECT_EQ(contents(grid), (Table{{"d", "e", "", "z"}}));
}

TEST(DataGrid, RefusesCellsOutsideTheGrid) {
    DataGrid grid;
    EXPECT_FAILURE((void)grid.TextMatrix(2, 0), FailureNumber::SubscriptOutOfRange, "row 2");
    EXPECT_FAILURE(grid.setTextMatrix(0, 2, "x"), FailureNumber::SubscriptOutOfRange, "column 2");
    EXPECT_FAILURE(grid.RemoveItem(-1), FailureNumber::SubscriptOutOfRange, "row -1");
    EXPECT_FAILURE(grid.setRows(-1), FailureNumber::InvalidArgument, "-1 rows");
    EXPECT_EQ(grid.Rows(), 2);
}

TEST(DataGrid, BlankCellsAreEmptyOrBeginWithASpaceOrATab) {
    for (const char* blank : {"", " 12", "\t12"}) {
        EXPECT_TRUE(isBlankCell(blank)) << blank;
    }
    for (const char* value : {"12 ", "0"}) {
        EXPECT_FALSE(isBlankCell(value)) << value;
    }
    const DataGrid grid = gridOf({{"h", "h"}, {"", " 5"}, {"", "5"}, {"5 ", ""}});
    EXPECT_TRUE(grid.isBlankRow(1));
    EXPECT_FALSE(grid.isBlankRow(2));
    EXPECT_FALSE(grid.isBlankRow(3));
}

}  // namespace
}  // namespace tesselin
