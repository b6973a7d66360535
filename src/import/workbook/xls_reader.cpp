#include "import/workbook/xls_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <vector>

#include "common/ByteReader.h"
#include "common/Failure.h"
#include "common/numbers.h"
#include "common/text_encoding.h"
#include "import/signatures.h"
#include "import/text/code_pages.h"

namespace tesselin::xls {
namespace {

namespace Record {
constexpr std::uint16_t Formula = 0x0006;
constexpr std::uint16_t OldFormula = 0x0406;  // the BIFF4 id, which some writers still use
constexpr std::uint16_t Eof = 0x000A;
constexpr std::uint16_t DateMode = 0x0022;
constexpr std::uint16_t FilePass = 0x002F;
constexpr std::uint16_t Continue = 0x003C;
constexpr std::uint16_t CodePage = 0x0042;
constexpr std::uint16_t WsBool = 0x0081;
constexpr std::uint16_t BoundSheet = 0x0085;
constexpr std::uint16_t MulRk = 0x00BD;
constexpr std::uint16_t MulBlank = 0x00BE;
constexpr std::uint16_t RString = 0x00D6;
constexpr std::uint16_t Xf = 0x00E0;
constexpr std::uint16_t Sst = 0x00FC;
constexpr std::uint16_t LabelSst = 0x00FD;
constexpr std::uint16_t Blank = 0x0201;
constexpr std::uint16_t Number = 0x0203;
constexpr std::uint16_t Label = 0x0204;
constexpr std::uint16_t BoolErr = 0x0205;
constexpr std::uint16_t String = 0x0207;
constexpr std::uint16_t Rk = 0x027E;
constexpr std::uint16_t Format = 0x041E;
constexpr std::uint16_t Bof = 0x0809;
}  // namespace Record

// The kinds of substream a BOF record starts, and of sheet in BOUNDSHEET.
constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint16_t kChartSubstream = 0x0020;
constexpr std::uint8_t kWorksheetOrDialog = 0;
constexpr std::uint8_t kDialogFlag = 0x10;  // in the first byte of WSBOOL

constexpr std::uint32_t kLastColumn = 255;  // column IV
// Days between the 1904 and the 1900 date systems' day zero.
constexpr double k1904Offset = 1462.0;

[[noreturn]] void damaged(const std::string& name, const std::string& what) {
    throw Failure::damagedWorkbook(name, what);
}

std::string at(std::size_t offset) {
    return "at byte " + std::to_string(offset) + " of its workbook stream";
}

struct RecordView {
    std::uint16_t type = 0;
    std::span<const std::uint8_t> data;
    std::size_t offset = 0;  // of the record header in the stream
};

// The records of the workbook stream from an offset on. A record cut off by
// the end of the stream, or longer than the format allows, is damage.
class Records {
public:
    Records(std::span<const std::uint8_t> stream, std::size_t offset, std::size_t longest,
            const std::string& name)
        : m_stream(stream), m_offset(offset), m_longest(longest), m_name(name) {}

    // The next record; nothing exactly at the end of the stream.
    std::optional<RecordView> next() {
        if (m_offset == m_stream.size()) {
            return std::nullopt;
        }
        if (m_stream.size() - m_offset < 4) {
            damaged(m_name, "the stream ends inside a record " + at(m_offset));
        }
        ByteReader header(m_stream.subspan(m_offset, 4));
        const std::uint16_t type = header.u16();
        const std::uint16_t length = header.u16();
        if (length > m_longest) {
            damaged(m_name, "a record of " + std::to_string(length) + " bytes " + at(m_offset) +
                                " is longer than the format allows");
        }
        if (m_stream.size() - m_offset - 4 < length) {
            damaged(m_name, "the stream ends inside a record " + at(m_offset));
        }
        const RecordView record{type, m_stream.subspan(m_offset + 4, length), m_offset};
        m_offset += 4 + std::size_t{length};
        return record;
    }

    std::optional<RecordView> peek() {
        Records copy = *this;
        return copy.next();
    }

