// The data formats beyond whitespace text and .xls: separated values, .xlsx
// and .ods, with their column names, dates and hostile variants.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <sstream>

#include "analysis/extraction.h"
#include "analysis/lag_binning.h"
#include "analysis/results_file.h"
#include "analysis/results_table.h"
#include "common/dates.h"
#include "common/numbers.h"
#include "import/data_set.h"
#include "import/helper/helper_protocol.h"
#include "import/helper/isolated_reader.h"
#include "import/text/column_names.h"
#include "import/text/local_dates.h"
#include "import/text/separated_values.h"
#include "import/workbook/compound_file.h"
#include "import/workbook/spreadsheet.h"
#include "support/CliRunner.h"
#include "support/Expectations.h"
#include "support/GridTables.h"
#include "support/TempDir.h"
#include "support/ZipWriter.h"

namespace tesselin {
namespace {

using testing::contents;
using testing::Table;
const std::filesystem::path kTables = std::filesystem::path(TESSELIN_TEST_DATA_DIR) / "tables";

TEST(DataFormats, EveryFormOfTheMeasurementsGivesTheSameResultsFile) {
    const testing::TempDir dir;
    const std::string expected =
        testing::runTesselinCli((kTables / "measurements.txt").string() + " --x 0 --y 1", dir).out;
    ASSERT_FALSE(expected.empty());
    for (const char* file : {"libreoffice.csv", "decimal_commas.csv", "timestamps.tsv",
                             "libreoffice.xlsx", "openpyxl.xlsx", "libreoffice.ods"}) {
        const auto run =
            testing::runTesselinCli((kTables / file).string() + " --x time --y mag", dir);
        EXPECT_EQ(run.status, 0) << file << run.err;
        EXPECT_EQ(run.out, expected) << file;
    }
}

TEST(IsoDates, BecomeSerialNumbersLikeWorkbookDates) {
    const struct {
        const char* text;
        std::optional<double> serial;
    } cases[] = {
        {"1899-12-30", 0},
        {"2022-01-01", 44562},
        {"2022-01-01 06:00", 44562.25},
        {"2022-01-01T06:00:00.5", 44562.25 + 0.5 / 86400},
        {"2024-03-01T00:00:04Z", 45352 + 4.0 / 86400},
        {"2022-01-01T08:00+02:00", 44562.25},
        {"2022-01-01T04:00-0200", 44562.25},
        {"2022-02-30", std::nullopt},
        {"2022-1-1", std::nullopt},
        {"2022-01-01T08:00+02", 44562.25},
        {"2022-01-01 6:00", 44562.25},
        {"2022-01-01 24:00", 44563},
        {"2022-01-01T25:00", std::nullopt},
        {"2022-01-01 24:30", std::nullopt},
        {"2022-01-01 24:00:01", std::nullopt},
        {"2022-01-01 6:0", std::nullopt},
        {"2022-01-01 06:00+2", std::nullopt},
        {"2023-02-30", std::nullopt},
        {"2022-01-01 06:00 x", std::nullopt},
        {"45000", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isoDateSerial(c.text), c.serial) << c.text;
    }
}

Table readValues(const std::string& bytes) {
    std::istringstream in(bytes);
    return contents(readSeparatedValues(in, "test.csv", 100, 1 << 20).table);
}

// Dates such as 3/1/2024 read in the order their column shows: a first
// number above 12 means day first, a second above 12 month first; a column
// whose every date reads both ways needs the order said, and one whose dates
// contradict each other holds no dates.
TEST(LocalDates, ReadInTheOrderTheirColumnShows) {
    const struct {
        const char* name;
        std::vector<const char*> cells;
        DateOrder given;
        std::vector<std::string> expected;  // empty: refused as ambiguous
    } cases[] = {
        {"day first",
         {"13/1/2024", "3/1/2024 6:00"},
         DateOrder::Undecided,
         {numberText(serialOf(2024, 1, 13, 0)), numberText(serialOf(2024, 1, 3, 21600))}},
        {"month first",
         {"1/13/2024", "3/1/2024 24:00"},
         DateOrder::Undecided,
         {numberText(serialOf(2024, 1, 13, 0)), numberText(serialOf(2024, 3, 2, 0))}},
        {"dotted, day first",
         {"01.03.2024", "31.12.2023 23:59:30"},
         DateOrder::Undecided,
         {numberText(serialOf(2024, 3, 1, 0)), numberText(serialOf(2023, 12, 31, 86370))}},
        {"ambiguous, order given",
         {"3/1/2024", "4/1/2024"},
         DateOrder::MonthFirst,
         {numberText(serialOf(2024, 3, 1, 0)), numberText(serialOf(2024, 4, 1, 0))}},
        {"ambiguous", {"3/1/2024", "4/1/2024"}, DateOrder::Undecided, {}},
        {"contradictory: no dates",
         {"13/1/2024", "1/13/2024"},
         DateOrder::Undecided,
         {"13/1/2024", "1/13/2024"}},
        {"impossible dates stay texts",
         {"13/1/2024", "31/2/2024", "3/1/2024 24:30"},
         DateOrder::Undecided,
         {numberText(serialOf(2024, 1, 13, 0)), "31/2/2024", "3/1/2024 24:30"}},
        {"not dates",
         {"1/2", "1/2/24", "1.5", "2024/1/3"},
         DateOrder::Undecided,
         {"1/2", "1/2/24", "1.5", "2024/1/3"}},
    };
    for (const auto& c : cases) {
        Table rows;
        for (const char* cell : c.cells) {
            rows.push_back({cell});
        }
        DataGrid table = testing::gridOf(rows);
        if (c.expected.empty()) {
            EXPECT_FAILURE(readLocalDates(table, {"time"}, "log.csv", c.given),
                           FailureNumber::ExternalTableFormat,
                           "log.csv: the dates of Col. 0 time read both ways: 3/1/2024 is 3 "
                           "January 2024 (day first) or 1 March 2024 (month first)")
                << c.name;
            continue;
        }
        readLocalDates(table, {"time"}, "log.csv", c.given);
        std::vector<std::string> shown;
        for (int r = 0; r < table.Rows(); ++r) {
            shown.emplace_back(table.TextMatrix(r, 0));
        }
        EXPECT_EQ(shown, c.expected) << c.name;
    }
}

TEST(SeparatedValues, ReadsFieldsAsPeopleWriteThem) {
    const struct {
        const char* name;
        std::string bytes;
        Table expected;
    } cases[] = {
        {"comma", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}},
        {"quotes", "\"x, \"\"y\"\"\nz\",2\n", {{"x, \"y\"\nz", "2"}}},
        {"spaces around unquoted fields", "1, 2 ,\" 3 \"\n", {{"1", "2", " 3 "}}},
        {"tab with a column of decimal commas", "1\t2,5\n3\t4\n", {{"1", "2.5"}, {"3", "4"}}},
        {"a German TSV, commas and all",
         "2459000,5\t11,727\t\"a,b\"\n2459001,25\t11,8\tc\n",
         {{"2459000.5", "11.727", "a,b"}, {"2459001.25", "11.8", "c"}}},
        {"a tab column with a full stop keeps its commas",
         "1,234\t1\n2.5\t2\n",
         {{"1,234", "1"}, {"2.5", "2"}}},
        {"semicolons split evenly before commas",
         "1,5;2,5\n3,5;4,5\n",
         {{"1.5", "2.5"}, {"3.5", "4.5"}}},
        {"quoted thousands in a comma file",
         "\"5,458.59\",\"-1,234\",\"12,34\",\"1,234,567\",\"1234,567\"\n",
         {{"5458.59", "-1234", "12,34", "1234567", "1234,567"}}},
        {"comments before the header and blank lines",
         "# logger 7\r\n# JD, mag\r\n\r\nJD,mag\r\n\r\n1,2\r\n\n#3,4\n",
         {{"JD", "mag"}, {"1", "2"}, {"#3", "4"}}},
        {"semicolon with decimal commas",
         "11,727;-0,5;1.234,5;a,b;1,2,3\n1;2;3;4;5\n",
         {{"11.727", "-0.5", "1234.5", "a,b", "1,2,3"}, {"1", "2", "3", "4", "5"}}},
        {"a comma stays with a comma separator", "\"1,5\",2\n", {{"1,5", "2"}}},
        {"dates",
         "2022-01-01,2022-01-01 06:00,2024-03-01T00:00:04Z\n",
         {{"44562", "44562.25", numberText(45352 + 4.0 / 86400)}}},
        {"byte-order mark and CR line ends",
         "\xEF\xBB\xBF"
         "a,b\r1,2",
         {{"a", "b"}, {"1", "2"}}},
        {"short records", "1,2,3\n4\n", {{"1", "2", "3"}, {"4", "", ""}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readValues(c.bytes), c.expected) << c.name;
    }
}

// A quote that never closes would make the rest of the file one field: it
// is refused, naming its line; a field too long for any cell is refused once
// its end is found, without keeping its bytes.
TEST(SeparatedValues, RefuseAQuoteThatNeverClosesAndFieldsBeyondAnyCell) {
    EXPECT_FAILURE(readValues("JD,mag\r\n1,2\r\n3,\"4\r\n5,6\r\n"),
                   FailureNumber::ExternalTableFormat,
                   "the quote that opens on line 3 never closes");
    EXPECT_FAILURE(readValues("\"a\nb\nc"), FailureNumber::ExternalTableFormat,
                   "opens on line 1 never closes");
    std::istringstream huge("1,\"" + std::string(3 << 20, 'x') + "\"\n");
    EXPECT_FAILURE(readSeparatedValues(huge, "huge.csv", 100, 1 << 20), FailureNumber::OutOfMemory,
                   "a field of huge.csv is longer than the 1 MB");
}

TEST(ColumnNames, TheFirstRowIsAHeaderWhenItNamesColumnsOfValues) {
    const struct {
        Table rows;
        std::vector<std::string> names;
    } cases[] = {
        {{{"JD", "mag"}, {"2459000.5", "11.7"}}, {"JD", "mag"}},
        {{{"sensor", "time"}, {"CCD", "2022-01-01"}}, {"sensor", "time"}},
        {{{"1", "2"}, {"3", "4"}}, {}},
        {{{"a", "b"}, {"c", "d"}}, {}},
        {{{"", "x"}, {"1", "y"}}, {}},
        {{{"JD", "mag"}}, {}},
    };
    for (const auto& c : cases) {
        DataGrid table = testing::gridOf(c.rows);
        EXPECT_EQ(takeHeader(table), c.names) << c.rows[0][0];
        EXPECT_EQ(table.Rows(), static_cast<int>(c.rows.size() - (c.names.empty() ? 0 : 1)));
    }
    EXPECT_EQ(namedCaption(0, {"JD"}), "Col. 0 JD");
    EXPECT_EQ(nameInCaption(1, "Col. 1 mag"), "mag");
}

// Separated values as people write them: units under the names, R's tables
// with row names (a header one field short), and what is no header at all.
TEST(ColumnNames, SeparatedValuesTakeUnitsAndRowNamesIntoTheHeader) {
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> first;
        std::vector<std::string> names;
        std::size_t rows;
    } cases[] = {
        {"units",
         {{"t", "mag", "flag"}, {"s", "[V]", ""}, {"1", "2", "ok"}},
         {"t [s]", "mag [V]", "flag"},
         2},
        {"R row names",
         {{"JD", "mag"}, {"1", "2459000.5", "11.7"}, {"2", "2459001", "11.8"}},
         {"", "JD", "mag"},
         1},
        {"R row names as texts", {{"JD", "mag"}, {"a", "2459000.5", "11.7"}}, {"", "JD", "mag"}, 1},
        {"plain header", {{"JD", "mag"}, {"2459000.5", "11.7"}}, {"JD", "mag"}, 1},
        {"no header", {{"1", "2"}, {"3", "4"}, {"5", "6"}}, {}, 0},
        {"texts all the way", {{"a", "b"}, {"c", "d"}, {"e", "f"}}, {}, 0},
        {"units with nothing under them", {{"t", "mag"}, {"s", "V"}}, {}, 0},
    };
    for (const auto& c : cases) {
        const SeparatedHeader header = separatedHeader(c.first);
        EXPECT_EQ(header.names, c.names) << c.name;
        EXPECT_EQ(header.rows, c.rows) << c.name;
    }
    EXPECT_EQ(columnNamed("mag", {"t [s]", "mag [V]"}), 1u);
    EXPECT_EQ(columnNamed("mag [V]", {"t [s]", "mag [V]"}), 1u);
}

// A minimal .xlsx around a sheet's rows, with its own extra parts.
std::vector<std::pair<std::string, std::string>> xlsx(
    const std::string& sheetData, const std::string& workbookExtra = {},
    std::vector<std::pair<std::string, std::string>> extra = {}) {
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\">" + workbookExtra +
             "<sheets><sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId2\"/>"
             "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
         "relationships\"><Relationship Id=\"rId1\" Type=\"" +
             rel +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
             rel + "/chartsheet\" Target=\"chartsheets/sheet1.xml\"/></Relationships>"},
        {"xl/styles.xml", "<styleSheet xmlns=\"" + main +
                              "\"><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs>"
                              "</styleSheet>"},
        {"xl/sharedStrings.xml",
         "<sst xmlns=\"" + main +
             "\"><si><t>shared</t></si><si><r><t>ri</t></r><r><t>ch</t></r><rPh><t>x</t>"
             "</rPh></si></sst>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet xmlns=\"" + main + "\"><sheetData>" + sheetData + "</sheetData></worksheet>"}};
    for (auto& [name, bytes] : extra) {  // a part given here replaces the usual one
        std::erase_if(parts, [&](const auto& part) { return part.first == name; });
        parts.emplace_back(name, bytes);
    }
    return parts;
}

