// The .xlsx reader on any bytes: see zip_workbook_fuzz.h.
#include "zip_workbook_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzZipWorkbook(data, size, tesselin::readFirstXlsxWorksheet);
}
