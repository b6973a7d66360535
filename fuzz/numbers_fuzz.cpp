// The number rules on any text: reading never fails or gives NaN, and the
// number text of a value reads back to a value with the same text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = tesselin::leadingNumberValue(text);
    if (std::isnan(value) || std::isinf(value)) {
        std::abort();
    }
    const std::string shown = tesselin::numberText(value);
    const double back = tesselin::leadingNumberValue(shown);
    if (tesselin::numberText(back) != shown || shown.size() > 22) {
        std::abort();
    }
    if (const auto whole = tesselin::strictWholeNumber(text)) {
        if (std::isnan(*whole) || *whole != std::nearbyint(*whole)) {
            std::abort();
        }
    }
    const double rounded = tesselin::roundHalfEven(value, 7);
    // At most half a unit of the seventh decimal away (with room for the binary value).
    if (std::isnan(rounded) ||
        std::fabs(rounded - value) > 6e-8 * std::max(1.0, std::fabs(value))) {
        std::abort();
    }
    return 0;
}
