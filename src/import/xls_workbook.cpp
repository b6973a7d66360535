#include "import/xls_workbook.h"

#include <freexl.h>

#include <array>
#include <fstream>
#include <string_view>

#include "common/Failure.h"
#include "common/file_access.h"

namespace tesselin::xls {
namespace {

[[noreturn]] void throwNotAWorkbook(const std::string& name, const std::string& why) {
    throw Failure::notAWorkbook(name, why);
}

// Says why FreeXL refused a file, in words a user can act on.
[[noreturn]] void throwOpenFailure(const std::filesystem::path& path, int code) {
    const std::string name = path.string();
    // Look at the first bytes: an empty file or a newer workbook deserve a
    // plainer answer than "not a compound file".
    std::ifstream in = openForReading(path);
    std::array<char, 8> magic{};
    in.read(magic.data(), magic.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    const std::string_view start(magic.data(), got);
    if (got == 0) {
        throwNotAWorkbook(name, "is empty.");
    }
    if (start.starts_with(std::string_view("PK\x03\x04", 4))) {
        throwNotAWorkbook(name,
                          "is an Excel 2007 or later workbook (.xlsx). Save it in the Excel "
                          "97-2003 format (.xls) and open it again.");
    }
    if (start != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        throwNotAWorkbook(name, "is not an Excel 97-2003 or 5.0/95 workbook (.xls).");
    }
    switch (code) {
        case FREEXL_INSUFFICIENT_MEMORY:
            throw Failure::outOfMemory("Out of memory: " + name + " is too large to read.");
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            throwNotAWorkbook(name, "holds no Excel workbook.");
        default:
            throwNotAWorkbook(
                name, "is damaged or incomplete (FreeXL error " + std::to_string(code) + ").");
    }
}

}  // namespace

Workbook::Workbook(const std::filesystem::path& path) : m_name(path.string()) {
    // Missing, unreadable and special files get the plain file failures.
    openForReading(path);

    const int opened = freexl_open(m_name.c_str(), &m_handle);
    if (opened != FREEXL_OK) {
        freexl_close(m_handle);
        m_handle = nullptr;
        throwOpenFailure(path, opened);
    }
}

void Workbook::selectFirstSheet() {
    unsigned int info = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED) {
        throw Failure::passwordProtected(m_name);
    }
    if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0) {
        // FreeXL also drops a sheet whose size record claims more than an
        // .xls sheet can hold.
        throwNotAWorkbook(m_name, "has no worksheet that can be read.");
    }
    if (freexl_get_info(m_handle, FREEXL_BIFF_DATEMODE, &info) == FREEXL_OK) {
        m_dates1904 = info == FREEXL_BIFF_DATEMODE_1904;
    }
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(m_handle, &m_rows, &columns) != FREEXL_OK) {
        throwNotAWorkbook(m_name, "has a first worksheet that cannot be read.");
    }
    m_columns = columns;
}

Workbook::~Workbook() {
    if (m_handle != nullptr) {
        freexl_close(m_handle);
    }
}

Cell Workbook::cell(std::uint32_t row, std::uint32_t column) const {
    FreeXL_CellValue value{};
    const int read =
        freexl_get_cell_value(m_handle, row, static_cast<unsigned short>(column), &value);
    if (read != FREEXL_OK) {
        throwNotAWorkbook(m_name, "has a cell that cannot be read at row " +
                                      std::to_string(row + 1) + ", column " +
                                      std::to_string(column + 1) + ".");
    }
    switch (value.type) {
        case FREEXL_CELL_INT:
            return {CellKind::Number, static_cast<double>(value.value.int_value), {}};
        case FREEXL_CELL_DOUBLE:
            return {CellKind::Number, value.value.double_value, {}};
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return {CellKind::Text, 0.0, value.value.text_value ? value.value.text_value : ""};
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return {CellKind::Date, 0.0, {}};
        default:
            return {};
    }
}

}  // namespace tesselin::xls
