// The workbook import's own code on any bytes: the reader of the sheet's
// records and the parser of the helper process's answer. (FreeXL itself runs
// only in the helper process.) Failures are fine; crashes are not.
#include <cstdint>
#include <span>
#include <string_view>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/biff_records.h"
#include "import/helper_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)tesselin::xls::isPasswordProtected(bytes);
    (void)tesselin::xls::readFirstSheetValues(bytes, {tesselin::xls::cellKey(0, 0)});
    try {
        (void)tesselin::tableFromHelperAnswer(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xls");
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