std::vector<std::pair<std::string, std::string>> ods(const std::string& rows) {
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
            {"content.xml",
             "<office:document-content "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
             "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1."
             "0\"><office:body><office:spreadsheet><table:table>" +
                 rows +
                 "</table:table><table:table><table:table-row><table:table-cell "
                 "office:value-type=\"float\" office:value=\"9\"/></table:table-row>"
                 "</table:table></office:spreadsheet></office:body>"
                 "</office:document-content>"}};
}

SheetTable readZip(const testing::TempDir& dir,
                   const std::vector<std::pair<std::string, std::string>>& entries,
                   std::size_t budget = 1 << 20) {
    const auto file = dir.path() / "book.zip";
    testing::writeZip(file, entries);
    xls::WorkbookFile opened(file);
    opened.load();
    return readSpreadsheet(opened, SpreadsheetKind::Any, 100, budget);
}

TEST(ZipWorkbooks, ReadTheFirstWorksheetCellByCell) {
    const testing::TempDir dir;
    const std::string date1904 = "<workbookPr date1904=\"1\"/>";
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> entries;
        Table expected;
    } cases[] = {
        {"xlsx values",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
              "<c r=\"D1\" t=\"inlineStr\"><is><t>in</t></is></c></row>"
              "<row r=\"3\"><c r=\"A3\"><v>1.5E-7</v></c><c t=\"b\"><v>1</v></c><c t=\"e\">"
              "<v>#DIV/0!</v></c><c t=\"str\"><f>A1</f><v>text</v></c><c><f>A1</f></c>"
              "<c s=\"1\"><v>45000.5</v></c><c t=\"d\"><v>2022-01-01T06:00:00</v></c></row>"),
         {{"shared", "rich", "", "in", "", "", ""},
          {"", "", "", "", "", "", ""},
          {"1.5E-07", "TRUE", "", "text", "", "45000.5", "44562.25"}}},
        {"xlsx 1904 dates",
         xlsx("<row><c s=\"1\"><v>1</v></c><c><v>1</v></c></row>", date1904),
         {{"1463", "1"}}},
        {"ods values",
         ods("<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"2.5\" "
             "table:number-columns-repeated=\"2\"/><table:table-cell/><table:table-cell "
             "office:value-type=\"date\" office:date-value=\"2022-01-01T06:00:00\"/>"
             "<table:table-cell office:value-type=\"time\" office:time-value=\"PT06H00M00S\"/>"
             "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
             "<table:table-cell office:value-type=\"string\" calcext:value-type=\"error\">"
             "<text:p>#DIV/0!</text:p></table:table-cell><table:table-cell "
             "office:value-type=\"string\"><text:p>a<text:s text:c=\"2\"/>b</text:p><text:p>c"
             "</text:p></table:table-cell><table:covered-table-cell/>"
             "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>"
             "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
             "office:value-type=\"float\" office:value=\"7\"/></table:table-row>"
             "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell/>"
             "</table:table-row>"),
         {{"2.5", "2.5", "", "44562.25", "0.25", "TRUE", "", "a  b\nc"},
          {"7", "", "", "", "", "", "", ""},
          {"7", "", "", "", "", "", "", ""}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(contents(readZip(dir, c.entries).table), c.expected) << c.name;
    }
}

