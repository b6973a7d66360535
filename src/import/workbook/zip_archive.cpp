#include "import/workbook/zip_archive.h"

#include <expat.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-input.h>

#include <exception>
#include <vector>

#include "common/Failure.h"

namespace tesselin {
namespace {

constexpr std::uint64_t kMostRatio = 1000;
constexpr int kMostDepth = 64;
constexpr std::size_t kChunk = 1 << 16;

}  // namespace

ZipArchive::ZipArchive(GsfInput* input, std::string name, std::uint64_t memoryBudget)
    : m_name(std::move(name)),
      m_budget(memoryBudget),
      m_archiveSize(static_cast<std::uint64_t>(gsf_input_size(input))) {
    GError* error = nullptr;
    m_zip = gsf_infile_zip_new(input, &error);
    if (error != nullptr) {
        g_error_free(error);
    }
    if (m_zip == nullptr) {
        throw Failure::damagedWorkbook(m_name, "its zip archive cannot be read");
    }
}

ZipArchive::~ZipArchive() {
    g_object_unref(m_zip);
}

GsfInput* ZipArchive::open(std::string_view path) const {
    std::vector<std::string> parts;
    for (std::size_t begin = 0; begin <= path.size();) {
        const std::size_t slash = std::min(path.find('/', begin), path.size());
        parts.emplace_back(path.substr(begin, slash - begin));
        begin = slash + 1;
    }
    std::vector<const char*> names;
    for (const std::string& part : parts) {
        names.push_back(part.c_str());
    }
    names.push_back(nullptr);
    return gsf_infile_child_by_aname(m_zip, names.data());
}

bool ZipArchive::has(std::string_view path) const {
    GsfInput* entry = open(path);
    if (entry != nullptr) {
        g_object_unref(entry);
    }
    return entry != nullptr;
}

bool ZipArchive::read(std::string_view path, const std::function<void(std::string_view)>& onChunk,
                      bool required) const {
    GsfInput* entry = open(path);
    if (entry == nullptr) {
        if (required) {
            throw Failure::damagedWorkbook(m_name, "its archive lacks " + std::string(path));
        }
        return false;
    }
    std::unique_ptr<GsfInput, decltype(&g_object_unref)> owned(entry, &g_object_unref);
    const gsf_off_t declared = gsf_input_size(entry);
    if (declared < 0 || static_cast<std::uint64_t>(declared) > m_budget ||
        static_cast<std::uint64_t>(declared) > kMostRatio * m_archiveSize + kChunk) {
        throw Failure::damagedWorkbook(m_name, "its entry " + std::string(path) +
                                                   " would unpack to " + std::to_string(declared) +
                                                   " bytes, beyond any sane bound");
    }
    std::vector<char> buffer(kChunk);
    for (gsf_off_t left = declared; left > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<gsf_off_t>(left, kChunk));
        if (gsf_input_read(entry, piece, reinterpret_cast<guint8*>(buffer.data())) == nullptr) {
            throw Failure::damagedWorkbook(
                m_name, "its entry " + std::string(path) + " cannot be unpacked");
        }
        onChunk(std::string_view(buffer.data(), piece));
        left -= static_cast<gsf_off_t>(piece);
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
