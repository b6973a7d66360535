#include "import/workbook/workbook_import.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper/isolated_reader.h"
#include "import/helper/sandbox.h"
#include "support/BiffWriter.h"
#include "support/Expectations.h"
#include "support/GridTables.h"
#include "support/TempDir.h"

namespace tesselin {
namespace {

using testing::contents;
using testing::Table;
const std::filesystem::path kData = TESSELIN_TEST_DATA_DIR;

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ReadWorkbook, ReadsTheFirstSheetOfRealWorkbooksCellByCell) {
    const auto rept = [](int times) {
        std::string s;
        for (int i = 0; i < times; ++i) {
            s += "ab";
        }
        return s;
    };
    const struct {
        const char* file;
        Table expected;
    } cases[] = {
        {"basic.xls",
         {{"time", "value", "note"},
          {"0", "1.5", "first"},
          {"1", "-2.25", ""},
          {"2", "0.1", "\xc2\xb5-sensor"},
          {"", "", ""},
          {"3", "123456789.123", ""},
          {"4", "1E-07", ""},
          {"5", "", "gap"},
          {"1E+20", "7", ""}}},
        {"two_sheets.xls", {{"1", "2"}, {"3", "4"}}},
        {"one_column.xls", {{"1"}, {"2"}, {"3"}}},
        {"empty_first_sheet.xls", {}},
        // Date, date-time and time formats all give the serial number.
        {"dates.xls",
         {{"1", "1", "1", "1"},
          {"59", "59", "59", "59"},
          {"61", "61", "61", "61"},
          {"45000.5", "45000.5", "45000.5", "45000.5"},
          {"45000.123456789", "45000.123456789", "45000.123456789", "45000.123456789"},
          {"0.25", "0.25", "0.25", "0.25"}}},
        // In the 1904 date system the same serials are 1462 days later.
        {"dates_1904.xls",
         {{"1463", "1463", "1463", "1"},
          {"1521", "1521", "1521", "59"},
          {"1523", "1523", "1523", "61"},
          {"46462.5", "46462.5", "46462.5", "45000.5"},
          {"46462.123456789", "46462.123456789", "46462.123456789", "45000.123456789"},
          {"1462.25", "1462.25", "1462.25", "0.25"}}},
        // Formula cells show their stored results; errors and empty results
        // give empty cells.
        {"formulas.xls",
         {{"0.5", "1", "small \xc2\xb5", "", "", "FALSE", rept(150)},
          {"2", "4", "big", "", "", "TRUE", rept(300)},
          {"3.25", "6.5", "big", "", "", "TRUE", rept(450)}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(contents(readWorkbook(kData / c.file)), c.expected) << c.file;
    }
}

TEST(ReadWorkbook, ReadsTheFirstWorksheetOfWorkbooksWrittenAtTestTime) {
    using testing::BiffSheet;
    using testing::Dated;
    using testing::FormulaResult;
    const testing::TempDir dir;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const BiffSheet values{
        .rows = {
            {std::string("x"), std::string("\xb5m")}, {1.0, 2.5}, {}, {-3.0, testing::BiffCell{}}}};
    const Table valuesRead = {{"x", "\xc2\xb5m"}, {"1", "2.5"}, {"", ""}, {"-3", ""}};
    const BiffSheet dates{
        .rows = {{Dated{45000.5}, FormulaResult{45001, true}}, {FormulaResult{7, false}, nan}}};
    const BiffSheet chart{.name = "Chart", .kind = 2};
    const BiffSheet macros{.name = "Macros", .kind = 1, .rows = {{9.0}}};
    const BiffSheet module{.name = "Module", .kind = 6};
    const BiffSheet dialog{.name = "Dialog", .dialog = true, .rows = {{8.0}}};
    const struct {
        const char* name;
        testing::BiffWorkbook workbook;
        Table expected;
    } cases[] = {
        {"BIFF5", {.sheets = {values}}, valuesRead},
        {"BIFF8", {.biff8 = true, .sheets = {values}}, valuesRead},
        {"BIFF8 shared strings",
         {.biff8 = true, .sharedStrings = true, .sheets = {values}},
         valuesRead},
        {"a shared string over three records",
         {.biff8 = true,
          .sharedStrings = true,
          .sheets = {{.rows = {{std::string(20000, 'a'), std::string("b")}}}}},
         {{std::string(20000, 'a'), "b"}}},
        // Dates, stored or formula results, in the 1904 system come 1462 days
        // later; NaN shows as nothing.
        {"1904 dates",
         {.biff8 = true, .dates1904 = true, .sheets = {dates}},
         {{"46462.5", "46463"}, {"7", ""}}},
        {"1900 dates", {.biff8 = true, .sheets = {dates}}, {{"45000.5", "45001"}, {"7", ""}}},
        {"other sheets first",
         {.biff8 = true, .sheets = {chart, macros, module, dialog, values}},
         valuesRead},
        {"BIFF5, a chart first", {.sheets = {chart, values}}, valuesRead},
        {"Book beside Workbook",
         {.biff8 = true, .sheets = {values}, .bookStream = {{macros}}},
         valuesRead},
        // What other writers write: a number format of no characters without
        // its flags byte, and a formula under the id of Excel 4.0 (0x0406).
        {"an empty format code, an old formula id",
         {.biff8 = true,
          .sheets = {{.rows = {{1.0}},
                      .extraRecords = {{0x0406, std::string("\x01\0\0\0\x0F\0", 6) +
                                                    std::string("\0\0\0\0\0\0\x14\x40", 8) +
                                                    std::string(8, '\0')}}}},
          .globalsRecords = {{0x041E, std::string("\xA4\0\0\0", 4)}}},
         {{"1"}, {"5"}}},
    };
    for (const auto& c : cases) {
        const auto file = dir.path() / "book.xls";
        testing::writeBiffWorkbook(file, c.workbook);
        EXPECT_EQ(contents(readWorkbook(file)), c.expected) << c.name;
    }
}

TEST(ReadWorkbook, ReadsASheetOf32767RowsAndOverflowsAtTheNext) {
    const testing::TempDir dir;
    const auto largest = dir.path() / "largest.xls";
    testing::writeBiffWorkbook(largest, {.biff8 = true, .sheets = {testing::numericSheet(32767)}});
    const DataGrid table = readWorkbook(largest);
    EXPECT_EQ(table.Rows(), 32767);
    EXPECT_EQ(table.TextMatrix(32766, 0), "16383");

    const auto tooLarge = dir.path() / "too_large.xls";
    testing::writeBiffWorkbook(tooLarge,
                               {.biff8 = false, .sheets = {testing::numericSheet(32768)}});
    EXPECT_FAILURE((void)readWorkbook(tooLarge), FailureNumber::Overflow, "32768 rows");
}

TEST(ReadWorkbook, SaysWhatIsWrongWithAFileThatIsNoReadableWorkbook) {
    const testing::TempDir dir;
    const std::string basic = fileBytes(kData / "basic.xls");
    const auto write = [&](const char* name, const testing::BiffWorkbook& workbook) {
        testing::writeBiffWorkbook(dir.path() / name, workbook);
        return dir.path() / name;
    };
    const testing::BiffSheet chart{.name = "Chart", .kind = 2};
    // Damaged sheets: cut off, without their end, with a sheet begun inside,
    // with a record longer than BIFF8 allows, with a text beyond its record.
    const auto sheetWith = [](std::vector<testing::RawRecord> records, bool end = true) {
        testing::BiffSheet sheet = testing::numericSheet(300);
        sheet.extraRecords = std::move(records);
        sheet.endRecord = end;
        return sheet;
    };
    const std::string worksheetBof("\x00\x06\x10\x00\xBB\x0D\xCC\x07\0\0\0\0\x06\0\0\0", 16);
    const std::string label("\x01\0\x01\0\x0F\0\xFF\0\0ab", 11);     // 255 characters claimed
    const std::string sstIndex("\x01\0\x01\0\x0F\0\x63\0\0\0", 10);  // string 99

    const struct {
        std::filesystem::path file;
        std::int32_t number;
        const char* says;
    } cases[] = {
        {dir.write("text.xls", "1 2\r\n3 4\r\n"), FailureNumber::ExternalTableFormat,
         "is not an Excel 97-2003 or 5.0/95 workbook"},
        {kData / "xlsx_renamed.xls", FailureNumber::ExternalTableFormat, "Excel 2007 or later"},
        {dir.write("truncated.xls", basic.substr(0, basic.size() / 2)),
         FailureNumber::ExternalTableFormat, "damaged or incomplete"},
        {dir.write("empty.xls", ""), FailureNumber::ExternalTableFormat, "is empty"},
        {write("no_sheets.xls", {}), FailureNumber::ExternalTableFormat, "has no worksheet"},
        {write("only_chart.xls", {.biff8 = true, .sheets = {chart}}),
         FailureNumber::ExternalTableFormat, "has no worksheet that can be read"},
        {kData / "encrypted.xls", FailureNumber::NotAValidPassword,
         "is password-protected; save it without a password"},
        {write("marked.xls", {.passwordMarker = true, .sheets = {testing::numericSheet(3)}}),
         FailureNumber::NotAValidPassword, "is password-protected; save it without a password"},
        {dir.path() / "deleted.xls", FailureNumber::FileNotFound, "File not found"},
        {dir.path(), FailureNumber::PathFileAccessError, "is a folder"},
        // The five kinds of damage: never a partial sheet.
        {write("cut.xls", {.biff8 = true, .sheets = {sheetWith({})}, .cutBytes = 3}),
         FailureNumber::ExternalTableFormat, "the stream ends inside a record at byte"},
        {write("no_end.xls", {.biff8 = true, .sheets = {sheetWith({}, false)}}),
         FailureNumber::ExternalTableFormat, "ends before the end of the first worksheet"},
        {write("stray_bof.xls", {.biff8 = true, .sheets = {sheetWith({{0x0809, worksheetBof}})}}),
         FailureNumber::ExternalTableFormat, "a new sheet begins inside the first worksheet"},
        {write("long_record.xls",
               {.biff8 = true, .sheets = {sheetWith({{0x00EC, std::string(9000, 'x')}})}}),
         FailureNumber::ExternalTableFormat, "a record of 9000 bytes at byte"},
        {write("short_chain.xls",
               {.biff8 = true, .sheets = {sheetWith({})}, .claimedExtraBytes = 4096}),
         FailureNumber::ExternalTableFormat, "sectors hold fewer bytes than its directory"},
        {write("long_label.xls", {.biff8 = true, .sheets = {sheetWith({{0x0204, label}})}}),
         FailureNumber::ExternalTableFormat, "a text cell at byte"},
        {write("sst_index.xls",
               {.biff8 = true, .sharedStrings = true, .sheets = {sheetWith({{0x00FD, sstIndex}})}}),
         FailureNumber::ExternalTableFormat, "refers to shared string 99 of 0"},
        {write("sst_count.xls", {.biff8 = true,
                                 .sharedStrings = true,
                                 .sstCountExtra = 2,
                                 .sheets = {{.rows = {{std::string("a")}}}}}),
         FailureNumber::ExternalTableFormat, "shared string table holds 1 strings but counts 3"},
    };
    const auto openFiles = [] {
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    };
    const auto openBefore = openFiles();
    for (const auto& c : cases) {
        EXPECT_FAILURE((void)readWorkbook(c.file), c.number, c.says) << c.file;
        EXPECT_FAILURE((void)readWorkbook(c.file), c.number, c.file.string());
    }
    EXPECT_EQ(openFiles(), openBefore) << "a failed import left a file open";
}

TEST(ReadWorkbookIsolated, GivesWhatTheHelperReadsAndSurvivesItsCrash) {
    const testing::TempDir dir;
    setWorkbookHelper(TESSELIN_CLI);
    EXPECT_EQ(contents(readWorkbookIsolated(kData / "formulas.xls").table),
              contents(readWorkbook(kData / "formulas.xls")));
    EXPECT_FAILURE((void)readWorkbookIsolated(dir.write("text.xls", "1 2\r\n")),
                   FailureNumber::ExternalTableFormat, "is not an Excel 97-2003");
    // Cells beyond the grid's memory budget stop the helper, not this process.
    const auto wide = dir.path() / "wide.xls";
    testing::writeBiffWorkbook(
        wide, {.biff8 = true,
               .sharedStrings = true,
               .sheets = {{.rows = {{std::string(30000, 'w')}, {std::string(30000, 'v')}}}}});
    EXPECT_FAILURE((void)readWorkbookIsolated(wide, SpreadsheetKind::Xls, kMaxCounter, 50000),
                   FailureNumber::OutOfMemory, "Out of memory");
    setWorkbookHelper(dir.path() / "missing-helper");
    EXPECT_FAILURE((void)readWorkbookIsolated(kData / "basic.xls"), FailureNumber::FileNotFound,
                   "The workbook reader " + (dir.path() / "missing-helper").string() +
                       " could not be started");

    // Helpers that die the way a library fault kills them, that the system
    // ends for lack of memory, or that never answer.
    const struct {
        const char* script;
        std::int32_t number;
        const char* says;
    } helpers[] = {
        {"kill -SEGV $$", FailureNumber::ExternalTableFormat,
         "the workbook reader stopped unexpectedly (signal SEGV); please report this file"},
        {"kill -KILL $$", FailureNumber::OutOfMemory, "for lack of memory"},
        {"exec sleep 30", FailureNumber::ExternalTableFormat, "gave no answer within 1 s"},
    };
    for (const auto& h : helpers) {
        const auto program = dir.write("helper", std::string("#!/bin/sh\n") + h.script + "\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        setWorkbookHelper(program, std::chrono::milliseconds(300));
        EXPECT_FAILURE((void)readWorkbookIsolated(kData / "basic.xls"), h.number, h.says)
            << h.script;
    }
    setWorkbookHelper(TESSELIN_CLI);
}

// The helper reads under a seccomp filter: what it does not need ends it,
// and no descriptor of its caller reaches past the filter.
TEST(Sandbox, EndsAReaderThatTriesAnythingButWritingItsAnswer) {
    const testing::TempDir dir;
    const auto file = dir.write("victim.txt", "what a reader must never reach");
    const auto probe = [&](const char* attempt) {
        const int status = std::system(
            (std::string(TESSELIN_SANDBOX_PROBE) + " " + file.string() + " " + attempt).c_str());
        // A shell reports a child that a signal ended as 128 + its number.
        return WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status) % 128;
    };
    EXPECT_EQ(probe("nothing"), 0);
    EXPECT_EQ(probe("log"), 0);
    EXPECT_EQ(probe("descriptors"), 0) << "an inherited descriptor survived";
    if (!sandboxBuilt()) {
        GTEST_SKIP() << "this build leaves the filter out";
    }
    for (const char* attempt : {"open", "stat", "fstat", "mmap", "read", "write", "socket", "exec",
                                "ptrace", "executable"}) {
        EXPECT_EQ(probe(attempt), SIGSYS) << attempt;
    }
    EXPECT_EQ(testing::readFile(file), "what a reader must never reach");
}

}  // namespace
}  // namespace tesselin
