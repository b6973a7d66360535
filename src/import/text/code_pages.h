#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tesselin {

// Converts the 8-bit text of older workbooks (Excel 5.0/95 keeps its strings
// in the workbook's Windows code page) to UTF-8. The converters are loaded by
// preloadCodePages(), before the workbook helper gives up its right to open
// files; a code page that was not loaded reads as Windows-1252.
void preloadCodePages();
std::string codePageToUtf8(std::span<const std::uint8_t> bytes, std::uint16_t codePage);

}  // namespace tesselin
