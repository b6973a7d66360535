#include "common/text_encoding.h"

#include <gtest/gtest.h>

namespace tesselin {
namespace {

TEST(DisplayText, ShowsValidUtf8AsItIsAndOtherBytesAsWindows1252) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"12.5", "12.5"},
        {"\xc2\xb5m", "\xc2\xb5m"},                        // µm in UTF-8
        {"\xb5m", "\xc2\xb5m"},                            // µm in Windows-1252
        {"\x80 5", "\xe2\x82\xac 5"},                      // the euro sign
        {"caf\xe9", "caf\xc3\xa9"},                        // café in Windows-1252
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                  // an overlong form is not UTF-8
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},  // nor is a surrogate
        {"\x81", "\xc2\x81"},                              // undefined in Windows-1252
        {"\xe2\x82", "\xc3\xa2\xe2\x80\x9a"},              // a cut-off sequence
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displayText(c.bytes), c.shown) << c.bytes;
        EXPECT_TRUE(isValidUtf8(displayText(c.bytes))) << c.bytes;
    }
}

}  // namespace
}  // namespace tesselin