    // The next record, which must be there: a sheet or the globals end with
    // an EOF record before the stream does.
    RecordView nextInside(const char* part) {
        if (auto record = next()) {
            return *record;
        }
        damaged(m_name, std::string("the stream ends before the end of ") + part);
    }

private:
    std::span<const std::uint8_t> m_stream;
    std::size_t m_offset;
    std::size_t m_longest;
    const std::string& m_name;
};

// Reads a record and the CONTINUE records after it as one run of bytes, for
// strings that may cross from one record into the next. Where the characters
// of a string cross, the next record starts with a new flags byte that says
// whether the rest is in one or two bytes per character.
class ContinuedBytes {
public:
    ContinuedBytes(const RecordView& first, Records& records, const std::string& name,
                   const char* what)
        : m_name(name), m_what(what) {
        m_pieces.push_back(first.data);
        while (const auto next = records.peek()) {
            if (next->type != Record::Continue) {
                break;
            }
            m_pieces.push_back(records.next()->data);
        }
    }

    bool atEnd() {
        skipFinishedPieces();
        return m_piece == m_pieces.size();
    }

    std::uint8_t u8() {
        skipFinishedPieces();
        if (m_piece == m_pieces.size()) {
            damaged(m_name, std::string("the records end inside ") + m_what);
        }
        return m_pieces[m_piece][m_at++];
    }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | std::uint32_t{u16()} << 16;
    }
    void skip(std::uint64_t count) {
        while (count > 0) {
            skipFinishedPieces();
            if (m_piece == m_pieces.size()) {
                damaged(m_name, std::string("the records end inside ") + m_what);
            }
            const std::size_t step = static_cast<std::size_t>(
                std::min<std::uint64_t>(count, m_pieces[m_piece].size() - m_at));
            m_at += step;
            count -= step;
        }
    }

    // `count` characters of a BIFF8 string whose flags say `wide` for the
    // first record; a new flags byte starts each record the characters cross.
    std::string characters(std::size_t count, bool wide) {
        std::string text;
        while (count > 0) {
            if (m_piece < m_pieces.size() && m_at == m_pieces[m_piece].size()) {
                ++m_piece;
                m_at = 0;
                if (m_piece < m_pieces.size()) {
                    wide = (u8() & 0x01) != 0;
                    continue;
                }
            }
            if (m_piece == m_pieces.size()) {
                damaged(m_name,
                        std::string("a string is longer than its records hold in ") + m_what);
            }
            const auto piece = m_pieces[m_piece].subspan(m_at);
            const std::size_t width = wide ? 2 : 1;
            const std::size_t here = std::min(count, piece.size() / width);
            if (here == 0) {  // half a character before the next record
                damaged(m_name, std::string("a character is cut in two in ") + m_what);
            }
            appendCharacters(text, piece.first(here * width), wide);
            m_at += here * width;
            count -= here;
        }
        return text;
    }

    static void appendCharacters(std::string& text, std::span<const std::uint8_t> bytes,
                                 bool wide) {
        if (!wide) {
            for (const std::uint8_t byte : bytes) {
                appendUtf8(text, byte);  // the first 256 code points
            }
            return;
        }
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            char32_t unit = static_cast<char32_t>(bytes[i] | bytes[i + 1] << 8);
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                unit = 0xFFFD;  // half of a pair: keep a visible mark
            }
            appendUtf8(text, unit);
        }
    }

private:
    void skipFinishedPieces() {
        while (m_piece < m_pieces.size() && m_at == m_pieces[m_piece].size()) {
            ++m_piece;
            m_at = 0;
        }
    }

    std::vector<std::span<const std::uint8_t>> m_pieces;
    std::size_t m_piece = 0;
    std::size_t m_at = 0;
    const std::string& m_name;
    const char* m_what;
};

// A BIFF8 string with the flags byte: 8-bit or UTF-16 characters, and the
// rich-text runs and phonetic data that may follow them. Some writers leave
// the flags byte out of an empty string that ends its record.
std::string unicodeString(ContinuedBytes& bytes, std::size_t count) {
    if (count == 0 && bytes.atEnd()) {
        return {};
    }
    const std::uint8_t flags = bytes.u8();
    const bool rich = (flags & 0x08) != 0;
    const bool phonetic = (flags & 0x04) != 0;
    const std::uint16_t runs = rich ? bytes.u16() : 0;
    const std::uint32_t extra = phonetic ? bytes.u32() : 0;
    std::string text = bytes.characters(count, (flags & 0x01) != 0);
    bytes.skip(std::uint64_t{runs} * 4 + extra);
    return text;
}