// The same entries renamed: `renames` maps a usual name to the one written.
std::vector<std::pair<std::string, std::string>> renamed(
    std::vector<std::pair<std::string, std::string>> entries,
    const std::vector<std::pair<std::string, std::string>>& renames) {
    for (auto& [name, bytes] : entries) {
        for (const auto& [from, to] : renames) {
            if (name == from) {
                name = to;
            }
        }
    }
    return entries;
}

// What writers other than the office suites put in their archives: names in
// another case or with backslashes, targets with "./", empty values, the
// escapes of characters XML cannot hold, comments on ODS cells. Read as the
// values they stand for; archives that would make a reader guess (two
// entries of one name, bytes that do not match their checksum) are refused.
TEST(ZipWorkbooks, TakeWhatRealWritersWriteAndRefuseWhatWouldBeAGuess) {
    const testing::TempDir dir;
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string dotTarget =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        rel + "/worksheet\" Target=\"./Worksheets/Sheet1.xml\"/></Relationships>";
    const std::string values =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v/></c><c r=\"B1\" t=\"inlineStr\"><is><t>a_x000D_"
        "_x000a_b_x005F_x0000_c_xD83D__xDE00_</t></is></c><c r=\"C1\"><v>2</v></c></row>";
    const auto note =
        ods("<table:table-row><table:table-cell office:value-type=\"string\"><office:annotation>"
            "<text:p>observer's note</text:p></office:annotation><text:p>JD</text:p>"
            "</table:table-cell></table:table-row>");
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> entries;
        Table expected;  // empty: refused as damaged, with `says`
        const char* says;
        std::string wrongChecksum;
    } cases[] = {
        {"backslashes and another case",
         renamed(xlsx(values), {{"xl/workbook.xml", "xl\\Workbook.xml"},
                                {"xl/_rels/workbook.xml.rels", "XL\\_rels\\workbook.xml.rels"},
                                {"xl/worksheets/sheet1.xml", "xl/worksheets/SHEET1.XML"}}),
         {{"", "a\r\nb_x0000_c\xF0\x9F\x98\x80", "2"}},
         nullptr,
         {}},
        {"a ./ target in another case",
         xlsx(values, {}, {{"xl/_rels/workbook.xml.rels", dotTarget}}),
         {{"", "a\r\nb_x0000_c\xF0\x9F\x98\x80", "2"}},
         nullptr,
         {}},
        {"a comment on an ODS cell", note, {{"JD"}}, nullptr, {}},
        {"a workbook part of another name, as the package names it",
         [&] {
             auto entries =
                 renamed(xlsx(values), {{"xl/workbook.xml", "xl/book.xml"},
                                        {"xl/_rels/workbook.xml.rels", "xl/_rels/book.xml.rels"}});
             entries.emplace_back(
                 "_rels/.rels",
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                 "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                     rel + "/officeDocument\" Target=\"xl/book.xml\"/></Relationships>");
             return entries;
         }(),
         {{"", "a\r\nb_x0000_c\xF0\x9F\x98\x80", "2"}},
         nullptr,
         {}},
        {"two entries of one name",
         [&] {
             auto entries = xlsx(values);
             entries.emplace_back("xl/Worksheets/sheet1.xml", "<worksheet/>");
             return entries;
         }(),
         {},
         "two entries named xl/Worksheets/sheet1.xml",
         {}},
        {"a checksum that does not match",
         xlsx(values),
         {},
         "does not match its checksum",
         "xl/worksheets/sheet1.xml"},
    };
    for (const auto& c : cases) {
        const auto file = dir.path() / "book.xlsx";
        testing::writeStoredZip(file, c.entries, c.wrongChecksum);
        xls::WorkbookFile opened(file);
        opened.load();
        if (c.expected.empty()) {
            EXPECT_FAILURE((void)readSpreadsheet(opened, SpreadsheetKind::Any, 100, 1 << 20),
                           FailureNumber::ExternalTableFormat, c.says)
                << c.name;
        } else {
            EXPECT_EQ(contents(readSpreadsheet(opened, SpreadsheetKind::Any, 100, 1 << 20).table),
                      c.expected)
                << c.name;
        }
    }
}

