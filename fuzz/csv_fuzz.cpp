// The separated-values reader and the header rule on any bytes. Failures are
// fine; crashes and runaway allocations are not, and every field comes from
// the file's bytes.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/Failure.h"
#include "import/column_stream.h"
#include "import/text/column_names.h"
#include "import/text/local_dates.h"
#include "import/text/separated_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    try {
        tesselin::SeparatedTable values =
            tesselin::readSeparatedValues(in, "fuzz.csv", 1000, std::size_t{16} << 20);
        const auto names = tesselin::takeSeparatedHeader(values.table);
        tesselin::readLocalDates(values.table, names, "fuzz.csv", tesselin::DateOrder::DayFirst);
        if (values.table.Rows() > 1000) {
            std::abort();
        }
    } catch (const tesselin::Failure&) {
    }
    std::istringstream again(bytes);
    try {
        (void)tesselin::readSeparatedColumns(again, "fuzz.csv", "0", "mag");
    } catch (const tesselin::Failure&) {
    }
    return 0;
}
