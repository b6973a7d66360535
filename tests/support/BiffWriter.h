#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tesselin::testing {

// Writes Excel 5.0/95 (BIFF5) and 97-2003 (BIFF8) workbooks in a compound
// file. Tests use it for what no spreadsheet program at hand writes: BIFF5,
// sheets of tens of thousands of rows made at test time, sheets of every
// kind in front of the first worksheet, and the many ways a file can be
// damaged.
struct Dated {  // a number under a date format
    double serial = 0;
};
struct FormulaResult {  // a formula cell's stored number
    double value = 0;
    bool date = false;
};
using BiffCell = std::variant<std::monostate, double, std::string, Dated, FormulaResult>;

// A record written as it is, for damage and for records the writer does not
// otherwise write.
struct RawRecord {
    std::uint16_t type = 0;
    std::string data{};
};

struct BiffSheet {
    std::string name = "Sheet1";
    // What BOUNDSHEET calls it: 0 worksheet, 1 macro sheet, 2 chart, 6 VB module.
    std::uint8_t kind = 0;
    bool dialog = false;  // a worksheet marked as a dialog sheet
    std::vector<std::vector<BiffCell>> rows{};
    // The size the sheet claims (rows, columns); by default the real one.
    std::optional<std::pair<std::uint32_t, std::uint16_t>> claimedSize{};
    std::vector<RawRecord> extraRecords{};  // after the cells
    bool endRecord = true;
};

struct BiffWorkbook {
    bool biff8 = false;
    bool passwordMarker = false;  // a FILEPASS record in the globals
    bool dates1904 = false;
    bool sharedStrings = false;       // BIFF8 texts in the SST, cells as LABELSST
    std::uint32_t sstCountExtra = 0;  // the SST claims this many strings more
    std::vector<BiffSheet> sheets{};
    std::size_t cutBytes = 0;  // cut off the end of the workbook stream
    // Another workbook in a "Book" stream beside "Workbook".
    std::optional<std::vector<BiffSheet>> bookStream{};
    // The directory entry claims this many bytes more than the stream has.
    std::uint32_t claimedExtraBytes = 0;
    std::vector<RawRecord> globalsRecords{};  // after the cell formats
};

void writeBiffWorkbook(const std::filesystem::path& path, const BiffWorkbook& workbook);

// A compound file of the given streams (name, bytes): an .xlsx saved with a
// password is one ("EncryptionInfo", "EncryptedPackage").
void writeCompoundFile(const std::filesystem::path& path,
                       const std::vector<std::pair<std::string, std::string>>& streams);

// A sheet of `rows` rows with the numbers (r * 0.5, r mod 7 - 3.25).
BiffSheet numericSheet(std::uint32_t rows);

}  // namespace tesselin::testing
