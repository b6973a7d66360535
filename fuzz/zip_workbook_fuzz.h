// The .xlsx and .ods readers on any bytes taken as a zip archive: libgsf's
// zip reader, expat and our reading of the sheet. Failures are fine;
// crashes, hangs and runaway allocations are not.
#pragma once

#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "common/Failure.h"
#include "import/zip_archive.h"
#include "import/zip_workbooks.h"

template <typename Reader>
int fuzzZipWorkbook(const std::uint8_t* data, std::size_t size, Reader&& read) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    std::unique_ptr<GsfInput, decltype(&g_object_unref)> input(
        gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE), &g_object_unref);
    try {
        const tesselin::ZipArchive archive(input.get(), "fuzz", std::size_t{64} << 20);
        std::size_t bytes = 0;
        (void)read(archive, 65536, [&bytes](std::uint32_t, std::uint32_t, std::string_view text) {
            bytes += text.size();
        });
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
