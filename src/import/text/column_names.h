#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesselin {

class DataGrid;

// A cell text that the readers take as a value: wholly a number, or an ISO
// 8601 date or date-time.
bool isNumberOrDate(std::string_view text);

// The header rule of separated values and of .xlsx and .ods sheets: the first
// row is a header when one of its cells is neither a number, a date nor empty
// while the same column of the next row holds a number or a date (so columns
// of text, such as a sensor's name, do not stop it). A header row is taken out
// of the table (which has no caption row) and its texts come back as the
// column names; otherwise nothing changes and no names come back.
std::vector<std::string> takeHeader(DataGrid& table);

// The same rule over the texts of the first two rows, by column.
bool isHeader(const std::vector<std::string>& first, const std::vector<std::string>& second);

// The header of separated values, from its first rows (at most three, each
// with the fields its record had): the rule above, and besides it
// - a row of texts right under the names (units, "s" or "[V]") joins them in
//   the names ("mag [V]") and is no data row;
// - a header one field short of the data rows whose first field is a row
//   label (the numbers 1, 2, 3, ... or texts, as R's write.table writes row
//   names) names the columns from the second on.
// `rows` says how many of the first rows the header takes (0 for none).
struct SeparatedHeader {
    std::vector<std::string> names;
    std::size_t rows = 0;
};
SeparatedHeader separatedHeader(const std::vector<std::vector<std::string>>& first);

// The same over a table of separated values (no caption row): the header rows
// are taken out and their names come back.
std::vector<std::string> takeSeparatedHeader(DataGrid& table);

// The column that an option such as tesselin-cli's --x names: a whole number
// ("3", " 3.0 "), or a name among the header's names ("mag" also names
// "mag [V]", a name with its unit). Nothing for a name that no column has, or
// a number that cannot be a column.
std::optional<std::uint32_t> columnNamed(std::string_view text,
                                         const std::vector<std::string>& names);

// The caption of column k with its name: "Col. 0 JD", or "Col. 0" without.
std::string namedCaption(int col, const std::vector<std::string>& names);

// The name in a caption made by namedCaption ("JD" in "Col. 0 JD").
std::string_view nameInCaption(int col, std::string_view caption);

}  // namespace tesselin