bool isBuiltInDateFormat(std::uint16_t format) {
    return (format >= 14 && format <= 22) || (format >= 27 && format <= 36) ||
           (format >= 45 && format <= 47) || (format >= 50 && format <= 58);
}

struct SheetEntry {
    std::uint32_t offset = 0;
    std::uint8_t type = 0;
};

// What the workbook globals say about the cells of its sheets.
struct Globals {
    bool biff8 = false;
    bool dates1904 = false;
    std::uint16_t codePage = 1252;
    std::vector<std::uint16_t> xfFormats;                  // the format of each XF
    std::unordered_map<std::uint16_t, bool> formatIsDate;  // FORMAT records
    std::vector<std::string> sharedStrings;
    std::vector<SheetEntry> sheets;

    bool isDate(std::uint16_t xf) const {
        if (xf >= xfFormats.size()) {
            return false;
        }
        const std::uint16_t format = xfFormats[xf];
        const auto found = formatIsDate.find(format);
        return found != formatIsDate.end() ? found->second : isBuiltInDateFormat(format);
    }

    std::string text(std::span<const std::uint8_t> bytes) const {
        return codePageToUtf8(bytes, codePage);
    }
};

class Reader {
public:
    Reader(std::span<const std::uint8_t> stream, const std::string& name)
        : m_stream(stream), m_name(name) {}

    Globals readGlobals() {
        Globals globals;
        if (m_stream.size() < 8) {
            damaged(m_name, "its workbook stream is too short for a workbook");
        }
        if (const auto version = oldExcelVersion(
                std::string_view(reinterpret_cast<const char*>(m_stream.data()), 8))) {
            throw Failure::notAWorkbook(
                m_name, "is an " + std::string(*version) + std::string(kOldExcelAdvice));
        }
        ByteReader head(m_stream.subspan(4, 4));
        const std::uint16_t version = head.u16();
        const std::uint16_t kind = head.u16();
        if (ByteReader(m_stream.first(2)).u16() != Record::Bof || kind != kGlobalsSubstream ||
            (version != 0x0600 && version != 0x0500)) {
            throw Failure::notAWorkbook(m_name,
                                        "is not an Excel 97-2003 or 5.0/95 workbook (.xls).");
        }
        globals.biff8 = version == 0x0600;
        Records records(m_stream, 0, longest(globals), m_name);
        records.next();  // the BOF
        for (;;) {
            const RecordView record = records.nextInside("the workbook globals");
            if (record.type == Record::Eof) {
                break;
            }
            readGlobalsRecord(record, records, globals);
        }
        return globals;
    }

    // The cells of the first worksheet, with its extent.
    SheetExtent readFirstWorksheet(const Globals& globals, std::uint32_t mostRows,
                                   const CellSink& onCell) {
        for (const SheetEntry& sheet : globals.sheets) {
            if (sheet.type != kWorksheetOrDialog) {
                continue;  // a macro sheet, a chart sheet or a VB module
            }
            if (sheet.offset >= m_stream.size()) {
                damaged(m_name, "its first worksheet would begin " + at(sheet.offset) +
                                    ", beyond the stream's end");
            }
            SheetWalk walk{globals, mostRows, onCell, {}, {}};
            if (readSheet(globals, sheet.offset, walk)) {
                return walk.extent;
            }
        }
        throw Failure::notAWorkbook(m_name, "has no worksheet that can be read.");
    }

private:
    struct SheetWalk {
        const Globals& globals;
        std::uint32_t mostRows;
        const CellSink& onCell;
        SheetExtent extent;
        std::optional<std::pair<std::uint32_t, std::uint32_t>> pendingString;
    };

    static std::size_t longest(const Globals& globals) { return globals.biff8 ? 8224 : 2080; }

    // The kind of substream a BOF record starts (0 when the record is short).
    static std::uint16_t substreamKind(const RecordView& bof) {
        ByteReader data(bof.data);
        if (!data.has(4)) {
            return 0;
        }
        data.skip(2);  // the version
        return data.u16();
    }

