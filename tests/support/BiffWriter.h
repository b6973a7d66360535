#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tesselin::testing {

// Writes small Excel 5.0/95 (BIFF5) and 97-2003 (BIFF8) workbooks: sheets of
// numbers and texts in a compound file. Tests use it for what no spreadsheet
// program at hand writes: BIFF5, sheets of tens of thousands of rows made at
// test time, a workbook without sheets, a password marker, a dimension record
// that claims more than the sheet holds.
using BiffCell = std::variant<std::monostate, double, std::string>;

struct BiffSheet {
    std::string name = "Sheet1";
    std::vector<std::vector<BiffCell>> rows;
    // The size the sheet claims (rows, columns); by default the real one.
    std::optional<std::pair<std::uint32_t, std::uint16_t>> claimedSize;
};

struct BiffWorkbook {
    bool biff8 = false;
    bool passwordMarker = false;  // a FILEPASS record in the globals
    std::vector<BiffSheet> sheets;
};

void writeBiffWorkbook(const std::filesystem::path& path, const BiffWorkbook& workbook);

// A sheet of `rows` rows with the numbers (r * 0.5, r mod 7 - 3.25).
BiffSheet numericSheet(std::uint32_t rows);

}  // namespace tesselin::testing
