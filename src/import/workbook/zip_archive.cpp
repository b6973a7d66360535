#include "import/workbook/zip_archive.h"

#include <expat.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input.h>
#include <zlib.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "common/Failure.h"

namespace tesselin {
namespace {

constexpr std::uint64_t kMostRatio = 1000;
constexpr int kMostDepth = 64;
constexpr std::size_t kChunk = 1 << 16;

}  // namespace

namespace {

std::uint32_t u32At(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}
std::uint16_t u16At(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}
std::uint64_t u64At(std::string_view bytes, std::size_t at) {
    return u32At(bytes, at) | std::uint64_t{u32At(bytes, at + 4)} << 32;
}

// `count` bytes of the input from `offset`, or nothing when it has fewer.
std::optional<std::string> bytesAt(GsfInput* input, std::uint64_t offset, std::uint64_t count) {
    const auto size = static_cast<std::uint64_t>(gsf_input_size(input));
    if (offset > size || count > size - offset) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (gsf_input_seek(input, static_cast<gsf_off_t>(offset), G_SEEK_SET) ||
        (count > 0 &&
         gsf_input_read(input, bytes.size(), reinterpret_cast<guint8*>(bytes.data())) == nullptr)) {
        return std::nullopt;
    }
    return bytes;
}

struct CentralEntry {
    std::string name;
    std::uint32_t crc32;
};

// The names and checksums of the archive's central directory (zip64 too);
// nothing when there is none to be found.
std::optional<std::vector<CentralEntry>> centralDirectory(GsfInput* input) {
    constexpr std::uint64_t kEndRecord = 22;
    const auto size = static_cast<std::uint64_t>(gsf_input_size(input));
    if (size < kEndRecord) {
        return std::nullopt;
    }
    const std::uint64_t tailSize = std::min<std::uint64_t>(size, kEndRecord + 0xFFFF);
    const auto tail = bytesAt(input, size - tailSize, tailSize);
    if (!tail) {
        return std::nullopt;
    }
    std::size_t end = tail->size() - kEndRecord + 1;
    do {
        --end;
    } while (end > 0 && u32At(*tail, end) != 0x06054b50);
    if (u32At(*tail, end) != 0x06054b50) {
        return std::nullopt;
    }
    // The entries are taken as they stand in the directory: a count that
    // disagrees with them is no reason to refuse an archive the library reads.
    const bool manyEntries = u16At(*tail, end + 10) == 0xFFFF;
    std::uint64_t directorySize = u32At(*tail, end + 12);
    std::uint64_t directoryOffset = u32At(*tail, end + 16);
    if ((manyEntries || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) &&
        end >= 20 && u32At(*tail, end - 20) == 0x07064b50) {
        const auto zip64 = bytesAt(input, u64At(*tail, end - 20 + 8), 56);
        if (!zip64 || u32At(*zip64, 0) != 0x06064b50) {
            return std::nullopt;
        }
        directorySize = u64At(*zip64, 40);
        directoryOffset = u64At(*zip64, 48);
    }
    const auto directory = bytesAt(input, directoryOffset, directorySize);
    if (!directory) {
        return std::nullopt;
    }
    std::vector<CentralEntry> entries;
    for (std::size_t at = 0; at + 46 <= directory->size() && u32At(*directory, at) == 0x02014b50;) {
        const std::size_t nameLength = u16At(*directory, at + 28);
        const std::size_t next =
            at + 46 + nameLength + u16At(*directory, at + 30) + u16At(*directory, at + 32);
        if (next > directory->size()) {
            return std::nullopt;
        }
        entries.push_back({directory->substr(at + 46, nameLength), u32At(*directory, at + 16)});
        at = next;
    }
    return entries;
}

}  // namespace

ZipArchive::ZipArchive(GsfInput* input, std::string name, std::uint64_t memoryBudget)
    : m_name(std::move(name)),
      m_budget(memoryBudget),
      m_archiveSize(static_cast<std::uint64_t>(gsf_input_size(input))) {
    const auto directory = centralDirectory(input);
    gsf_input_seek(input, 0, G_SEEK_SET);
    if (!directory) {
        throw Failure::damagedWorkbook(m_name, "its zip archive's directory cannot be read");
    }
    std::unordered_map<std::string, std::uint32_t> checksums;
    for (const CentralEntry& entry : *directory) {
        if (!entry.name.empty() && entry.name.back() == '/') {
            continue;  // a folder
        }
        if (!checksums.emplace(normalised(entry.name), entry.crc32).second) {
            throw Failure::damagedWorkbook(m_name,
                                           "its archive holds two entries named " + entry.name);
        }
    }
    GError* error = nullptr;
    m_zip = gsf_infile_zip_new(input, &error);
    if (error != nullptr) {
        g_error_free(error);
    }
    if (m_zip == nullptr) {
        throw Failure::damagedWorkbook(m_name, "its zip archive cannot be read");
    }
    try {
        index(m_zip, "", checksums);
    } catch (...) {
        release();
        throw;
    }
}

ZipArchive::~ZipArchive() {
    release();
}

void ZipArchive::release() {
    for (auto& [path, entry] : m_entries) {
        g_object_unref(entry.input);
    }
    m_entries.clear();
    if (m_zip != nullptr) {
        g_object_unref(m_zip);
        m_zip = nullptr;
    }
}

void ZipArchive::index(GsfInfile* folder, const std::string& prefix,
                       const std::unordered_map<std::string, std::uint32_t>& checksums) {
    const int children = gsf_infile_num_children(folder);
    for (int i = 0; i < children; ++i) {
        GsfInput* child = gsf_infile_child_by_index(folder, i);
        if (child == nullptr) {
            continue;
        }
        const char* childName = gsf_input_name(child);
        const std::string path = prefix + (childName != nullptr ? childName : "");
        if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
            index(GSF_INFILE(child), path + "/", checksums);
            g_object_unref(child);
            continue;
        }
        const std::string key = normalised(path);
        const auto checksum = checksums.find(key);
        const auto [at, added] =
            m_entries.emplace(key, Entry{child, checksum != checksums.end() ? checksum->second : 0,
                                         checksum != checksums.end()});
        if (!added) {
            g_object_unref(child);
            throw Failure::damagedWorkbook(m_name, "its archive holds two entries named " + path);
        }
    }
}

