#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

namespace tesselin {

// Reads little-endian numbers and byte runs from a buffer, front to back.
// Every read is checked against what is left: asking for more throws
// ByteReader::Short, so a reader of file bytes can never read past them.
class ByteReader {
public:
    struct Short : std::length_error {
        Short() : std::length_error("fewer bytes than needed") {}
    };

    explicit ByteReader(std::span<const std::uint8_t> bytes) noexcept : m_bytes(bytes) {}
    explicit ByteReader(std::string_view bytes) noexcept
        : m_bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) {}

    std::size_t offset() const noexcept { return m_at; }
    std::size_t remaining() const noexcept { return m_bytes.size() - m_at; }
    bool has(std::size_t count) const noexcept { return remaining() >= count; }

    std::uint8_t u8() { return take(1)[0]; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(little(take(2))); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(little(take(4))); }
    double f64() { return std::bit_cast<double>(little(take(8))); }

    std::span<const std::uint8_t> bytes(std::size_t count) { return take(count); }
    std::string_view text(std::size_t count) {
        const auto run = take(count);
        return {reinterpret_cast<const char*>(run.data()), run.size()};
    }
    void skip(std::size_t count) { take(count); }

private:
    std::span<const std::uint8_t> take(std::size_t count) {
        if (!has(count)) {
            throw Short();
        }
        const auto run = m_bytes.subspan(m_at, count);
        m_at += count;
        return run;
    }
    static std::uint64_t little(std::span<const std::uint8_t> run) noexcept {
        std::uint64_t value = 0;
        for (std::size_t i = run.size(); i-- > 0;) {
            value = value << 8 | run[i];
        }
        return value;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

}  // namespace tesselin
