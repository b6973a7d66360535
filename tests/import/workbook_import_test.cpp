#include "import/workbook_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/isolated_reader.h"
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

TEST(ReadWorkbook, ReadsExcel5AndExcel97WorkbooksWrittenAtTestTime) {
    const testing::TempDir dir;
    for (const bool biff8 : {false, true}) {
        testing::BiffSheet sheet;
        sheet.rows = {{std::string("x"), std::string(biff8 ? "\xb5m" : "\xb5m")},
                      {1.0, 2.5},
                      {},
                      {-3.0, testing::BiffCell{}}};
        const auto file = dir.path() / (biff8 ? "biff8.xls" : "biff5.xls");
        testing::writeBiffWorkbook(file, {.biff8 = biff8, .sheets = {sheet}});
        EXPECT_EQ(contents(readWorkbook(file)),
                  (Table{{"x", "\xc2\xb5m"}, {"1", "2.5"}, {"", ""}, {"-3", ""}}))
            << (biff8 ? "BIFF8" : "BIFF5");
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
    const auto noSheets = dir.path() / "no_sheets.xls";
    testing::writeBiffWorkbook(noSheets, {});
    testing::BiffSheet boasting = testing::numericSheet(3);
    boasting.claimedSize = {{32767, 32767}};  // far more than the sheet holds
    const auto huge = dir.path() / "huge_claim.xls";
    testing::writeBiffWorkbook(huge, {.biff8 = true, .sheets = {boasting}});
    const auto marked = dir.path() / "marked.xls";
    testing::writeBiffWorkbook(marked,
                               {.passwordMarker = true, .sheets = {testing::numericSheet(3)}});

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
        {noSheets, FailureNumber::ExternalTableFormat, "has no worksheet"},
        {huge, FailureNumber::ExternalTableFormat, "has no worksheet that can be read"},
        {kData / "encrypted.xls", FailureNumber::NotAValidPassword, "protected by a password"},
        {marked, FailureNumber::NotAValidPassword, "protected by a password"},
        {dir.path() / "deleted.xls", FailureNumber::FileNotFound, "File not found"},
        {dir.path(), FailureNumber::PathFileAccessError, "is a folder"},
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
    EXPECT_EQ(contents(readWorkbookIsolated(kData / "formulas.xls")),
              contents(readWorkbook(kData / "formulas.xls")));
    EXPECT_FAILURE((void)readWorkbookIsolated(dir.write("text.xls", "1 2\r\n")),
                   FailureNumber::ExternalTableFormat, "is not an Excel 97-2003");

    // Helpers that die the way a library fault kills them, that the system
    // ends for lack of memory, or that never answer.
    const struct {
        const char* script;
        std::int32_t number;
        const char* says;
    } helpers[] = {
        {"kill -SEGV $$", FailureNumber::ExternalTableFormat,
         "damaged or incomplete (reading it failed with signal SEGV)"},
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

}  // namespace
}  // namespace tesselin
