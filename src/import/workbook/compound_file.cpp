#include "import/workbook/compound_file.h"

#include <glib.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <mutex>
#include <string_view>

#include "common/Failure.h"
#include "common/file_access.h"
#include "import/signatures.h"
#include "import/workbook/xls_reader.h"

namespace tesselin::xls {

std::string signatureOf(GsfInput* input, const std::string& name) {
    std::array<char, kCompoundFileSignature.size()> start{};
    const auto got = static_cast<std::size_t>(
        std::min<gsf_off_t>(gsf_input_size(input), static_cast<gsf_off_t>(start.size())));
    if (got > 0 && gsf_input_read(input, got, reinterpret_cast<guint8*>(start.data())) == nullptr) {
        throw Failure::damagedWorkbook(name);
    }
    gsf_input_seek(input, 0, G_SEEK_SET);
    return std::string(start.data(), got);
}

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

// A plainer answer than "damaged" for files that are something else.
void checkSignature(GsfInput* input, const std::string& name) {
    const std::string head = signatureOf(input, name);
    if (head.empty()) {
        throw Failure::notAWorkbook(name, "is empty.");
    }
    if (head.starts_with(kZipSignature)) {
        throw Failure::notAWorkbook(name,
                                    "is an Excel 2007 or later workbook (.xlsx). Save it in the "
                                    "Excel 97-2003 format (.xls) and open it again.");
    }
    if (head != kCompoundFileSignature) {
        throw Failure::notAWorkbook(name, "is not an Excel 97-2003 or 5.0/95 workbook (.xls).");
    }
}

// The index of a stream of the compound file's root storage, or -1; names
// are compared without regard to case, as the format wants.
int childNamed(GsfInfile* root, const char* wanted) {
    const int children = gsf_infile_num_children(root);
    for (int i = 0; i < children; ++i) {
        const char* name = gsf_infile_name_by_index(root, i);
        if (name != nullptr && g_ascii_strcasecmp(name, wanted) == 0) {
            return i;
        }
    }
    return -1;
}

// True when a directory entry of a workbook stream stands somewhere in the
// file, although the library did not list it: the library leaves out a
// stream whose chain of sectors cannot hold what its entry declares. An entry
// is 128 bytes at a multiple of 128: the name in UTF-16, its length in bytes
// at 0x40, and the type 2 (stream) at 0x42.
bool hasUnlistedWorkbookEntry(GsfInput* input) {
    gsf_input_seek(input, 0, G_SEEK_SET);
    std::array<unsigned char, 128> entry{};
    while (gsf_input_read(input, entry.size(), entry.data()) != nullptr) {
        for (const std::string_view name :
             {std::string_view("Workbook"), std::string_view("Book")}) {
            const std::size_t length = 2 * (name.size() + 1);
            bool same = entry[0x40] == length && entry[0x41] == 0 && entry[0x42] == 2;
            for (std::size_t i = 0; same && i <= name.size(); ++i) {
                const char expected = i < name.size() ? name[i] : '\0';
                same =
                    g_ascii_tolower(static_cast<char>(entry[2 * i])) == g_ascii_tolower(expected) &&
                    entry[2 * i + 1] == 0;
            }
            if (same) {
                return true;
            }
        }
    }
    return false;
}

std::vector<std::uint8_t> workbookStreamOf(GsfInput* input, const std::string& name) {
    checkSignature(input, name);
    GError* error = nullptr;
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input, &error));
    if (error != nullptr) {
        g_error_free(error);
    }
    if (!ole) {
        throw Failure::damagedWorkbook(name, "its compound file structure cannot be read");
    }
    int index = childNamed(ole.get(), "Workbook");
    if (index < 0) {
        index = childNamed(ole.get(), "Book");
    }
    GPtr<GsfInput> stream(index < 0 ? nullptr : gsf_infile_child_by_index(ole.get(), index));
    if (!stream && childNamed(ole.get(), "EncryptedPackage") >= 0) {
        throw Failure::passwordProtected(name);  // an .xlsx saved with a password
    }
    if (!stream && !hasUnlistedWorkbookEntry(input)) {
        throw Failure::notAWorkbook(name, "holds no Excel workbook.");
    }
    if (!stream) {
        throw Failure::damagedWorkbook(
            name, "its workbook stream's sectors hold fewer bytes than its directory declares");
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::uint32_t>::max()) {
        throw Failure::damagedWorkbook(name, "its workbook stream has an impossible size");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 &&
        gsf_input_read(stream.get(), static_cast<std::size_t>(size), bytes.data()) == nullptr) {
        throw Failure::damagedWorkbook(name, "its workbook stream is shorter than the " +
                                                 std::to_string(size) +
                                                 " bytes its directory entry declares");
    }
    return bytes;
}

