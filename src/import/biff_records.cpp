#include "biff_records.h"

#include <glib.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>

#include "common/Failure.h"
#include "common/numbers.h"
#include "common/text_encoding.h"

namespace tesselin::xls {
namespace {

constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kCodepage = 0x0042;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kBiff8 = 0x0600;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct Record {
    std::uint16_t type = 0;
    std::span<const std::uint8_t> data;
};

// Reads records one after another; a record that runs past the end of the
// stream ends the walk.
class RecordReader {
public:
    RecordReader(std::span<const std::uint8_t> stream, std::size_t offset)
        : m_stream(stream), m_offset(offset) {}

    std::optional<Record> next() {
        if (m_offset > m_stream.size() || m_stream.size() - m_offset < 4) {
            return std::nullopt;
        }
        const auto* header = m_stream.data() + m_offset;
        const auto type = static_cast<std::uint16_t>(header[0] | header[1] << 8);
        const std::size_t length = static_cast<std::size_t>(header[2] | header[3] << 8);
        if (m_stream.size() - m_offset - 4 < length) {
            return std::nullopt;
        }
        Record record{type, m_stream.subspan(m_offset + 4, length)};
        m_offset += 4 + length;
        return record;
    }

    std::optional<Record> peek() const { return RecordReader(*this).next(); }

private:
    std::span<const std::uint8_t> m_stream;
    std::size_t m_offset;
};

std::uint16_t u16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

std::uint32_t u32(std::span<const std::uint8_t> data, std::size_t at) {
    return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
           std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
}

double f64(std::span<const std::uint8_t> data, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = bits << 8 | data[at + static_cast<std::size_t>(i)];
    }
    return std::bit_cast<double>(bits);
}

double rkValue(std::uint32_t rk) {
    double value = 0.0;
    if ((rk & 0x02u) != 0) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        value = std::bit_cast<double>(std::uint64_t{rk & 0xFFFFFFFCu} << 32);
    }
    return (rk & 0x01u) != 0 ? value / 100.0 : value;
}

// BIFF5 keeps 8-bit text in the workbook's code page.
std::string codepageToUtf8(std::span<const std::uint8_t> bytes, std::uint16_t codepage) {
    const std::string charset = codepage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codepage);
    gsize written = 0;
    gchar* converted =
        g_convert(reinterpret_cast<const gchar*>(bytes.data()), static_cast<gssize>(bytes.size()),
                  "UTF-8", charset.c_str(), nullptr, &written, nullptr);
    if (converted != nullptr) {
        std::string text(converted, written);
        g_free(converted);
        return text;
    }
    std::string latin1;  // an unknown code page: keep the letters readable
    for (const std::uint8_t byte : bytes) {
        appendUtf8(latin1, byte);
    }
    return latin1;
}

// The text of a STRING record and any CONTINUE records after it.
std::string readStringRecord(Record record, RecordReader& reader, bool biff8,
                             std::uint16_t codepage) {
    if (record.data.size() < 2) {
        return {};
    }
    std::size_t remaining = u16(record.data, 0);
    if (!biff8) {
        const std::size_t n = std::min(remaining, record.data.size() - 2);
        return codepageToUtf8(record.data.subspan(2, n), codepage);
    }
    std::string text;
    std::span<const std::uint8_t> piece = record.data.subspan(2);
    for (;;) {
        if (piece.empty()) {
            break;
        }
        const bool wide = (piece[0] & 0x01) != 0;
        piece = piece.subspan(1);
        const std::size_t width = wide ? 2 : 1;
        const std::size_t n = std::min(remaining, piece.size() / width);
        for (std::size_t i = 0; i < n; ++i) {
            char32_t unit = wide ? u16(piece, 2 * i) : piece[i];
            // A surrogate pair inside a sheet string is rare; keep its units
            // visible rather than dropping them.
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                unit = 0xFFFD;
            }
            appendUtf8(text, unit);
        }
        remaining -= n;
        if (remaining == 0) {
            break;
        }
        const auto continuation = reader.peek();
        if (!continuation || continuation->type != kContinue) {
            break;
        }
        reader.next();
        piece = continuation->data;
    }
    return text;
}

struct Globals {
    bool biff8 = false;
    bool filePass = false;
    std::uint16_t codepage = 1252;
    std::optional<std::size_t> firstSheetOffset;
};

std::optional<Globals> readGlobals(std::span<const std::uint8_t> stream) {
    RecordReader reader(stream, 0);
    const auto bof = reader.next();
    if (!bof || bof->type != kBof || bof->data.size() < 2) {
        return std::nullopt;
    }
    Globals globals;
    globals.biff8 = u16(bof->data, 0) == kBiff8;
    while (const auto record = reader.next()) {
        if (record->type == kEof) {
            break;
        }
        if (record->type == kFilePass) {
            globals.filePass = true;
        } else if (record->type == kCodepage && record->data.size() >= 2) {
            globals.codepage = u16(record->data, 0);
        } else if (record->type == kBoundSheet && record->data.size() >= 6 &&
                   !globals.firstSheetOffset && record->data[5] == 0) {
            globals.firstSheetOffset = u32(record->data, 0);
        }
    }
    return globals;
}

}  // namespace

