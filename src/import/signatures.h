#pragma once

#include <optional>
#include <string_view>

namespace tesselin {

// The first bytes by which a file is known for what it is.
inline constexpr std::string_view kCompoundFileSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
inline constexpr std::string_view kZipSignature = "PK\x03\x04";

// The Excel version of a worksheet file of the formats before Excel 5.0
// (BIFF2 to BIFF4), which begin with their BOF record rather than a compound
// file: "Excel 2.x", "Excel 3.0" or "Excel 4.0"; nothing for other files.
constexpr std::optional<std::string_view> oldExcelVersion(std::string_view head) {
    if (head.size() < 8 || head[0] != '\x09') {
        return std::nullopt;
    }
    // The record's length, then the version and the kind of sheet, which
    // must be plausible: a worksheet, chart, macro sheet or workspace.
    const auto kind = static_cast<unsigned char>(head[6]) | static_cast<unsigned char>(head[7])
                                                                << 8;
    const bool sheet = kind == 0x10 || kind == 0x20 || kind == 0x40 || kind == 0x100;
    if (!sheet) {
        return std::nullopt;
    }
    if (head[1] == '\x00' && head[2] == '\x04' && head[3] == '\x00') {
        return std::string_view("Excel 2.x");
    }
    if (head[1] == '\x02' && head[2] == '\x06' && head[3] == '\x00') {
        return std::string_view("Excel 3.0");
    }
    if (head[1] == '\x04' && head[2] == '\x06' && head[3] == '\x00') {
        return std::string_view("Excel 4.0");
    }
    return std::nullopt;
}

// The refusal of such a file, whatever it was opened as; `why` completes
// "NAME ..." (see Failure::notAWorkbook).
constexpr std::string_view kOldExcelAdvice =
    " workbook, a format older than this program reads (Excel 5.0 or later). Open it in a "
    "spreadsheet program, save it as .xlsx and open that.";

}  // namespace tesselin
