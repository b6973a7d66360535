// The whole .xls reading of the workbook helper on any file: the compound
// file (libgsf), the workbook stream and its first worksheet. Failures are
// fine; crashes, reads out of bounds and runaway allocations are not.
#include <cstdint>
#include <span>
#include <string_view>

#include "common/Failure.h"
#include "import/workbook/compound_file.h"
#include "import/workbook/xls_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto stream = tesselin::xls::workbookStreamOf(std::span(data, size), "fuzz.xls");
        std::size_t bytes = 0;
        (void)tesselin::xls::readFirstWorksheet(
            stream, "fuzz.xls", 65536,
            [&bytes](std::uint32_t, std::uint32_t, std::string_view text) {
                bytes += text.size();
            });
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
