#include "import/helper/helper_protocol.h"

#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <functional>
#include <vector>

#include "common/ByteReader.h"
#include "common/Failure.h"
#include "import/sheet.h"

namespace tesselin {
namespace {

constexpr std::string_view kMagic = "TSLW";
constexpr std::size_t kFlushAt = 1 << 16;
// What an answer may claim before its bytes are taken: no failure of ours
// says more than this, no header names a column at such length.
constexpr std::uint32_t kMostFailureBytes = 1 << 16;
constexpr std::uint32_t kMostNameBytes = 1 << 20;
constexpr std::size_t kMostNamesBytes = std::size_t{64} << 20;

// A failure as the answer carries it; a longer text than ours ever are is
// no answer at all.
[[noreturn]] void throwAnswered(ByteReader& reader, const std::function<void()>& unusable) {
    const auto number = static_cast<std::int32_t>(reader.u32());
    const std::uint32_t length = reader.u32();
    if (length > kMostFailureBytes) {
        unusable();
    }
    throw Failure(number, std::string(reader.text(length)));
}

// The head of an answer: the magic, then either a failure, thrown as it
// stands, or the letter expected and the kind of workbook the file proved
// to be. Anything else is no usable answer.
SpreadsheetKind takeHead(ByteReader& reader, char letter, const std::function<void()>& unusable) {
    if (reader.text(kMagic.size()) != kMagic) {
        unusable();
    }
    const char kind = static_cast<char>(reader.u8());
    if (kind == 'F') {
        throwAnswered(reader, unusable);
    }
    const std::uint8_t found = kind == letter ? reader.u8() : 0xFF;
    if (found > static_cast<std::uint8_t>(SpreadsheetKind::Ods)) {
        unusable();
    }
    return static_cast<SpreadsheetKind>(found);
}

void putU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void putF64(std::string& out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    }
}

void putText(std::string& out, std::string_view text) {
    putU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

void putU64(std::string& out, std::uint64_t value) {
    putU32(out, static_cast<std::uint32_t>(value));
    putU32(out, static_cast<std::uint32_t>(value >> 32));
}

void putSkipped(std::string& out, const SkippedCells& cells) {
    putU64(out, cells.count);
    putU64(out, cells.firstRow);
    putText(out, cells.firstText);
    putText(out, cells.firstColumn);
}

}  // namespace

void AnswerWriter::flush() {
    std::size_t written = 0;
    while (m_ok && written < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + written, m_buffer.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        m_ok = n > 0;
        written += m_ok ? static_cast<std::size_t>(n) : 0;
    }
    m_buffer.clear();
}

void AnswerWriter::table(SheetTable& sheet) {
    DataGrid& table = sheet.table;
    m_buffer.append(kMagic);
    m_buffer.push_back('T');
    m_buffer.push_back(static_cast<char>(sheet.kind));
    putU32(m_buffer, static_cast<std::uint32_t>(table.Rows()));
    putU32(m_buffer, static_cast<std::uint32_t>(table.Cols()));
    for (int r = 0; r < table.Rows() && m_ok; ++r) {
        const int cells = table.storedCells(r);
        putU32(m_buffer, static_cast<std::uint32_t>(cells));
        for (int c = 0; c < cells; ++c) {
            putText(m_buffer, table.TextMatrix(r, c));
        }
        table.setRowCells(r, {});  // sent: its memory goes back
        if (m_buffer.size() >= kFlushAt) {
            flush();
        }
    }
    m_buffer.push_back('E');
    flush();
}

void AnswerWriter::columns(const ColumnData& data, SpreadsheetKind kind) {
    m_buffer.append(kMagic);
    m_buffer.push_back('C');
    m_buffer.push_back(static_cast<char>(kind));
    putU32(m_buffer, static_cast<std::uint32_t>(data.columns));
    putU32(m_buffer, static_cast<std::uint32_t>(data.names.size()));
    for (const std::string& name : data.names) {
        putText(m_buffer, name);
        if (m_buffer.size() >= kFlushAt) {
            flush();
        }
    }
    putU32(m_buffer, static_cast<std::uint32_t>(data.points.size()));
    for (const DataPoint& point : data.points) {
        putF64(m_buffer, point.x);
        putF64(m_buffer, point.y);
        if (m_buffer.size() >= kFlushAt) {
            flush();
        }
    }
    putSkipped(m_buffer, data.rowsLeftOut);
    putSkipped(m_buffer, data.cellsReadAsZero);
    m_buffer.push_back('E');
    flush();
}

void AnswerWriter::failure(const Failure& failure) {
    m_buffer.append(kMagic);
    m_buffer.push_back('F');
    putU32(m_buffer, static_cast<std::uint32_t>(failure.number()));
    putText(m_buffer, failure.description());
    flush();
}

AnswerReader::AnswerReader(std::filesystem::path path, std::uint32_t mostRows,
                           std::size_t memoryBudget)
    : m_path(std::move(path)), m_mostRows(mostRows) {
    m_table.setMemoryBudget(memoryBudget);
    m_table.setRows(0);
    m_table.setCols(0);
}

void AnswerReader::unusable() const {
    throw Failure::damagedWorkbook(m_path.string(), "the workbook reader gave no usable answer");
}

void AnswerReader::feed(std::string_view bytes) {
    // No row of a table within the budget is longer than the budget.
    const bool kept = m_pending.add(
        bytes, m_table.memoryBudget() + kFlushAt,
        [this](std::string_view& rest) { return m_stage != Stage::Done && parseOne(rest); });
    if (!kept || (m_stage == Stage::Done && !m_pending.empty())) {
        unusable();  // too much at once, or bytes after the end
    }
}

// Takes one item from the front of `rest`; false when it has not all arrived.
bool AnswerReader::parseOne(std::string_view& rest) {
    ByteReader reader(rest);
    try {
        switch (m_stage) {
            case Stage::Head:
                m_kind = takeHead(reader, 'T', [this] { unusable(); });
                m_stage = Stage::Size;
                break;
            case Stage::Size: {
                const std::uint32_t rows = reader.u32();
                const std::uint32_t columns = reader.u32();
                if (rows > m_mostRows || columns > static_cast<std::uint32_t>(kMaxCounter)) {
                    unusable();
                }
                m_table.setRows(static_cast<int>(rows));
                m_table.setCols(static_cast<int>(columns));
                m_stage = rows == 0 ? Stage::End : Stage::Rows;
                break;
            }
            case Stage::Rows: {
                const std::uint32_t cells = reader.u32();
                if (cells > static_cast<std::uint32_t>(m_table.Cols())) {
                    unusable();
                }
                std::vector<std::string_view> texts(cells);
                for (std::string_view& text : texts) {
                    text = reader.text(reader.u32());
                }
                m_table.setRowCells(m_row, texts);
                if (++m_row == m_table.Rows()) {
                    m_stage = Stage::End;
                }
                break;
            }
            case Stage::End:
                if (reader.u8() != 'E') {
                    unusable();
                }
                m_stage = Stage::Done;
                break;
            case Stage::Done:
                return false;
        }
    } catch (const ByteReader::Short&) {
        return false;  // the rest has not arrived yet
    }
    rest.remove_prefix(reader.offset());
    return true;
}

SheetTable AnswerReader::finish() {
    if (m_stage != Stage::Done) {
        unusable();
    }
    return {std::move(m_table), m_kind};
}

ColumnAnswerReader::ColumnAnswerReader(std::filesystem::path path) : m_path(std::move(path)) {}

void ColumnAnswerReader::unusable() const {
    throw Failure::damagedWorkbook(m_path.string(), "the workbook reader gave no usable answer");
}

void ColumnAnswerReader::feed(std::string_view bytes) {
    // Nothing but a name or a failure waits whole.
    const bool kept = m_pending.add(
        bytes, kMostNameBytes + 2 * kFlushAt,
        [this](std::string_view& rest) { return m_stage != Stage::Done && parseOne(rest); });
    if (!kept || (m_stage == Stage::Done && !m_pending.empty())) {
        unusable();
    }
}

bool ColumnAnswerReader::parseOne(std::string_view& rest) {
    ByteReader reader(rest);
    try {
        switch (m_stage) {
            case Stage::Head: {
                (void)takeHead(reader, 'C', [this] { unusable(); });
                m_data.columns = reader.u32();
                m_left = reader.u32();
                if (m_data.columns == 0 || m_data.columns > kSheetColumns ||
                    m_left > m_data.columns) {
                    unusable();
                }
                m_stage = m_left == 0 ? Stage::Count : Stage::Name;
                break;
            }
            case Stage::Name: {
                const std::uint32_t length = reader.u32();
                if (length > kMostNameBytes || m_namesBytes + length > kMostNamesBytes) {
                    unusable();
                }
                m_data.names.emplace_back(reader.text(length));
                m_namesBytes += length;
                m_stage = --m_left == 0 ? Stage::Count : Stage::Name;
                break;
            }
            case Stage::Count:
                m_left = reader.u32();
                if (m_left > kSheetRows) {
                    unusable();
                }
                m_data.points.reserve(m_left);
                m_stage = m_left == 0 ? Stage::LeftOut : Stage::Points;
                break;
            case Stage::Points: {
                const double x = reader.f64();
                const double y = reader.f64();
                if (!std::isfinite(x) || !std::isfinite(y)) {
                    unusable();  // no text reads as these
                }
                m_data.points.push_back({x, y});
                m_stage = --m_left == 0 ? Stage::LeftOut : Stage::Points;
                break;
            }
            case Stage::LeftOut:
                m_data.rowsLeftOut = skipped(reader);
                m_stage = Stage::ReadAsZero;
                break;
            case Stage::ReadAsZero:
                m_data.cellsReadAsZero = skipped(reader);
                m_stage = Stage::End;
                break;
            case Stage::End:
                if (reader.u8() != 'E') {
                    unusable();
                }
                m_stage = Stage::Done;
                break;
            case Stage::Done:
                return false;
        }
    } catch (const ByteReader::Short&) {
        return false;
    }
    rest.remove_prefix(reader.offset());
    return true;
}

SkippedCells ColumnAnswerReader::skipped(ByteReader& reader) const {
    SkippedCells cells;
    cells.count = reader.u32();
    cells.count |= std::uint64_t{reader.u32()} << 32;
    cells.firstRow = reader.u32();
    cells.firstRow |= std::uint64_t{reader.u32()} << 32;
    for (std::string* text : {&cells.firstText, &cells.firstColumn}) {
        const std::uint32_t length = reader.u32();
        if (length > kMostNameBytes) {
            unusable();
        }
        *text = reader.text(length);
    }
    return cells;
}

ColumnData ColumnAnswerReader::finish() {
    if (m_stage != Stage::Done) {
        unusable();
    }
    return std::move(m_data);
}

}  // namespace tesselin
