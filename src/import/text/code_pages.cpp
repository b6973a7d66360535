#include "import/text/code_pages.h"

#include <iconv.h>

#include <array>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "common/text_encoding.h"

namespace tesselin {
namespace {

// The code pages that workbooks name in their CODEPAGE record, by the
// names iconv knows them by.
constexpr std::array<std::pair<std::uint16_t, const char*>, 17> kCodePages = {{
    {437, "CP437"},
    {850, "CP850"},
    {874, "CP874"},
    {932, "CP932"},
    {936, "CP936"},
    {949, "CP949"},
    {950, "CP950"},
    {1250, "CP1250"},
    {1251, "CP1251"},
    {1252, "CP1252"},
    {1253, "CP1253"},
    {1254, "CP1254"},
    {1255, "CP1255"},
    {1256, "CP1256"},
    {1257, "CP1257"},
    {1258, "CP1258"},
    {10000, "MACINTOSH"},
}};

struct Converters {
    std::once_flag loaded;
    std::unordered_map<std::uint16_t, iconv_t> byCodePage;

    Converters() = default;
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;
    ~Converters() {
        for (const auto& [codePage, converter] : byCodePage) {
            iconv_close(converter);
        }
    }
};

Converters& converters() {
    static Converters instance;
    return instance;
}

}  // namespace

void preloadCodePages() {
    Converters& all = converters();
    std::call_once(all.loaded, [&all] {
        for (const auto& [codePage, name] : kCodePages) {
            const iconv_t converter = iconv_open("UTF-8", name);
            if (converter != reinterpret_cast<iconv_t>(-1)) {
                all.byCodePage.emplace(codePage, converter);
            }
        }
    });
}

std::string codePageToUtf8(std::span<const std::uint8_t> bytes, std::uint16_t codePage) {
    preloadCodePages();
    const auto found = converters().byCodePage.find(codePage);
    if (found != converters().byCodePage.end()) {
        const iconv_t converter = found->second;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);  // a fresh start
        std::string out(bytes.size() * 4 + 4, '\0');
        char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
        std::size_t inLeft = bytes.size();
        char* outAt = out.data();
        std::size_t outLeft = out.size();
        if (iconv(converter, &in, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1)) {
            out.resize(out.size() - outLeft);
            return out;
        }
    }
    // An unknown code page, or bytes it does not define: keep them readable.
    return displayText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace tesselin
