// The workbook import on any bytes: FreeXL through the adapter, and the
// reader of the sheet's own records. Failures are fine; crashes are not.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/biff_records.h"
#include "import/workbook_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)tesselin::xls::isPasswordProtected(bytes);
    (void)tesselin::xls::readFirstSheetValues(bytes, {tesselin::xls::cellKey(0, 0)});

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
