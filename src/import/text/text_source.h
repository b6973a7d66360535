#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tesselin {

class Progress;

// The bytes of a text stream, chunk by chunk, as the readers of text files
// take them: a UTF-8 byte-order mark (EF BB BF) is dropped; a stream that
// starts with a UTF-16 mark (FF FE little-endian, FE FF big-endian) is
// converted to UTF-8; any other bytes pass unchanged, whatever their code
// page. The stream buffer is read one filled buffer at a time, so a read
// error loses nothing that was read before it; it is reported as a Device I/O
// error that names the source.
class TextSource {
public:
    TextSource(std::istream& in, std::string_view sourceName);

    // The next chunk, never empty before the end; empty at the end. It stays
    // valid until the next call.
    std::string_view next();

    const std::string& sourceName() const noexcept { return m_sourceName; }

    // Counts the bytes read from the stream into a progress from now on.
    void reportTo(Progress* progress) noexcept { m_progress = progress; }

private:
    enum class Encoding { Unknown, Bytes, Utf16LittleEndian, Utf16BigEndian };

    std::string_view readRaw();
    std::string_view decodeUtf16(std::string_view raw, bool atEnd);

    std::istream& m_in;
    std::string m_sourceName;
    Encoding m_encoding = Encoding::Unknown;
    std::vector<char> m_chunk;
    std::string m_decoded;
    std::string m_carry;           // an odd byte of a UTF-16 code unit
    char32_t m_highSurrogate = 0;  // the first half of a UTF-16 pair
    Progress* m_progress = nullptr;
};

// The lines of a text source. A line ends at CR, CR LF or LF; a final line
// counts only if bytes follow the last terminator. A line longer than maxLine
// bytes stops the reading with an Out of memory failure instead of being
// held whole.
class LineReader {
public:
    LineReader(TextSource& source, std::size_t maxLine) : m_source(source), m_maxLine(maxLine) {}

    // The next line, without its terminator; false at the end. The view
    // stays valid until the next call.
    bool next(std::string_view& line);

private:
    TextSource& m_source;
    std::size_t m_maxLine;
    std::string_view m_chunk;  // what is left of the current chunk
    std::string m_line;
    bool m_pendingCr = false;  // the last chunk ended in CR; an LF may follow
    bool m_ended = false;
};

}  // namespace tesselin
