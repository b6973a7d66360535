#pragma once

#include <string>
#include <string_view>

namespace tesselin {

bool isValidUtf8(std::string_view bytes) noexcept;

// Appends one code point (up to U+10FFFF) to a UTF-8 text.
void appendUtf8(std::string& out, char32_t codePoint);

// The text to show for a cell's bytes, as UTF-8: the bytes themselves where
// they are valid UTF-8, else their reading as Windows-1252 (the usual code page
// of older Windows files). The five bytes that Windows-1252 leaves undefined
// show as the control characters of the same number, as Windows shows them.
std::string displayText(std::string_view bytes);

}  // namespace tesselin
