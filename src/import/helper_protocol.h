#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tesselin {

class DataGrid;
class Failure;

// What the workbook helper hands back to the program that started it: "TSLW",
// then 'O', the number of rows and columns and every cell as its length and
// bytes; or 'F', a failure's number and description. Numbers are 32-bit,
// little-endian.
std::string tableAnswer(const DataGrid& table);
std::string failureAnswer(const Failure& failure);

// The table in a helper's answer, or the helper's failure; an answer that
// does not parse is reported as a damaged workbook.
DataGrid tableFromHelperAnswer(std::string_view answer, const std::filesystem::path& path);

}  // namespace tesselin
