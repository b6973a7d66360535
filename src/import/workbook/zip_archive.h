#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

// libgsf's types, as its own headers declare them.
typedef struct _GsfInput GsfInput;
typedef struct _GsfInfile GsfInfile;

namespace tesselin {

// A zip archive (the container of .xlsx and .ods files), read through libgsf,
// with bounds on what its entries may unpack to: an entry whose declared size
// passes the memory budget, or which would unpack to more than a thousand
// times the whole archive, is refused before a byte of it is unpacked.
//
// Entries are found as the package format wants: without regard to ASCII
// case, with "\" read as "/" (as some writers store them). Two entries of one
// name are damage (which one a reader takes would be a guess), and so is an
// entry whose bytes do not match the checksum its archive records.
class ZipArchive {
public:
    // Takes a reference to the input; throws a damaged-workbook Failure when it
    // is no zip archive libgsf can read.
    ZipArchive(GsfInput* input, std::string name, std::uint64_t memoryBudget);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool has(std::string_view path) const;

    // Calls onChunk with the entry's bytes, a piece at a time; throws a
    // damaged-workbook Failure when the entry is missing (`required`) or
    // passes the bounds; false when a missing entry was not required.
    bool read(std::string_view path, const std::function<void(std::string_view)>& onChunk,
              bool required = true) const;

    // The whole of a small entry (at most `most` bytes).
    std::string text(std::string_view path, std::size_t most) const;

    const std::string& name() const noexcept { return m_name; }
    std::size_t memoryBudget() const noexcept { return static_cast<std::size_t>(m_budget); }

    // An entry's name as the index keeps it: ASCII lower case, "/" between
    // folders, no "./" steps.
    static std::string normalised(std::string_view path);

private:
    struct Entry {
        GsfInput* input;      // owned by the archive
        std::uint32_t crc32;  // as the central directory records it
        bool checked;         // the central directory named it
    };

    const Entry* find(std::string_view path) const;
    void release();
    void index(GsfInfile* folder, const std::string& prefix,
               const std::unordered_map<std::string, std::uint32_t>& checksums);

    GsfInfile* m_zip = nullptr;
    std::unordered_map<std::string, Entry> m_entries;
    std::string m_name;
    std::uint64_t m_budget;
    std::uint64_t m_archiveSize;
};

// Parses XML as it arrives, with namespaces: element names come as
// "namespace-uri|local-name". A document type declaration (and with it any
// entity) is refused, and so is nesting deeper than a sane bound; malformed
// XML is a damaged workbook that names the entry and the line.
class XmlParser {
public:
    struct Handler {
        virtual ~Handler() = default;
        // attributes: name, value, name, value, ..., nullptr
        virtual void start(std::string_view element, const char** attributes) = 0;
        virtual void end(std::string_view element) = 0;
        virtual void text(std::string_view characters) = 0;
    };

    static void parse(const ZipArchive& archive, std::string_view entry, Handler& handler,
                      bool required = true);
};

// The value of an attribute by its local name (namespace ignored), or nothing.
const char* attribute(const char** attributes, std::string_view localName);

// An element's local name, without its namespace.
std::string_view localName(std::string_view element);

}  // namespace tesselin