// What the window analyses of a data set: the grid's points of the two
// columns, the names in its captions and its number of columns.
ColumnData windowColumns(const std::filesystem::path& file, const std::string& x,
                         const std::string& y) {
    DataGrid grid;
    loadDataSet(grid, file, DataKind::ByContent);
    ColumnData window;
    window.columns = static_cast<std::uint64_t>(grid.Cols());
    for (int c = 0; c < grid.Cols(); ++c) {
        window.names.emplace_back(nameInCaption(c, grid.TextMatrix(0, c)));
    }
    if (std::all_of(window.names.begin(), window.names.end(),
                    [](const std::string& name) { return name.empty(); })) {
        window.names.clear();
    }
    const auto xColumn = columnNamed(x, window.names);
    const auto yColumn = columnNamed(y, window.names);
    if (xColumn && yColumn && *xColumn < window.columns && *yColumn < window.columns) {
        window.points =
            extractDataPoints(grid, static_cast<int>(*xColumn), static_cast<int>(*yColumn))
                .DataPoints;
    }
    return window;
}

TEST(ColumnStreams, GiveThePointsOfTheWindowForEveryFile) {
    const testing::TempDir dir;
    setWorkbookHelper(TESSELIN_CLI);
    const std::filesystem::path data(TESSELIN_TEST_DATA_DIR);
    const std::string a1 = "<c r=\"A1\" t=\"inlineStr\"><is><t>time</t></is></c>";
    const std::string b1 = "<c r=\"B1\" t=\"inlineStr\"><is><t>mag</t></is></c>";
    // The header comes last: the columns are known only at the end.
    testing::writeZip(dir.path() / "late_header.xlsx",
                      xlsx("<row r=\"3\"><c r=\"A3\"><v>3</v></c><c r=\"B3\"><v>30</v></c>"
                           "<c r=\"C3\"><v>7</v></c></row><row r=\"2\"><c r=\"B2\"><v>20</v>"
                           "</c><c r=\"A2\"><v>2</v></c></row><row r=\"1\">" +
                           a1 + b1 + "</row><row r=\"4\"><c r=\"A4\"><v>4</v></c></row>"));
    testing::writeZip(dir.path() / "values.ods",
                      ods("<table:table-row><table:table-cell office:value-type=\"string\">"
                          "<text:p>time</text:p></table:table-cell><table:table-cell "
                          "office:value-type=\"string\"><text:p>mag</text:p></table:table-cell>"
                          "</table:table-row><table:table-row table:number-rows-repeated=\"3\">"
                          "<table:table-cell office:value-type=\"float\" office:value=\"2.5\" "
                          "table:number-columns-repeated=\"2\"/></table:table-row>"));
    const struct {
        std::filesystem::path file;
        const char* x;
        const char* y;
    } cases[] = {
        {kTables / "measurements.txt", "0", "1"},
        {kTables / "libreoffice.csv", "time", "mag"},
        {kTables / "decimal_commas.csv", "time", "mag"},
        {kTables / "timestamps.tsv", "mag", "time"},
        {kTables / "libreoffice.xlsx", "time", "mag"},
        {kTables / "openpyxl.xlsx", "time", "mag"},
        {kTables / "libreoffice.ods", "time", "mag"},
        {data / "basic.xls", "0", "1"},
        {data / "dates.xls", "1", "0"},
        {data / "dates_1904.xls", "0", "1"},
        {data / "formulas.xls", "0", "1"},
        {data / "one_column.xls", "0", "1"},
        {dir.write("ragged.txt", "1 2 3\n\n4\n 5\t6\n7 8 9 10 &H1F\n"), "4", "0"},
        {dir.write("blanks.csv", "t,v,w\n1,,\n,2\n3,4\n\" 5\",6e1x,7\n"), "t", "v"},
        {dir.write("no_header.csv", "1;2,5\n3;4,25\n"), "0", "1"},
        {dir.write("one_line.csv", "1,2\n"), "0", "1"},
        {dir.write("empty.csv", ""), "0", "1"},
        {dir.write("units.csv", "# logger 7\nt,mag\ns,V\n\n1,2\n3,4\n"), "t", "mag"},
        {dir.write("r_table.tsv",
                   "\"JD\"\t\"mag\"\n\"1\"\t2459000,5\t11,7\n\"2\"\t2459001\t11,8\n"),
         "JD", "mag"},
        {dir.write("blank_under_header.csv", "JD,mag\n\n\n1,2\n3,4\n"), "JD", "mag"},
        {dir.write("local_dates.csv",
                   "t,mag\n13/1/2024 6:00,1\n3/1/2024,NA\n1/13/2024,3\n5/1/2024,2\n"),
         "t", "mag"},
        {dir.path() / "late_header.xlsx", "mag", "time"},
        {dir.path() / "values.ods", "time", "mag"},
    };
    for (const auto& c : cases) {
        const ColumnData window = windowColumns(c.file, c.x, c.y);
        const ColumnData streamed = readColumns(c.file, DataKind::ByContent, c.x, c.y);
        EXPECT_EQ(streamed.columns, window.columns) << c.file;
        EXPECT_EQ(streamed.names.size() > 0, window.names.size() > 0) << c.file;
        for (std::size_t k = 0; k < std::min(streamed.names.size(), window.names.size()); ++k) {
            EXPECT_EQ(streamed.names[k], window.names[k]) << c.file;
        }
        ASSERT_EQ(streamed.points.size(), window.points.size()) << c.file;
        for (std::size_t i = 0; i < window.points.size(); ++i) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(streamed.points[i].x),
                      std::bit_cast<std::uint64_t>(window.points[i].x))
                << c.file << " point " << i;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(streamed.points[i].y),
                      std::bit_cast<std::uint64_t>(window.points[i].y))
                << c.file << " point " << i;
        }
    }
}

