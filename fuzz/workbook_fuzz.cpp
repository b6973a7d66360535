// The workbook import's own code on any bytes: the reader of the sheet's
// records and the parser of the helper process's answer. FreeXL itself runs
// in the helper process, because fuzzing it here found it reading outside its
// buffers on damaged files; set TESSELIN_FUZZ_FREEXL=1 to fuzz it in-process
// as well. Failures are fine; crashes are not.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/biff_records.h"
#include "import/helper_protocol.h"
#include "import/workbook_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)tesselin::xls::isPasswordProtected(bytes);
    (void)tesselin::xls::readFirstSheetValues(bytes, {tesselin::xls::cellKey(0, 0)});
    try {
        (void)tesselin::tableFromHelperAnswer(
            std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xls");
    } catch (const tesselin::Failure&) {
    }

    static const bool withFreeXl = std::getenv("TESSELIN_FUZZ_FREEXL") != nullptr;
    if (!withFreeXl) {
        return 0;
    }
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("tesselin-fuzz-" + std::to_string(getpid()) + ".xls");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        const tesselin::DataGrid table = tesselin::readWorkbook(file);
        tesselin::DataGrid grid;
        tesselin::FillGridFromTable(grid, table);
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
