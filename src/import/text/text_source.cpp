#include "import/text/text_source.h"

#include <algorithm>
#include <istream>

#include "common/Failure.h"
#include "common/Progress.h"
#include "common/text_encoding.h"

namespace tesselin {
namespace {

constexpr std::streamsize kChunk = 1 << 16;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigMark = "\xFE\xFF";

}  // namespace

TextSource::TextSource(std::istream& in, std::string_view sourceName)
    : m_in(in), m_sourceName(sourceName), m_chunk(static_cast<std::size_t>(kChunk)) {}

std::string_view TextSource::readRaw() {
    using Traits = std::istream::traits_type;
    std::streambuf* buffer = m_in.rdbuf();
    if (buffer == nullptr) {
        return {};
    }
    try {
        if (Traits::eq_int_type(buffer->sgetc(), Traits::eof())) {
            return {};
        }
        // At least one byte is buffered now, and sgetn takes no more than the
        // buffer holds.
        const std::streamsize available = std::min(buffer->in_avail(), kChunk);
        const std::streamsize got =
            buffer->sgetn(m_chunk.data(), std::max<std::streamsize>(available, 1));
        if (m_progress != nullptr) {
            m_progress->advance(static_cast<std::uint64_t>(got));
        }
        return {m_chunk.data(), static_cast<std::size_t>(got)};
    } catch (const std::exception&) {
        m_in.setstate(std::ios::badbit);
        throw Failure(FailureNumber::DeviceIoError,
                      "Device I/O error while reading " + m_sourceName);
    }
}

std::string_view TextSource::next() {
    for (;;) {
        std::string_view raw = readRaw();
        if (m_encoding == Encoding::Unknown) {
            // The mark, if any, is in the first bytes; gather three of them.
            std::string start(raw);
            while (!raw.empty() && start.size() < kUtf8Mark.size()) {
                raw = readRaw();
                start += raw;
            }
            m_decoded = std::move(start);
            if (m_decoded.starts_with(kUtf8Mark)) {
                m_decoded.erase(0, kUtf8Mark.size());
                m_encoding = Encoding::Bytes;
            } else if (m_decoded.starts_with(kUtf16LittleMark) ||
                       m_decoded.starts_with(kUtf16BigMark)) {
                m_encoding =
                    m_decoded[0] == '\xFF' ? Encoding::Utf16LittleEndian : Encoding::Utf16BigEndian;
                const std::string rest = m_decoded.substr(2);
                const std::string_view decoded = decodeUtf16(rest, raw.empty());
                if (!decoded.empty() || raw.empty()) {
                    return decoded;
                }
                continue;  // half a character so far
            } else {
                m_encoding = Encoding::Bytes;
            }
            if (m_decoded.empty() && !raw.empty()) {
                continue;  // the stream held only the mark so far
            }
            return m_decoded;
        }
        if (m_encoding == Encoding::Bytes) {
            return raw;
        }
        const std::string_view decoded = decodeUtf16(raw, raw.empty());
        if (!decoded.empty() || raw.empty()) {
            return decoded;
        }
    }
}

std::string_view TextSource::decodeUtf16(std::string_view raw, bool atEnd) {
    m_decoded.clear();
    std::string bytes = std::move(m_carry);
    bytes.append(raw);
    const bool big = m_encoding == Encoding::Utf16BigEndian;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        const auto unit = static_cast<char32_t>(big ? first << 8 | second : second << 8 | first);
        if (m_highSurrogate != 0) {
            const char32_t high = m_highSurrogate;
            m_highSurrogate = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                appendUtf8(m_decoded, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                continue;
            }
            appendUtf8(m_decoded, 0xFFFD);  // a lone first half
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_highSurrogate = unit;
        } else {
            appendUtf8(m_decoded, unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    m_carry = bytes.substr(i);
    if (atEnd && (m_highSurrogate != 0 || !m_carry.empty())) {
        appendUtf8(m_decoded, 0xFFFD);  // the text ends inside a character
        m_highSurrogate = 0;
        m_carry.clear();
    }
    return m_decoded;
}

bool LineReader::next(std::string_view& line) {
    m_line.clear();
    bool open = false;  // bytes have been read since the last terminator
    while (!m_ended) {
        if (m_chunk.empty()) {
            m_chunk = m_source.next();
            if (m_chunk.empty()) {
                m_ended = true;
                break;
            }
            if (m_pendingCr && m_chunk.front() == '\n') {
                m_chunk.remove_prefix(1);
            }
            m_pendingCr = false;
            continue;
        }
        const std::size_t end = m_chunk.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            m_line.append(m_chunk);
            m_chunk = {};
            open = true;
            if (m_line.size() > m_maxLine) {
                throw Failure::outOfMemory(
                    "Out of memory: a line of " + m_source.sourceName() + " is longer than the " +
                    std::to_string(m_maxLine >> 20) + " MB the data grid may use");
            }
            continue;
        }
        m_line.append(m_chunk.substr(0, end));
        const char terminator = m_chunk[end];
        m_chunk.remove_prefix(end + 1);
        if (terminator == '\r') {
            if (m_chunk.empty()) {
                m_pendingCr = true;
            } else if (m_chunk.front() == '\n') {
                m_chunk.remove_prefix(1);
            }
        }
        line = m_line;
        return true;
    }
    if (open) {
        line = m_line;
        return true;
    }
    return false;
}

}  // namespace tesselin
