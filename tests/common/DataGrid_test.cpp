#include "common/DataGrid.h"
#include "support/GridTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Failure.h"

namespace tesselin {
namespace {

using testing::contents;
using testing::gridOf;
using testing::Table;

TEST(DataGrid, StartsWithTwoEmptyRowsAndTwoColumns) {
    const DataGrid grid;
    EXPECT_EQ(contents(grid), (std::vector<std::vector<std::string>>{{"", ""}, {"", ""}}));
}

TEST(DataGrid, ResizingKeepsTheCellsThatRemain) {
    DataGrid grid = gridOf({{"a", "b", "c"}, {"d", "e", "f"}});
    grid.setCols(2);
    grid.setCols(4);  // columns come back empty, not with their old text
    grid.setRows(3);
    EXPECT_EQ(contents(grid), (std::vector<std::vector<std::string>>{
                                  {"a", "b", "", ""}, {"d", "e", "", ""}, {"", "", "", ""}}));
    grid.setRows(1);
    grid.setCols(0);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.Cols(), 0);
}

TEST(DataGrid, RewritesACellInTheMiddleOfARow) {
    DataGrid grid = gridOf({{"one", "two", "three"}});
    grid.setTextMatrix(0, 1, "a much longer text");
    grid.setTextMatrix(0, 0, "");
    grid.setTextMatrix(0, 2, "3");
    EXPECT_EQ(contents(grid),
              (std::vector<std::vector<std::string>>{{"", "a much longer text", "3"}}));
}

TEST(DataGrid, RemoveItemMovesTheRowsBelowUp) {
    DataGrid grid = gridOf({{"h"}, {"1"}, {"2"}, {"3"}});
    grid.RemoveItem(2);
    EXPECT_EQ(contents(grid), (std::vector<std::vector<std::string>>{{"h"}, {"1"}, {"3"}}));
    grid.removeMarkedRows({false, true, false});
    EXPECT_EQ(contents(grid), (std::vector<std::vector<std::string>>{{"h"}, {"3"}}));
}

TEST(DataGrid, RefusesCellsOutsideTheGrid) {
    DataGrid grid;
    const auto failureNumber = [](auto&& action) {
        try {
            action();
        } catch (const Failure& failure) {
            return failure.number();
        }
        return 0;
    };
    EXPECT_EQ(failureNumber([&] { (void)grid.TextMatrix(2, 0); }),
              FailureNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumber([&] { grid.setTextMatrix(0, 2, "x"); }),
              FailureNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumber([&] { grid.RemoveItem(-1); }), FailureNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumber([&] { grid.setRows(-1); }), FailureNumber::InvalidArgument);
    EXPECT_EQ(grid.Rows(), 2);
}

TEST(DataGrid, BlankCellsAreEmptyOrBeginWithASpaceOrATab) {
    EXPECT_TRUE(isBlankCell(""));
    EXPECT_TRUE(isBlankCell(" 12"));
    EXPECT_TRUE(isBlankCell("\t12"));
    EXPECT_FALSE(isBlankCell("12 "));
    EXPECT_FALSE(isBlankCell("0"));

    const DataGrid grid = gridOf({{"h", "h"}, {"", " 5"}, {"", "5"}, {"5 ", ""}});
    EXPECT_TRUE(grid.isBlankRow(1));
    EXPECT_FALSE(grid.isBlankRow(2));
    EXPECT_FALSE(grid.isBlankRow(3));
}

}  // namespace
}  // namespace tesselin