std::string ZipArchive::normalised(std::string_view path) {
    std::vector<std::string> steps;
    std::string step;
    const auto endStep = [&] {
        if (step == "..") {
            if (!steps.empty()) {
                steps.pop_back();
            }
        } else if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        step.clear();
    };
    for (const char c : path) {
        if (c == '/' || c == '\\') {
            endStep();
        } else {
            step += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    endStep();
    std::string joined;
    for (const std::string& s : steps) {
        joined += (joined.empty() ? "" : "/") + s;
    }
    return joined;
}

const ZipArchive::Entry* ZipArchive::find(std::string_view path) const {
    const auto found = m_entries.find(normalised(path));
    return found != m_entries.end() ? &found->second : nullptr;
}

bool ZipArchive::has(std::string_view path) const {
    return find(path) != nullptr;
}

bool ZipArchive::read(std::string_view path, const std::function<void(std::string_view)>& onChunk,
                      bool required) const {
    const Entry* found = find(path);
    if (found == nullptr) {
        if (required) {
            throw Failure::damagedWorkbook(m_name, "its archive lacks " + std::string(path));
        }
        return false;
    }
    GsfInput* entry = found->input;
    gsf_input_seek(entry, 0, G_SEEK_SET);
    const gsf_off_t declared = gsf_input_size(entry);
    if (declared < 0 || static_cast<std::uint64_t>(declared) > m_budget ||
        static_cast<std::uint64_t>(declared) > kMostRatio * m_archiveSize + kChunk) {
        throw Failure::damagedWorkbook(m_name, "its entry " + std::string(path) +
                                                   " would unpack to " + std::to_string(declared) +
                                                   " bytes, beyond any sane bound");
    }
    std::vector<char> buffer(kChunk);
    uLong checksum = crc32(0L, Z_NULL, 0);
    for (gsf_off_t left = declared; left > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<gsf_off_t>(left, kChunk));
        if (gsf_input_read(entry, piece, reinterpret_cast<guint8*>(buffer.data())) == nullptr) {
            throw Failure::damagedWorkbook(
                m_name, "its entry " + std::string(path) + " cannot be unpacked");
        }
        checksum = crc32(checksum, reinterpret_cast<const Bytef*>(buffer.data()),
                         static_cast<uInt>(piece));
        onChunk(std::string_view(buffer.data(), piece));
        left -= static_cast<gsf_off_t>(piece);
    }
    if (found->checked && checksum != found->crc32) {
        throw Failure::damagedWorkbook(
            m_name, "its entry " + std::string(path) + " does not match its checksum");
    }
    return true;
}

std::string ZipArchive::text(std::string_view path, std::size_t most) const {
    std::string bytes;
    read(
        path,
        [&](std::string_view chunk) {
            if (bytes.size() + chunk.size() > most) {
                throw Failure::damagedWorkbook(
                    m_name, "its entry " + std::string(path) + " is longer than it can be");
            }
            bytes.append(chunk);
        },
        false);
    return bytes;
}

namespace {

struct ParseState {
    XML_Parser parser;
    XmlParser::Handler& handler;
    int depth = 0;
    std::string refusal;       // why the parse was stopped
    std::exception_ptr error;  // what a handler threw: it crosses no C frame

    template <typename Call>
    void guarded(Call&& call) {
        try {
            call();
        } catch (...) {
            error = std::current_exception();
            XML_StopParser(parser, XML_FALSE);
        }
    }

    void stop(std::string why) {
        if (refusal.empty()) {
            refusal = std::move(why);
        }
        XML_StopParser(parser, XML_FALSE);
    }
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* state = static_cast<ParseState*>(data);
    if (++state->depth > kMostDepth) {
        state->stop("its XML nests deeper than " + std::to_string(kMostDepth) + " levels");
        return;
    }
    state->guarded([&] { state->handler.start(name, attributes); });
}

void XMLCALL onEnd(void* data, const XML_Char* name) {
    auto* state = static_cast<ParseState*>(data);
    --state->depth;
    state->guarded([&] { state->handler.end(name); });
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    auto* state = static_cast<ParseState*>(data);
    state->guarded(
        [&] { state->handler.text(std::string_view(text, static_cast<std::size_t>(length))); });
}

void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    // No spreadsheet writer declares a document type; entities come with one.
    static_cast<ParseState*>(data)->stop("its XML declares a document type, which is refused");
}

void XMLCALL onEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                      const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<ParseState*>(data)->stop("its XML declares entities, which are refused");
}

}  // namespace