    void readGlobalsRecord(const RecordView& record, Records& records, Globals& globals) {
        ByteReader data(record.data);
        switch (record.type) {
            case Record::FilePass:
                throw Failure::passwordProtected(m_name);
            case Record::DateMode:
                globals.dates1904 = data.has(2) && data.u16() != 0;
                break;
            case Record::CodePage:
                if (data.has(2)) {
                    globals.codePage = data.u16();
                }
                break;
            case Record::Xf:
                if (data.has(4)) {
                    data.skip(2);  // the font
                    globals.xfFormats.push_back(data.u16());
                }
                break;
            case Record::Format:
                readFormat(record, records, globals);
                break;
            case Record::BoundSheet:
                if (data.has(6)) {
                    const std::uint32_t offset = data.u32();
                    data.skip(1);  // visibility
                    globals.sheets.push_back({offset, data.u8()});
                }
                break;
            case Record::Sst:
                if (globals.biff8) {
                    readSharedStrings(record, records, globals);
                }
                break;
            default:
                break;
        }
    }

    void readFormat(const RecordView& record, Records& records, Globals& globals) {
        ContinuedBytes bytes(record, records, m_name, "a number format");
        const std::uint16_t format = bytes.u16();
        std::string code;
        if (globals.biff8) {
            const std::uint16_t length = bytes.u16();
            code = unicodeString(bytes, length);
        } else {
            std::vector<std::uint8_t> raw(bytes.u8());
            for (std::uint8_t& byte : raw) {
                byte = bytes.u8();
            }
            code = globals.text(raw);
        }
        globals.formatIsDate[format] = isDateFormat(code);
    }

    void readSharedStrings(const RecordView& record, Records& records, Globals& globals) {
        ContinuedBytes bytes(record, records, m_name, "the shared strings");
        bytes.u32();  // the number of references to them
        const std::uint32_t unique = bytes.u32();
        // Each string takes at least three bytes, which bounds the count.
        globals.sharedStrings.reserve(std::min<std::size_t>(unique, m_stream.size() / 3));
        for (std::uint32_t i = 0; i < unique; ++i) {
            if (bytes.atEnd()) {
                damaged(m_name, "its shared string table holds " + std::to_string(i) +
                                    " strings but counts " + std::to_string(unique));
            }
            const std::uint16_t length = bytes.u16();
            globals.sharedStrings.push_back(unicodeString(bytes, length));
        }
    }

    // Walks one sheet; false when it proves to be no worksheet after all (a
    // dialog sheet, or a sheet of another kind than its entry says).
    bool readSheet(const Globals& globals, std::uint32_t offset, SheetWalk& walk) {
        Records records(m_stream, offset, longest(globals), m_name);
        const RecordView bof = records.nextInside("a sheet");
        if (bof.type != Record::Bof) {
            damaged(m_name, "no sheet begins " + at(offset) + ", where the workbook says");
        }
        if (substreamKind(bof) != kWorksheetSubstream) {
            return false;
        }
        bool sawCell = false;
        for (;;) {
            const RecordView record = records.nextInside("the first worksheet");
            switch (record.type) {
                case Record::Eof:
                    return true;
                case Record::Bof:
                    skipEmbeddedChart(record, records);
                    break;
                case Record::WsBool:
                    if (!sawCell && !record.data.empty() && (record.data[0] & kDialogFlag) != 0) {
                        return false;
                    }
                    break;
                default:
                    sawCell = readCell(record, records, walk) || sawCell;
                    break;
            }
        }
    }

    // A chart drawn on the sheet is a substream of its own, BOF to EOF; any
    // other BOF inside a sheet is damage.
    void skipEmbeddedChart(const RecordView& bof, Records& records) {
        if (substreamKind(bof) != kChartSubstream) {
            damaged(m_name, "a new sheet begins inside the first worksheet " + at(bof.offset));
        }
        for (;;) {
            const RecordView record = records.nextInside("a chart on the first worksheet");
            if (record.type == Record::Bof) {
                damaged(m_name, "a new sheet begins inside a chart " + at(record.offset));
            }
            if (record.type == Record::Eof) {
                return;
            }
        }
    }