TEST(ColumnStreams, TakeDataSetsBeyondTheWindowsRowsInEveryFormat) {
    const testing::TempDir dir;
    std::vector<DataPoint> points;
    std::string text;
    std::string csv = "JD,flux\n";
    std::string rows =
        "<row><c t=\"inlineStr\"><is><t>JD</t></is></c><c t=\"inlineStr\"><is>"
        "<t>flux</t></is></c></row>";
    for (int i = 0; i < 40000; ++i) {
        const std::string x = numberText(2459000.5 + i / 720.0);
        const std::string y = numberText(std::sin(i * 0.01) + (i % 3) * 0.5);
        points.push_back({leadingNumberValue(x), leadingNumberValue(y)});
        text += x + " " + y + "\n";
        csv += x + "," + y + "\n";
        rows += "<row><c><v>" + x + "</v></c><c><v>" + y + "</v></c></row>";
    }
    testing::writeZip(dir.path() / "long.xlsx", xlsx(rows));
    const double length = points.back().x - points.front().x;
    const std::string expected = resultsFileText(
        buildResultsTable(computeBins(points, 25, 0, length, {.path = BinningPath::Pairs})));
    for (const std::string& file : {dir.write("long.txt", text).string() + " --x 0 --y 1",
                                    dir.write("long.csv", csv).string() + " --x JD --y flux",
                                    (dir.path() / "long.xlsx").string() + " --x JD --y flux"}) {
        const auto run = testing::runTesselinCli(file, dir);
        EXPECT_EQ(run.status, 0) << file << run.err;
        EXPECT_EQ(run.out, expected) << file;
    }
}