void XmlParser::parse(const ZipArchive& archive, std::string_view entry, Handler& handler,
                      bool required) {
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
        XML_ParserCreateNS(nullptr, '|'), &XML_ParserFree);
    ParseState state{parser.get(), handler, 0, {}, {}};
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onText);
    XML_SetStartDoctypeDeclHandler(parser.get(), onDoctype);
    XML_SetEntityDeclHandler(parser.get(), onEntity);
    const auto check = [&](XML_Status status) {
        if (state.error) {
            std::rethrow_exception(state.error);
        }
        if (!state.refusal.empty()) {
            throw Failure::damagedWorkbook(archive.name(),
                                           state.refusal + ", in " + std::string(entry));
        }
        if (status == XML_STATUS_ERROR) {
            throw Failure::damagedWorkbook(
                archive.name(), "its entry " + std::string(entry) +
                                    " is not well-formed XML (line " +
                                    std::to_string(XML_GetCurrentLineNumber(state.parser)) + ": " +
                                    XML_ErrorString(XML_GetErrorCode(state.parser)) + ")");
        }
    };
    const bool found = archive.read(
        entry,
        [&](std::string_view chunk) {
            check(XML_Parse(parser.get(), chunk.data(), static_cast<int>(chunk.size()), XML_FALSE));
        },
        required);
    if (found) {
        check(XML_Parse(parser.get(), nullptr, 0, XML_TRUE));
    }
}

const char* attribute(const char** attributes, std::string_view wanted) {
    for (const char** at = attributes; at != nullptr && *at != nullptr; at += 2) {
        if (localName(at[0]) == wanted) {
            return at[1];
        }
    }
    return nullptr;
}

std::string_view localName(std::string_view element) {
    const std::size_t bar = element.rfind('|');
    return bar == std::string_view::npos ? element : element.substr(bar + 1);
}

}  // namespace tesselin
