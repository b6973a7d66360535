#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/DataGrid.h"
#include "import/column_stream.h"
#include "import/sheet.h"

namespace tesselin {

class ByteReader;
class Failure;

// What the workbook helper hands back to the program that started it, over a
// pipe: "TSLW", then either 'F', a failure's number and description; or 'T',
// the kind of workbook the file proved to be (one byte: 0 .xls, 1 .xlsx, 2
// .ods), the number of rows and columns, then each row as its number of cells
// and each cell as its length and bytes, and 'E' at the end; or, when two
// columns were asked for, 'C', the kind, the number of columns, the header's
// names (their number, then each as its length and bytes), the number of
// points and each point as two doubles, and 'E'. Numbers are 32-bit (doubles
// 64-bit), little-endian. Rows go one at a time, so neither side holds the
// table twice.

// Writes an answer to a file descriptor, as it goes.
class AnswerWriter {
public:
    explicit AnswerWriter(int fd) : m_fd(fd) {}

    // Sends the table row by row, emptying each row once it is sent.
    void table(SheetTable& sheet);
    void columns(const ColumnData& data, SpreadsheetKind kind);
    void failure(const Failure& failure);
    // False once a write has failed (the reader went away).
    bool ok() const noexcept { return m_ok; }

private:
    void flush();
    int m_fd;
    std::string m_buffer;
    bool m_ok = true;
};

// The bytes of an answer that have arrived but are not parsed yet.
class PendingBytes {
public:
    // Adds the bytes, then lets `takeOne` take whole items from the front of
    // what waits until it takes none. False, with nothing added, when more
    // than `most` bytes would wait.
    template <typename TakeOne>
    bool add(std::string_view bytes, std::size_t most, TakeOne&& takeOne) {
        if (m_bytes.size() - m_consumed + bytes.size() > most) {
            return false;
        }
        m_bytes.append(bytes);
        std::string_view rest = std::string_view(m_bytes).substr(m_consumed);
        while (takeOne(rest)) {
        }
        m_consumed = m_bytes.size() - rest.size();
        if (m_consumed > m_bytes.size() / 2) {
            m_bytes.erase(0, m_consumed);
            m_consumed = 0;
        }
        return true;
    }
    bool empty() const noexcept { return m_bytes.size() == m_consumed; }

private:
    std::string m_bytes;
    std::size_t m_consumed = 0;
};

// Builds the table from an answer as its bytes arrive. A failure in the
// answer is thrown as it stands; an answer that does not parse, claims more
// than was asked, or breaks off, as a damaged workbook.
class AnswerReader {
public:
    AnswerReader(std::filesystem::path path, std::uint32_t mostRows, std::size_t memoryBudget);

    void feed(std::string_view bytes);
    // The table, once the whole answer has arrived.
    SheetTable finish();

private:
    enum class Stage { Head, Size, Rows, End, Done };
    SpreadsheetKind m_kind = SpreadsheetKind::Xls;
    [[noreturn]] void unusable() const;
    bool parseOne(std::string_view& rest);

    std::filesystem::path m_path;
    std::uint32_t m_mostRows;
    PendingBytes m_pending;
    Stage m_stage = Stage::Head;
    int m_row = 0;
    DataGrid m_table;
};

// Builds the two columns from a 'C' answer, in the same way.
class ColumnAnswerReader {
public:
    explicit ColumnAnswerReader(std::filesystem::path path);

    void feed(std::string_view bytes);
    ColumnData finish();

private:
    enum class Stage { Head, Name, Count, Points, LeftOut, ReadAsZero, End, Done };
    [[noreturn]] void unusable() const;
    bool parseOne(std::string_view& rest);
    SkippedCells skipped(ByteReader& reader) const;

    std::filesystem::path m_path;
    PendingBytes m_pending;
    Stage m_stage = Stage::Head;
    std::uint32_t m_left = 0;
    std::size_t m_namesBytes = 0;
    ColumnData m_data;
};

}  // namespace tesselin