std::vector<std::uint8_t> readWorkbookStream(const std::filesystem::path& path) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });

    const std::string name = path.string();
    const auto damaged = [&name] {
        return Failure(
            FailureNumber::ExternalTableFormat,
            "External table is not in the expected format: " + name + " is damaged or incomplete.");
    };
    GError* error = nullptr;
    GPtr<GsfInput> input(gsf_input_stdio_new(name.c_str(), &error));
    if (error != nullptr) {
        g_error_free(error);
        error = nullptr;
    }
    if (!input) {
        throw damaged();
    }
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &error));
    if (error != nullptr) {
        g_error_free(error);
    }
    if (!ole) {
        throw damaged();
    }
    GPtr<GsfInput> stream;
    for (const char* streamName : {"Workbook", "WORKBOOK", "Book", "BOOK"}) {
        stream.reset(gsf_infile_child_by_name(ole.get(), streamName));
        if (stream) {
            break;
        }
    }
    if (!stream) {
        throw damaged();
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::uint32_t>::max()) {
        throw damaged();
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 &&
        gsf_input_read(stream.get(), static_cast<std::size_t>(size), bytes.data()) == nullptr) {
        throw damaged();
    }
    return bytes;
}

bool isPasswordProtected(std::span<const std::uint8_t> stream) {
    const auto globals = readGlobals(stream);
    return globals && globals->filePass;
}

SheetValues readFirstSheetValues(std::span<const std::uint8_t> stream,
                                 const std::unordered_set<std::uint64_t>& wantedNumbers) {
    SheetValues values;
    const auto globals = readGlobals(stream);
    if (!globals || !globals->firstSheetOffset) {
        return values;
    }
    RecordReader reader(stream, *globals->firstSheetOffset);
    const auto bof = reader.next();
    if (!bof || bof->type != kBof) {
        return values;
    }

    const auto wantNumber = [&](std::uint32_t row, std::uint32_t col, double number) {
        const auto key = cellKey(row, col);
        if (wantedNumbers.count(key) != 0) {
            values.numbers[key] = number;
        }
    };
    std::optional<std::uint64_t> pendingString;  // a formula whose text result follows
    int depth = 1;                               // embedded charts nest BOF .. EOF
    while (const auto record = reader.next()) {
        const auto data = record->data;
        if (record->type == kBof) {
            ++depth;
            continue;
        }
        if (record->type == kEof) {
            if (--depth == 0) {
                break;
            }
            continue;
        }
        if (depth != 1) {
            continue;
        }
        switch (record->type) {
            case kFormula: {
                if (data.size() < 14) {
                    break;
                }
                const auto key = cellKey(u16(data, 0), u16(data, 2));
                pendingString.reset();
                if (u16(data, 12) != 0xFFFF) {
                    values.texts[key] = numberText(f64(data, 6));
                } else if (data[6] == 0) {
                    pendingString = key;
                } else if (data[6] == 1) {
                    values.texts[key] = data[8] != 0 ? "TRUE" : "FALSE";
                } else {
                    values.texts[key] = "";  // an error or an empty result
                }
                break;
            }
            case kString:
                if (pendingString) {
                    values.texts[*pendingString] =
                        readStringRecord(*record, reader, globals->biff8, globals->codepage);
                    pendingString.reset();
                }
                break;
            case kBoolErr:
                if (data.size() >= 8) {
                    const auto key = cellKey(u16(data, 0), u16(data, 2));
                    values.texts[key] = data[7] != 0 ? "" : (data[6] != 0 ? "TRUE" : "FALSE");
                }
                break;
            case kNumber:
                if (data.size() >= 14) {
                    wantNumber(u16(data, 0), u16(data, 2), f64(data, 6));
                }
                break;
            case kRk:
                if (data.size() >= 10) {
                    wantNumber(u16(data, 0), u16(data, 2), rkValue(u32(data, 6)));
                }
                break;
            case kMulRk:
                if (data.size() >= 6) {
                    const std::uint32_t row = u16(data, 0);
                    const std::uint32_t first = u16(data, 2);
                    const std::size_t count = (data.size() - 6) / 6;
                    for (std::size_t i = 0; i < count; ++i) {
                        wantNumber(row, first + static_cast<std::uint32_t>(i),
                                   rkValue(u32(data, 4 + 6 * i + 2)));
                    }
                }
                break;
            default:
                break;
        }
    }
    return values;
}

}  // namespace tesselin::xls
