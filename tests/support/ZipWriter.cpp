#include "support/ZipWriter.h"

#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace tesselin::testing {

void writeZip(const std::filesystem::path& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(path.c_str(), &error);
    GsfOutfile* zip = file != nullptr ? gsf_outfile_zip_new(file, &error) : nullptr;
    if (zip == nullptr) {
        g_clear_error(&error);
        throw std::runtime_error("cannot write " + path.string());
    }
    // Folders are made once, on the way: "xl/worksheets/sheet1.xml".
    std::vector<std::pair<std::string, GsfOutput*>> folders;
    for (const auto& [name, bytes] : entries) {
        GsfOutfile* folder = zip;
        std::size_t begin = 0;
        for (std::size_t slash; (slash = name.find('/', begin)) != std::string::npos;
             begin = slash + 1) {
            const std::string prefix = name.substr(0, slash);
            auto found = std::find_if(folders.begin(), folders.end(),
                                      [&](const auto& f) { return f.first == prefix; });
            if (found == folders.end()) {
                folders.emplace_back(
                    prefix,
                    gsf_outfile_new_child(folder, name.substr(begin, slash - begin).c_str(), TRUE));
                found = folders.end() - 1;
            }
            folder = GSF_OUTFILE(found->second);
        }
        GsfOutput* entry = gsf_outfile_new_child(folder, name.substr(begin).c_str(), FALSE);
        gsf_output_write(entry, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
        gsf_output_close(entry);
        g_object_unref(entry);
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        gsf_output_close(it->second);
        g_object_unref(it->second);
    }
    gsf_output_close(GSF_OUTPUT(zip));
    g_object_unref(zip);
    g_object_unref(file);
}

namespace {

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

void writeStoredZip(const std::filesystem::path& path,
                    const std::vector<std::pair<std::string, std::string>>& entries,
                    const std::string& wrongChecksum) {
    std::string archive;
    std::string directory;
    for (const auto& [name, bytes] : entries) {
        auto checksum = static_cast<std::uint32_t>(crc32(
            0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
        if (name == wrongChecksum) {
            checksum ^= 1;
        }
        const auto size = static_cast<std::uint32_t>(bytes.size());
        const auto nameLength = static_cast<std::uint32_t>(name.size());
        const auto offset = static_cast<std::uint32_t>(archive.size());
        put32(archive, 0x04034b50);
        for (const std::uint32_t field : {20u, 0u, 0u, 0u, 0u}) {  // version, flags, stored, time
            put16(archive, field);
        }
        put32(archive, checksum);
        put32(archive, size);
        put32(archive, size);
        put16(archive, nameLength);
        put16(archive, 0);
        archive += name + bytes;

        put32(directory, 0x02014b50);
        for (const std::uint32_t field : {20u, 20u, 0u, 0u, 0u, 0u}) {
            put16(directory, field);
        }
        put32(directory, checksum);
        put32(directory, size);
        put32(directory, size);
        put16(directory, nameLength);
        for (const std::uint32_t field : {0u, 0u, 0u, 0u}) {  // extra, comment, disk, internal
            put16(directory, field);
        }
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put16(archive, static_cast<std::uint32_t>(entries.size()));
    put32(archive, static_cast<std::uint32_t>(directory.size()));
    put32(archive, directoryOffset);
    put16(archive, 0);
    std::ofstream(path, std::ios::binary) << archive;
}

}  // namespace tesselin::testing
