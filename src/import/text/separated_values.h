#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"

namespace tesselin {

class TextSource;

// Reads separated values (RFC 4180) record by record: the separator is found
// from the first lines among tab, semicolon and comma (the one that splits
// every line alike, in that order of preference); fields may be quoted, with
// doubled quotes and separators and line breaks inside; records end at CR,
// CR LF or LF. Blank lines are no records, and neither are lines starting
// with "#" before the first record (comments). Spaces around an unquoted
// field are trimmed (so "1, 2" gives 1 and 2). Each field is then read as
// people write it: with a semicolon separator a decimal-comma number
// ("11,727", "-0,5", "1.234,5") gets a full stop, and so does one in a column
// of a tab-separated file whose numbers are all written so ("2459000,5"); a
// quoted number with thousands separators in a comma-separated file
// ("5,458.59") loses them; an ISO 8601 date or date-time becomes its
// spreadsheet serial number (UTC for offsets).
//
// A quote that never closes is refused, naming the line where it opens.
class SeparatedValues {
public:
    // A field longer than maxField bytes (at most kMostFieldBytes) stops the
    // reading with an Out of memory failure, once its end is found; a record
    // of more than maxFields fields with an Overflow failure.
    SeparatedValues(TextSource& source, std::size_t maxField, std::size_t maxFields);

    // The next record; false at the end.
    bool next(std::vector<std::string>& fields);

    char separator() const noexcept { return m_separator; }

    // The most one field may take, whatever the memory budget: beyond it the
    // field's bytes are not kept while its end is looked for.
    static constexpr std::size_t kMostFieldBytes = std::size_t{64} << 20;

private:
    bool fill();  // more text into m_text; false at the end
    bool nextRecord(std::vector<std::string>& fields);
    void finishField(std::vector<std::string>& fields);
    Failure fieldTooLong() const;

    TextSource& m_source;
    std::size_t m_maxField;
    std::size_t m_maxFields;
    std::uint64_t m_records = 0;
    std::string m_text;  // read but not yet parsed
    std::size_t m_at = 0;
    bool m_ended = false;
    char m_separator = ',';
    std::string m_field;
    bool m_quoted = false;      // the field being read was quoted
    bool m_lastQuoted = false;  // a field of the record being read was
    bool m_overlong = false;    // the field passed m_maxField
    bool m_comments = true;     // no record yet: "#" starts a comment line
    bool m_afterCr = false;
    std::uint64_t m_line = 0;          // lines ended so far
    std::vector<bool> m_decimalComma;  // by column, in tab-separated files
};

// A file of separated values as a table (no caption row): one row per record.
// Records from mostRows on are counted but not kept; `records` counts them
// all. A record of more fields than a line of text may have is an Overflow.
struct SeparatedTable {
    DataGrid table;
    std::uint64_t records = 0;
};
SeparatedTable readSeparatedValues(std::istream& in, std::string_view sourceName,
                                   std::uint32_t mostRows, std::size_t memoryBudget);

// A field as the readers of separated values store it (see above).
std::string normalisedField(std::string_view field, char separator);

}  // namespace tesselin
