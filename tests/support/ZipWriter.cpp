#include "support/ZipWriter.h"

#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
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

}  // namespace tesselin::testing
