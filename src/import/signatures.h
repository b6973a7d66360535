#pragma once

#include <string_view>

namespace tesselin {

// The first bytes by which a file is known for what it is.
inline constexpr std::string_view kCompoundFileSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
inline constexpr std::string_view kZipSignature = "PK\x03\x04";

}  // namespace tesselin
