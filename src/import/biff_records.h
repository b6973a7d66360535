#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tesselin::xls {

// Cells are keyed by row and column in one number.
inline std::uint64_t cellKey(std::uint32_t row, std::uint32_t column) {
    return (std::uint64_t{row} << 32) | column;
}

// What the first worksheet's own records say about the cells that FreeXL
// cannot show faithfully.
struct SheetValues {
    // Texts to show: the stored results of formula cells ("" for an error or
    // an empty result, TRUE or FALSE for a Boolean), and Boolean and error
    // cells.
    std::unordered_map<std::uint64_t, std::string> texts;
    // The stored numbers of the cells that were asked for.
    std::unordered_map<std::uint64_t, double> numbers;
};

// The workbook stream ("Workbook" or "Book") of a compound file.
std::vector<std::uint8_t> readWorkbookStream(const std::filesystem::path& path);

// True when the workbook's globals carry a FILEPASS record: its contents are
// encrypted or obfuscated with a password.
bool isPasswordProtected(std::span<const std::uint8_t> stream);

// Walks the records of the first worksheet in a BIFF5 or BIFF8 workbook
// stream. Malformed records end the walk; nothing is read out of bounds.
SheetValues readFirstSheetValues(std::span<const std::uint8_t> stream,
                                 const std::unordered_set<std::uint64_t>& wantedNumbers);

}  // namespace tesselin::xls