    // Sends the cells of one record; false for a record that holds none.
    bool readCell(const RecordView& record, Records& records, SheetWalk& walk) {
        ByteReader data(record.data);
        const Globals& globals = walk.globals;
        switch (record.type) {
            case Record::Number:
            case Record::Rk:
                if (data.has(record.type == Record::Number ? 14 : 10)) {
                    const auto [row, column] = cell(data, record, walk);
                    const std::uint16_t xf = data.u16();
                    const double value =
                        record.type == Record::Number ? data.f64() : rkValue(data.u32());
                    send(walk, row, column, numberShown(globals, xf, value));
                }
                return true;
            case Record::MulRk:
            case Record::MulBlank:
                if (data.has(6)) {
                    const auto [row, first] = cell(data, record, walk);
                    const bool blank = record.type == Record::MulBlank;
                    // Each cell is an XF (and an RK value); the last column follows them.
                    const std::size_t width = blank ? 2 : 6;
                    for (std::uint32_t column = first; data.remaining() >= width + 2; ++column) {
                        checkColumn(column, record);
                        const std::uint16_t xf = data.u16();
                        send(walk, row, column,
                             blank ? std::string() : numberShown(globals, xf, rkValue(data.u32())));
                    }
                }
                return true;
            case Record::Blank:
                if (data.has(6)) {
                    const auto [row, column] = cell(data, record, walk);
                    send(walk, row, column, {});
                }
                return true;
            case Record::Label:
            case Record::RString:
                if (data.has(8)) {
                    const auto [row, column] = cell(data, record, walk);
                    data.skip(2);
                    send(walk, row, column, labelText(globals, record, data));
                }
                return true;
            case Record::LabelSst:
                if (data.has(10)) {
                    const auto [row, column] = cell(data, record, walk);
                    data.skip(2);
                    const std::uint32_t index = data.u32();
                    if (index >= globals.sharedStrings.size()) {
                        damaged(m_name, "a cell " + at(record.offset) +
                                            " refers to shared string " + std::to_string(index) +
                                            " of " + std::to_string(globals.sharedStrings.size()));
                    }
                    send(walk, row, column, globals.sharedStrings[index]);
                }
                return true;
            case Record::BoolErr:
                if (data.has(8)) {
                    const auto [row, column] = cell(data, record, walk);
                    data.skip(2);
                    const std::uint8_t value = data.u8();
                    const bool error = data.u8() != 0;
                    send(walk, row, column, error ? "" : (value != 0 ? "TRUE" : "FALSE"));
                }
                return true;
            case Record::Formula:
            case Record::OldFormula:
                if (data.has(14)) {
                    formula(data, record, walk);
                }
                return true;
            case Record::String:
                if (walk.pendingString) {
                    const auto [row, column] = *walk.pendingString;
                    walk.pendingString.reset();
                    send(walk, row, column, stringResult(globals, record, records));
                }
                return false;
            default:
                return false;
        }
    }

    std::pair<std::uint32_t, std::uint32_t> cell(ByteReader& data, const RecordView& record,
                                                 SheetWalk& walk) {
        const std::uint32_t row = data.u16();
        const std::uint32_t column = data.u16();
        checkColumn(column, record);
        walk.extent.rows = std::max(walk.extent.rows, row + 1);
        walk.extent.columns = std::max(walk.extent.columns, column + 1);
        walk.pendingString.reset();
        return {row, column};
    }

    void checkColumn(std::uint32_t column, const RecordView& record) {
        if (column > kLastColumn) {
            damaged(m_name, "a cell " + at(record.offset) + " lies beyond the last column, IV");
        }
    }

    static void send(SheetWalk& walk, std::uint32_t row, std::uint32_t column,
                     std::string_view text) {
        walk.extent.columns = std::max(walk.extent.columns, column + 1);
        if (row < walk.mostRows) {
            walk.onCell(row, column, text);
        }
    }

    static double rkValue(std::uint32_t rk) {
        double value = 0.0;
        if ((rk & 0x02u) != 0) {
            value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
        } else {
            value = std::bit_cast<double>(std::uint64_t{rk & 0xFFFFFFFCu} << 32);
        }
        return (rk & 0x01u) != 0 ? value / 100.0 : value;
    }

