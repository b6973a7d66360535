#include "terminal_text.h"

#include <array>

namespace tesselin::cli {

std::string terminalSafe(std::string_view text) {
    constexpr std::array<char, 17> kHex = {"0123456789abcdef"};
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n') {
            safe += "\\n";
        } else if (byte == '\r') {
            safe += "\\r";
        } else if (byte == '\t') {
            safe += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            safe += "\\x";
            safe += kHex[byte >> 4];
            safe += kHex[byte & 0xF];
        } else if (byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // The C1 controls in UTF-8 (U+0080 to U+009F; U+009B starts a
            // terminal's control sequence as ESC [ does).
            const auto code = static_cast<unsigned char>(text[++i]);
            safe += "\\u00";
            safe += kHex[code >> 4];
            safe += kHex[code & 0xF];
        } else {
            safe += static_cast<char>(byte);
        }
    }
    return safe;
}

}  // namespace tesselin::cli