// Answers of the helper as bytes: 32-bit numbers, texts with their length,
// doubles, all little-endian.
struct Answer {
    std::string bytes = "TSLW";
    Answer& u8(char c) { return bytes.push_back(c), *this; }
    Answer& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>(v >> (8 * i)));
        }
        return *this;
    }
    Answer& text(const std::string& t) {
        return u32(static_cast<std::uint32_t>(t.size())), bytes += t, *this;
    }
    Answer& f64(double d) {
        const auto v = std::bit_cast<std::uint64_t>(d);
        return u32(static_cast<std::uint32_t>(v)), u32(static_cast<std::uint32_t>(v >> 32));
    }
};

TEST(ColumnStreams, TakeFromTheHelperOnlyAnswersThatAreSound) {
    const Answer sound = Answer()
                             .u8('C')
                             .u8(1)
                             .u32(3)
                             .u32(2)
                             .text("JD")
                             .text("mag")
                             .u32(2)
                             .f64(1)
                             .f64(2)
                             .f64(3)
                             .f64(-4)
                             .u32(3)  // rows left out
                             .u32(0)
                             .u32(14)
                             .u32(0)
                             .text("NA")
                             .text("Col. 1 mag")
                             .u32(0)  // cells read as 0
                             .u32(0)
                             .u32(0)
                             .u32(0)
                             .text("")
                             .text("")
                             .u8('E');
    const auto read = [](const std::string& bytes) {
        ColumnAnswerReader answer("book.xlsx");
        answer.feed(bytes);
        return answer.finish();
    };
    const ColumnData data = read(sound.bytes);
    EXPECT_EQ(data.columns, 3u);
    EXPECT_EQ(data.names, (std::vector<std::string>{"JD", "mag"}));
    ASSERT_EQ(data.points.size(), 2u);
    EXPECT_EQ(data.points[1].y, -4);
    EXPECT_EQ(data.rowsLeftOut.count, 3u);
    EXPECT_EQ(data.rowsLeftOut.firstRow, 14u);
    EXPECT_EQ(data.rowsLeftOut.firstText, "NA");
    EXPECT_EQ(data.rowsLeftOut.firstColumn, "Col. 1 mag");

    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } refused[] = {
        {"the helper's failure", Answer().u8('F').u32(3274).text("cut short").bytes, "cut short"},
        {"a failure too long", Answer().u8('F').u32(5).u32(1u << 30).bytes, "no usable answer"},
        {"a name of 4 GB", Answer().u8('C').u8(1).u32(2).u32(1).u32(0xFFFFFFFF).bytes,
         "no usable answer"},
        {"no columns", Answer().u8('C').u8(1).u32(0).u32(0).u32(0).u8('E').bytes,
         "no usable answer"},
        {"more rows than a sheet", Answer().u8('C').u8(0).u32(2).u32(0).u32(1u << 21).bytes,
         "no usable answer"},
        {"NaN", Answer().u8('C').u8(0).u32(2).u32(0).u32(1).f64(std::nan("")).f64(1).u8('E').bytes,
         "no usable answer"},
        {"a left-out text of 4 GB",
         Answer()
             .u8('C')
             .u8(0)
             .u32(2)
             .u32(0)
             .u32(0)
             .u32(1)
             .u32(0)
             .u32(1)
             .u32(0)
             .u32(0xFFFFFFFF)
             .bytes,
         "no usable answer"},
        {"a table answer", Answer().u8('T').u8(0).u32(0).u32(0).u8('E').bytes, "no usable answer"},
        {"bytes after the end", sound.bytes + "x", "no usable answer"},
        {"cut short", sound.bytes.substr(0, sound.bytes.size() - 5), "no usable answer"},
    };
    for (const auto& r : refused) {
        EXPECT_FAILURE((void)read(r.bytes), FailureNumber::ExternalTableFormat, r.says) << r.name;
    }
}