    // A number as the grid shows it: a date as its serial number in the 1900
    // date system, NaN (which no spreadsheet shows as a number) as nothing.
    static std::string numberShown(const Globals& globals, std::uint16_t xf, double value) {
        if (std::isnan(value)) {
            return {};
        }
        if (globals.dates1904 && globals.isDate(xf)) {
            value += k1904Offset;
        }
        return numberText(value);
    }

    void formula(ByteReader data, const RecordView& record, SheetWalk& walk) {
        const auto [row, column] = cell(data, record, walk);
        const std::uint16_t xf = data.u16();
        const auto result = data.bytes(8);
        if (result[6] != 0xFF || result[7] != 0xFF) {
            send(walk, row, column, numberShown(walk.globals, xf, ByteReader(result).f64()));
        } else if (result[0] == 0) {
            walk.pendingString = {{row, column}};  // the text follows in a STRING record
        } else if (result[0] == 1) {
            send(walk, row, column, result[2] != 0 ? "TRUE" : "FALSE");
        } else {
            send(walk, row, column, {});  // an error or an empty result
        }
    }

    std::string labelText(const Globals& globals, const RecordView& record, ByteReader& data) {
        const std::uint16_t length = data.u16();
        if (!globals.biff8) {
            if (!data.has(length)) {
                damaged(m_name, "a text cell " + at(record.offset) + " is longer than its record");
            }
            return globals.text(data.bytes(length));
        }
        if (!data.has(1)) {
            damaged(m_name, "a text cell " + at(record.offset) + " is longer than its record");
        }
        const bool wide = (data.u8() & 0x01) != 0;
        const std::size_t bytes = std::size_t{length} * (wide ? 2 : 1);
        if (!data.has(bytes)) {
            damaged(m_name, "a text cell " + at(record.offset) + " is longer than its record");
        }
        std::string text;
        ContinuedBytes::appendCharacters(text, data.bytes(bytes), wide);
        return text;
    }

    std::string stringResult(const Globals& globals, const RecordView& record, Records& records) {
        ContinuedBytes bytes(record, records, m_name, "a formula's text");
        const std::uint16_t length = bytes.u16();
        if (globals.biff8) {
            return unicodeString(bytes, length);
        }
        std::vector<std::uint8_t> raw(length);
        for (std::uint8_t& byte : raw) {
            byte = bytes.u8();
        }
        return globals.text(raw);
    }

    std::span<const std::uint8_t> m_stream;
    const std::string& m_name;
};

}  // namespace

SheetExtent readFirstWorksheet(std::span<const std::uint8_t> stream, const std::string& name,
                               std::uint32_t mostRows, const CellSink& onCell) {
    Reader reader(stream, name);
    const Globals globals = reader.readGlobals();
    return reader.readFirstWorksheet(globals, mostRows, onCell);
}

bool isEncrypted(std::span<const std::uint8_t> stream) {
    const std::string name;
    Records records(stream, 0, 8224, name);
    try {
        while (const auto record = records.next()) {
            if (record->type == Record::FilePass) {
                return true;
            }
            if (record->type == Record::Eof) {
                return false;
            }
        }
    } catch (const Failure&) {
    }
    return false;
}

bool isDateFormat(std::string_view code) {
    // Only the parts that are not literal text count: quoted text, escaped
    // characters, fills and paddings, and bracketed colours or conditions.
    bool date = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            const std::size_t close = code.find('"', i + 1);
            i = close == std::string_view::npos ? code.size() : close;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == '[') {
            const std::size_t close = code.find(']', i + 1);
            const std::string_view inside =
                code.substr(i + 1, close == std::string_view::npos ? 0 : close - i - 1);
            // [h], [mm], [ss]: elapsed time.
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos) {
                date = true;
            }
            i = close == std::string_view::npos ? code.size() : close;
        } else {
            switch (c | 0x20) {
                case 'd':
                case 'm':
                case 'y':
                case 'h':
                case 's':
                    date = true;
                    break;
                default:
                    break;
            }
        }
    }
    return date;
}

}  // namespace tesselin::xls
