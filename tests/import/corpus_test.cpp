// Workbooks that other programs wrote (the shared corpus of real files) and
// the fuzzers' seeds, read as the program reads them: by the real helper
// process, under its sandbox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/Failure.h"
#include "common/numbers.h"
#include "corpus_expectations.h"
#include "import/helper/isolated_reader.h"
#include "import/sheet.h"
#include "import/text/separated_values.h"
#include "support/Expectations.h"

namespace tesselin {
namespace {

const std::filesystem::path kCorpus = TESSELIN_CORPUS_DIR;
const std::filesystem::path kFuzzSeeds = TESSELIN_FUZZ_CORPUS_DIR;

// A cell's text as expected: numbers to the precision the grid shows them
// (15 significant digits), texts exactly.
bool sameCell(const std::string& shown, const std::string& expected) {
    const auto expectedNumber = strictNumber(expected);
    const auto shownNumber = strictNumber(shown);
    if (expectedNumber && shownNumber) {
        return std::abs(*shownNumber - *expectedNumber) <=
               1e-12 * std::max(1.0, std::abs(*expectedNumber));
    }
    return shown == expected;
}

TEST(RealWorkbooks, ReadThroughTheSandboxedHelperAsTheirWritersMeantThem) {
    if (!std::filesystem::is_directory(kCorpus)) {
        GTEST_SKIP() << "no corpus of real files at " << kCorpus;
    }
    setWorkbookHelper(TESSELIN_CLI);
    for (const testing::CorpusFile& file : testing::kCorpusFiles) {
        const std::filesystem::path path = kCorpus / file.path;
        if (file.refusal != nullptr) {
            try {
                (void)readWorkbookIsolated(path, SpreadsheetKind::Any);
                ADD_FAILURE() << file.path << " was read, but should be refused";
            } catch (const Failure& failure) {
                EXPECT_NE(failure.description().find(file.refusal), std::string::npos)
                    << file.path << ": " << failure.description();
            }
            continue;
        }
        SheetTable sheet;
        try {
            sheet = readWorkbookIsolated(path, SpreadsheetKind::Any);
        } catch (const Failure& failure) {
            ADD_FAILURE() << file.path << ": " << failure.description();
            continue;
        }
        const DataGrid& table = sheet.table;
        // The extent of the cells that hold a value (formatted empty cells
        // may add empty rows and columns to the table).
        int rows = 0;
        int columns = 0;
        for (int r = 0; r < table.Rows(); ++r) {
            for (int c = 0; c < table.Cols(); ++c) {
                if (!table.TextMatrix(r, c).empty()) {
                    rows = std::max(rows, r + 1);
                    columns = std::max(columns, c + 1);
                }
            }
        }
        EXPECT_EQ(rows, file.rows) << file.path;
        EXPECT_EQ(columns, file.columns) << file.path;
        for (const testing::CorpusCell& cell : file.cells) {
            const std::string shown = cell.row < table.Rows() && cell.column < table.Cols()
                                          ? std::string(table.TextMatrix(cell.row, cell.column))
                                          : std::string();
            EXPECT_TRUE(sameCell(shown, cell.text))
                << file.path << " row " << cell.row << " column " << cell.column << ": shows '"
                << shown << "', holds '" << cell.text << "'";
        }
    }
}

// Whatever a seed holds, the helper reads it or refuses it; the sandbox
// never ends it (which would be a call the filter lacks).
TEST(RealWorkbooks, FuzzSeedsNeverEndTheSandboxedHelper) {
    setWorkbookHelper(TESSELIN_CLI);
    int seeds = 0;
    for (const char* target : {"workbook", "xls_file", "xlsx", "ods"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kFuzzSeeds / target)) {
            ++seeds;
            try {
                (void)readWorkbookIsolated(entry.path(), SpreadsheetKind::Any);
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.description().find("stopped unexpectedly"), std::string::npos)
                    << failure.description();
            }
        }
    }
    EXPECT_GT(seeds, 20);
}

// The records of a csv-spectrum expectation: a JSON array of objects (or one
// object) whose values are strings, in the order of the file's header.
class ExpectedRecords {
public:
    explicit ExpectedRecords(std::string text) : m_text(std::move(text)) {}

    std::vector<std::vector<std::string>> read() {
        std::vector<std::vector<std::string>> records;
        skipSpace();
        const bool many = peek() == '[';
        if (many) {
            ++m_at;
        }
        while (skipSpace(), peek() == '{') {
            ++m_at;
            std::vector<std::string> values;
            while (skipSpace(), peek() == '"') {
                string();  // the key
                skipSpace();
                ++m_at;  // ':'
                skipSpace();
                values.push_back(string());
                skipSpace();
                if (peek() == ',') {
                    ++m_at;
                }
            }
            ++m_at;  // '}'
            records.push_back(std::move(values));
            skipSpace();
            if (peek() == ',') {
                ++m_at;
            }
        }
        return records;
    }

private:
    char peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
    void skipSpace() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) {
            ++m_at;
        }
    }
    std::string string() {
        std::string value;
        ++m_at;  // the opening quote
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at++];
            if (c == '\\') {
                c = m_text[m_at++];
                c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            }
            value.push_back(c);
        }
        ++m_at;
        return value;
    }

    std::string m_text;
    std::size_t m_at = 0;
};

// The RFC 4180 suite: every field as its expectation lists it (the header
// line first, then the records).
TEST(RealSeparatedValues, GiveTheFieldsTheirExpectationsList) {
    const std::filesystem::path folder = kCorpus / "csv";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no corpus of real files at " << folder;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".csv") {
            continue;
        }
        ++files;
        std::ifstream json(std::filesystem::path(entry.path()).replace_extension(".json"));
        std::stringstream text;
        text << json.rdbuf();
        const auto expected = ExpectedRecords(text.str()).read();
        std::ifstream in(entry.path(), std::ios::binary);
        const DataGrid table = readSeparatedValues(in, entry.path().string(), 1000, 1 << 20).table;
        ASSERT_EQ(table.Rows(), static_cast<int>(expected.size()) + 1) << entry.path();
        for (std::size_t r = 0; r < expected.size(); ++r) {
            for (std::size_t c = 0; c < expected[r].size(); ++c) {
                // The suite's own expectation of this one field disagrees
                // with its file (2095257564).
                if (entry.path().filename() == "location_coordinates.csv" && c == 0) {
                    continue;
                }
                EXPECT_EQ(table.TextMatrix(static_cast<int>(r) + 1, static_cast<int>(c)),
                          expected[r][c])
                    << entry.path() << " record " << r << " field " << c;
            }
        }
    }
    EXPECT_GE(files, 10);
}

}  // namespace
}  // namespace tesselin
