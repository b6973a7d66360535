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
#include "import/column_stream.h"
#include "import/workbook/zip_archive.h"
#include "import/workbook/zip_workbooks.h"

template <typename Reader>
int fuzzZipWorkbook(const std::uint8_t* data, std::size_t size, Reader&& read) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    std::unique_ptr<GsfInput, decltype(&g_object_unref)> input(
        gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE), &g_object_unref);
    try {
        const tesselin::ZipArchive archive(input.get(), "fuzz", std::size_t{64} << 20);
        // The cells go to the two-column reading of tesselin-cli, in whatever
        // order the sheet gives them.
        tesselin::SheetColumns columns("1", "mag", true, std::size_t{64} << 20);
        const tesselin::SheetExtent extent =
            read(archive, 65536,
                 [&columns](std::uint32_t row, std::uint32_t column, std::string_view text) {
                     columns.cell(row, column, text);
                 });
        (void)columns.finish(extent);
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
