#include "import/text/blank_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "support/Expectations.h"
#include "support/GridTables.h"

namespace tesselin {
namespace {

using testing::contents;
using testing::gridOf;
using testing::Table;

const std::vector<std::string> kHeader = {"Col. 0", "Col. 1"};

TEST(RemoveBlankRows, RemovesBlankRowsAndClosesUpTheRest) {
    const struct {
        const char* name;
        Table before;
        Table after;
    } cases[] = {
        {"header only", {kHeader}, {kHeader}},
        {"leading blanks", {kHeader, {"", ""}, {"", ""}, {"1", "2"}}, {kHeader, {"1", "2"}}},
        {"all blank", {kHeader, {"", ""}, {" ", "\t"}, {"", ""}}, {kHeader}},
        {"space before value is blank", {kHeader, {" 5", ""}, {"5 ", ""}}, {kHeader, {"5 ", ""}}},
        {"value in last column only", {kHeader, {"", "7"}}, {kHeader, {"", "7"}}},
        {"order kept",
         {kHeader, {"a", ""}, {"", ""}, {"b", ""}, {"", ""}, {"c", ""}},
         {kHeader, {"a", ""}, {"b", ""}, {"c", ""}}},
        {"header never examined", {{"", ""}, {"1", ""}}, {{"", ""}, {"1", ""}}},
    };
    for (const auto& c : cases) {
        DataGrid grid = gridOf(c.before);
        RemoveBlankRows(grid);
        EXPECT_EQ(contents(grid), c.after) << c.name;
        RemoveBlankRows(grid);
        EXPECT_EQ(contents(grid), c.after) << c.name << " (second run)";
    }
}

// A grid of one column under a caption row.
DataGrid gridWithRows(const std::vector<std::string>& column) {
    Table rows = {{"Col. 0"}};
    for (const std::string& cell : column) {
        rows.push_back({cell});
    }
    return gridOf(rows);
}

TEST(RemoveBlankRows, KeepsUpTo32766DataRowsWithoutOverflow) {
    std::vector<std::string> column(32766, "1");
    column.insert(column.begin() + 5, "");
    DataGrid grid = gridWithRows(column);
    RemoveBlankRows(grid);
    EXPECT_EQ(grid.Rows(), 32767);
}

TEST(RemoveBlankRows, OverflowsPastThe32767thKeptRowAndLeavesTheRestUnexamined) {
    std::vector<std::string> column(32767, "1");
    column.insert(column.begin(), "");  // removed before the overflow
    column.push_back("");               // after it: never examined
    column.push_back("last");
    DataGrid grid = gridWithRows(column);
    EXPECT_FAILURE(RemoveBlankRows(grid), FailureNumber::Overflow, "32766 rows");
    EXPECT_EQ(grid.Rows(), 1 + 32767 + 2);
    EXPECT_EQ(grid.TextMatrix(1, 0), "1");
    EXPECT_EQ(grid.TextMatrix(32768, 0), "");
    EXPECT_EQ(grid.TextMatrix(32769, 0), "last");
}

}  // namespace
}  // namespace tesselin
