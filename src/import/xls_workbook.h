#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tesselin::xls {

enum class CellKind { Empty, Number, Text, Date };

struct Cell {
    CellKind kind = CellKind::Empty;
    double number = 0.0;  // Number
    std::string text;     // Text, as UTF-8
};

// A workbook opened with FreeXL. The file is released when the object goes,
// also when an import fails half-way.
class Workbook {
public:
    // Throws a Failure that names the file and says what is wrong with it.
    explicit Workbook(const std::filesystem::path& path);

    // Selects the first worksheet in workbook order and reads its size.
    void selectFirstSheet();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    std::uint32_t rows() const noexcept { return m_rows; }
    std::uint32_t columns() const noexcept { return m_columns; }
    bool uses1904Dates() const noexcept { return m_dates1904; }

    // Date, date-time and time cells come back as CellKind::Date without a
    // value: FreeXL shows them only as texts that drop parts of the serial
    // number, so the caller reads the number from the sheet's records.
    Cell cell(std::uint32_t row, std::uint32_t column) const;

private:
    const void* m_handle = nullptr;
    std::string m_name;
    std::uint32_t m_rows = 0;
    std::uint32_t m_columns = 0;
    bool m_dates1904 = false;
};

}  // namespace tesselin::xls