TEST(ZipWorkbooks, RefuseHostileArchivesWithOneClearMessage) {
    const testing::TempDir dir;
    std::string nested;
    for (int i = 0; i < 70; ++i) {
        nested += "<x>";
    }
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> entries;
        const char* says;
    } cases[] = {
        {"document type",
         xlsx("", "",
              {{"xl/worksheets/sheet1.xml",
                "<!DOCTYPE w [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><w>&b;</w>"}}),
         "declares a document type"},
        {"nesting", xlsx(nested), "nests deeper than 64 levels"},
        {"bomb", xlsx(std::string(60'000'000, ' ')), "beyond any sane bound"},
        {"beyond the budget",
         xlsx("<row><c t=\"inlineStr\"><is><t>" + std::string(2 << 20, 'w') +
              "</t></is></c></row>"),
         "beyond any sane bound"},
        {"a cell beyond the last column", xlsx("<row><c r=\"ZZZ1\"><v>1</v></c></row>"),
         "beyond the sheet's last row or column"},
        {"a shared string beyond the table", xlsx("<row><c t=\"s\"><v>7</v></c></row>"),
         "refers to shared string 7 of 2"},
        {"rows repeated beyond the sheet",
         ods("<table:table-row table:number-rows-repeated=\"2000000\"><table:table-cell "
             "office:value-type=\"float\" office:value=\"1\"/></table:table-row>"),
         "repeated beyond the sheet's 1048576 rows"},
        {"no spreadsheet inside",
         {{"readme.txt", "hello"}},
         "a zip archive that holds no spreadsheet"},
        {"not well-formed", xlsx("<row><c>"), "is not well-formed XML"},
    };
    for (const auto& c : cases) {
        EXPECT_FAILURE((void)readZip(dir, c.entries), FailureNumber::ExternalTableFormat, c.says)
            << c.name;
    }
}