std::vector<std::uint8_t> streamBytes(GsfInput* stream) {
    const gsf_off_t size = gsf_input_size(stream);
    if (size <= 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::uint32_t>::max()) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (gsf_input_read(stream, bytes.size(), bytes.data()) == nullptr) {
        return {};
    }
    return bytes;
}

void initialiseLibrary() {
    static std::once_flag initialised;
    std::call_once(initialised, [] {
        gsf_init();
        // The library looks up the system's character sets once, from files:
        // let it do so now, before the helper may open no file.
        const char* charset = nullptr;
        g_get_charset(&charset);
        const gchar** filenameCharsets = nullptr;
        g_get_filename_charsets(&filenameCharsets);
    });
}

}  // namespace

bool holdsEncryptedWorkbook(GsfInput* input) {
    initialiseLibrary();
    gsf_input_seek(input, 0, G_SEEK_SET);
    GError* error = nullptr;
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input, &error));
    if (error != nullptr) {
        g_error_free(error);
    }
    bool encrypted = false;
    if (ole) {
        int index = childNamed(ole.get(), "EncryptedPackage");
        encrypted = index >= 0;
        if (!encrypted) {
            index = childNamed(ole.get(), "Workbook");
            if (index < 0) {
                index = childNamed(ole.get(), "Book");
            }
            GPtr<GsfInput> stream(index < 0 ? nullptr
                                            : gsf_infile_child_by_index(ole.get(), index));
            encrypted = stream && isEncrypted(streamBytes(stream.get()));
        }
    }
    gsf_input_seek(input, 0, G_SEEK_SET);
    return encrypted;
}

WorkbookFile::WorkbookFile(const std::filesystem::path& path) : m_name(path.string()) {
    // Missing, unreadable and special files get the plain file failures.
    openForReading(path);
    errno = 0;
    m_file.reset(std::fopen(m_name.c_str(), "rb"));
    if (!m_file) {
        throw Failure::fromErrno(errno != 0 ? errno : EIO, path, FileAction::Read);
    }
    initialiseLibrary();
}

void WorkbookFile::load() {
    std::FILE* file = m_file.get();
    if (file == nullptr) {
        return;  // loaded already
    }
    errno = 0;
    std::array<std::uint8_t, 1 << 16> chunk{};
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        m_bytes.insert(m_bytes.end(), chunk.begin(), chunk.begin() + static_cast<long>(got));
        if (got < chunk.size()) {
            break;
        }
    }
    if (std::ferror(file) != 0) {
        throw Failure::fromErrno(errno != 0 ? errno : EIO, m_name, FileAction::Read);
    }
    m_file.reset();
}

std::vector<std::uint8_t> WorkbookFile::workbookStream() const {
    return workbookStreamOf(m_bytes, m_name);
}

std::vector<std::uint8_t> workbookStreamOf(std::span<const std::uint8_t> file,
                                           const std::string& name) {
    initialiseLibrary();
    GPtr<GsfInput> input(
        gsf_input_memory_new(file.data(), static_cast<gsf_off_t>(file.size()), FALSE));
    return workbookStreamOf(input.get(), name);
}

}  // namespace tesselin::xls
