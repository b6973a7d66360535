// The workbook reader's own code on any bytes, taken as a workbook stream,
// and the parser of the helper's answer. Failures are fine; crashes, reads
// out of bounds and runaway allocations are not.
#include <cstdint>
#include <span>
#include <string_view>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper/helper_protocol.h"
#include "import/workbook/xls_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::size_t cells = 0;
    try {
        (void)tesselin::xls::readFirstWorksheet(
            bytes, "fuzz.xls", 65536,
            [&cells](std::uint32_t, std::uint32_t, std::string_view) { ++cells; });
    } catch (const tesselin::Failure&) {
    }
    try {
        tesselin::AnswerReader answer("fuzz.xls", 1000, std::size_t{1} << 20);
        answer.feed(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)answer.finish();
    } catch (const tesselin::Failure&) {
    }
    try {
        tesselin::ColumnAnswerReader answer("fuzz.xls");
        answer.feed(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)answer.finish();
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