TEST(DataSets, AreRefusedWholeWhenTheWindowCannotHoldThem) {
    const testing::TempDir dir;
    setWorkbookHelper(TESSELIN_CLI);
    std::string lines = "x,y\n";
    for (int i = 0; i < 32767; ++i) {
        lines += std::to_string(i) + ",1\n";
    }
    DataGrid grid;
    EXPECT_FAILURE(loadDataSet(grid, dir.write("long.csv", lines), DataKind::ByContent),
                   FailureNumber::Overflow, "has 32767 rows of data");
    EXPECT_EQ(grid.Rows(), 2);  // as it was
    lines.erase(lines.rfind("32766,1\n"));
    loadDataSet(grid, dir.write("longest.csv", lines), DataKind::ByContent);
    EXPECT_EQ(grid.Rows(), 32767);
    EXPECT_EQ(grid.TextMatrix(0, 1), "Col. 1 y");

    EXPECT_FAILURE(loadDataSet(grid, dir.write("binary.dat", std::string("1 2\0\x01", 5)),
                               DataKind::ByContent),
                   FailureNumber::ExternalTableFormat, "holds binary data");
    EXPECT_FAILURE(loadDataSet(grid, dir.write("text.xlsx", "1 2\n"), DataKind::ByContent),
                   FailureNumber::ExternalTableFormat, "is named as a workbook but holds text");
    // Under a file type of its own, a file of another kind is named for what it is.
    const struct {
        std::filesystem::path file;
        DataKind kind;
        const char* says;
    } mismatches[] = {
        {kTables / "libreoffice.ods", DataKind::Xlsx,
         "is an OpenDocument spreadsheet (.ods), not an Excel 2007 or later workbook"},
        {kTables / "openpyxl.xlsx", DataKind::SeparatedValues,
         "is an Excel 2007 or later workbook (.xlsx), not separated values"},
        {kTables / "libreoffice.ods", DataKind::Text,
         "is an OpenDocument spreadsheet (.ods), not text"},
        {kTables / "measurements.txt", DataKind::Ods,
         "is not an OpenDocument spreadsheet (.ods): it is a text file; choose \"Text (*.txt)\""},
        {kTables / "libreoffice.csv", DataKind::Xls,
         "is not an Excel 97-2003 or 5.0/95 workbook (.xls): it is a CSV text file; choose "
         "\"Separated values\" or \"All data files\""},
    };
    for (const auto& m : mismatches) {
        EXPECT_FAILURE(loadDataSet(grid, m.file, m.kind), FailureNumber::ExternalTableFormat,
                       m.says);
    }
}

}  // namespace
}  // namespace tesselin
