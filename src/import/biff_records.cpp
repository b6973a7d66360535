#include "import/biff_records.h"

#include <glib.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <bit>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>

#include "common/ByteReader.h"
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
        : m_stream(stream.subspan(std::min(offset, stream.size()))) {}

    std::optional<Record> next() {
        if (!m_stream.has(4)) {
            return std::nullopt;
        }
        ByteReader header = m_stream;
        const std::uint16_t type = header.u16();
        const std::uint16_t length = header.u16();
        if (!header.has(length)) {
            return std::nullopt;
        }
        const Record record{type, header.bytes(length)};
        m_stream = header;
        return record;
    }

    std::optional<Record> peek() const { return RecordReader(*this).next(); }

private:
    ByteReader m_stream;
};

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
    ByteReader piece(record.data);
    if (!piece.has(2)) {
        return {};
    }
    std::size_t remaining = piece.u16();
    if (!biff8) {
        return codepageToUtf8(piece.bytes(std::min(remaining, piece.remaining())), codepage);
    }
    std::string text;
    while (piece.has(1)) {
        const bool wide = (piece.u8() & 0x01) != 0;
        const std::size_t width = wide ? 2 : 1;
        const std::size_t n = std::min(remaining, piece.remaining() / width);
        for (std::size_t i = 0; i < n; ++i) {
            char32_t unit = wide ? piece.u16() : piece.u8();
            // A surrogate pair inside a sheet string is rare; keep its units
            // visible rather than dropping them.
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                unit = 0xFFFD;
            }
            appendUtf8(text, unit);
        }
        remaining -= n;
        const auto continuation = reader.peek();
        if (remaining == 0 || !continuation || continuation->type != kContinue) {
            break;
        }
        reader.next();
        piece = ByteReader(continuation->data);
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
    globals.biff8 = ByteReader(bof->data).u16() == kBiff8;
    while (const auto record = reader.next()) {
        ByteReader data(record->data);
        if (record->type == kEof) {
            break;
        }
        if (record->type == kFilePass) {
            globals.filePass = true;
        } else if (record->type == kCodepage && data.has(2)) {
            globals.codepage = data.u16();
        } else if (record->type == kBoundSheet && data.has(6) && !globals.firstSheetOffset &&
                   record->data[5] == 0) {
            globals.firstSheetOffset = data.u32();
        }
    }
    return globals;
}

// The cell records of one sheet, taken one at a time.
class SheetWalk {
public:
    SheetWalk(const Globals& globals, const std::unordered_set<std::uint64_t>& wantedNumbers)
        : m_globals(globals), m_wanted(wantedNumbers) {}

    void take(const Record& record, RecordReader& reader) {
        ByteReader data(record.data);
        switch (record.type) {
            case kFormula:
                if (data.has(14)) {
                    formula(data);
                }
                break;
            case kString:
                if (m_pendingString) {
                    m_values.texts[*m_pendingString] =
                        readStringRecord(record, reader, m_globals.biff8, m_globals.codepage);
                    m_pendingString.reset();
                }
                break;
            case kBoolErr:
                if (data.has(8)) {
                    const auto key = cell(data);
                    data.skip(2);  // the cell's format
                    const std::uint8_t value = data.u8();
                    const bool error = data.u8() != 0;
                    m_values.texts[key] = error ? "" : (value != 0 ? "TRUE" : "FALSE");
                }
                break;
            case kNumber:
                if (data.has(14)) {
                    const auto key = cell(data);
                    data.skip(2);  // the cell's format
                    want(key, data.f64());
                }
                break;
            case kRk:
                if (data.has(10)) {
                    const auto key = cell(data);
                    data.skip(2);  // the cell's format
                    want(key, rkValue(data.u32()));
                }
                break;
            case kMulRk:
                if (data.has(6)) {
                    mulRk(data);
                }
                break;
            default:
                break;
        }
    }

    SheetValues done() { return std::move(m_values); }

private:
    static std::uint64_t cell(ByteReader& data) {
        const std::uint16_t row = data.u16();
        return cellKey(row, data.u16());
    }

    void want(std::uint64_t key, double number) {
        if (m_wanted.count(key) != 0) {
            m_values.numbers[key] = number;
        }
    }

    void formula(ByteReader data) {
        const auto key = cell(data);
        data.skip(2);  // the cell's format
        const auto result = data.bytes(8);
        m_pendingString.reset();
        if (result[6] != 0xFF || result[7] != 0xFF) {
            m_values.texts[key] = numberText(ByteReader(result).f64());
        } else if (result[0] == 0) {
            m_pendingString = key;  // the text follows in a STRING record
        } else if (result[0] == 1) {
            m_values.texts[key] = result[2] != 0 ? "TRUE" : "FALSE";
        } else {
            m_values.texts[key] = "";  // an error or an empty result
        }
    }

    void mulRk(ByteReader data) {
        const std::uint32_t row = data.u16();
        const std::uint32_t first = data.u16();
        // Each cell is a format and an RK value; the last column number follows them.
        for (std::uint32_t column = first; data.has(6 + 2); ++column) {
            data.skip(2);
            want(cellKey(row, column), rkValue(data.u32()));
        }
    }

    const Globals& m_globals;
    const std::unordered_set<std::uint64_t>& m_wanted;
    SheetValues m_values;
    std::optional<std::uint64_t> m_pendingString;  // a formula whose text result follows
};

}  // namespace

std::vector<std::uint8_t> readWorkbookStream(const std::filesystem::path& path) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });

    const std::string name = path.string();
    const auto damaged = [&name] { return Failure::damagedWorkbook(name); };
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
    const auto globals = readGlobals(stream);
    if (!globals || !globals->firstSheetOffset) {
        return {};
    }
    RecordReader reader(stream, *globals->firstSheetOffset);
    const auto bof = reader.next();
    if (!bof || bof->type != kBof) {
        return {};
    }
    SheetWalk walk(*globals, wantedNumbers);
    int depth = 1;  // embedded charts nest BOF .. EOF
    while (const auto record = reader.next()) {
        if (record->type == kBof) {
            ++depth;
        } else if (record->type == kEof) {
            if (--depth == 0) {
                break;
            }
        } else if (depth == 1) {
            walk.take(*record, reader);
        }
    }
    return walk.done();
}

}  // namespace tesselin::xls
