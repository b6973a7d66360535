#include "import/text/text_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "support/Expectations.h"
#include "support/GridTables.h"
#include "support/TempDir.h"

namespace tesselin {
namespace {

using testing::contents;
using testing::Table;

Table load(const std::string& bytes) {
    DataGrid grid;
    std::istringstream in(bytes);
    loadTextStream(grid, in, "test.txt");
    return contents(grid);
}

const std::vector<std::string> kHeader2 = {"Col. 0", "Col. 1"};

TEST(TextImport, SplitsLinesIntoFieldsAtRunsOfSpacesAndTabs) {
    const struct {
        const char* name;
        std::string bytes;
        Table expected;
    } cases[] = {
        {"empty file", "", {kHeader2}},
        {"one line", "3.5 7", {kHeader2, {"3.5", "7"}}},
        {"mixed separators", "  1\t\t2   3  ", {{"Col. 0", "Col. 1", "Col. 2"}, {"1", "2", "3"}}},
        {"one column", "1\r\n2\r\n", {kHeader2, {"1", ""}, {"2", ""}}},
        {"short line",
         "1 2 3\r\n4 5",
         {{"Col. 0", "Col. 1", "Col. 2"}, {"1", "2", "3"}, {"4", "5", ""}}},
        {"comma is no separator", "1,2", {kHeader2, {"1,2", ""}}},
        {"blank line stays", "1 2\r\n\r\n3 4", {kHeader2, {"1", "2"}, {"", ""}, {"3", "4"}}},
        {"spaces-only line", "1 2\r\n \t \r\n", {kHeader2, {"1", "2"}, {"", ""}}},
        {"titles are data", "time value\r\n1 2", {kHeader2, {"time", "value"}, {"1", "2"}}},
        {"NUL bytes are kept",
         std::string("a\0b c\n", 6),
         {kHeader2, {std::string("a\0b", 3), "c"}}},
        {"bytes are not decoded", "\xb5m \xff", {kHeader2, {"\xb5m", "\xff"}}},
        // Lines end at CR, CR LF and LF; the last needs no terminator.
        {"line ends", "1\r2\r\n3\n4", {kHeader2, {"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}}},
        {"final empty line", "1\r\n\r\n", {kHeader2, {"1", ""}, {"", ""}}},
        {"lone terminator", "\n", {kHeader2, {"", ""}}},
        {"LF CR is two ends", "1\n\r2", {kHeader2, {"1", ""}, {"", ""}, {"2", ""}}},
        // A byte-order mark says how the text is encoded; it is no data.
        {"UTF-8 mark",
         "\xEF\xBB\xBF"
         "5 7",
         {kHeader2, {"5", "7"}}},
        {"only a mark", "\xEF\xBB\xBF", {kHeader2}},
        {"UTF-16 little-endian",
         std::string("\xFF\xFE"
                     "5\0 \0"
                     "7\0\r\0\n\0"
                     "\xB5\0m\0",
                     16),
         {kHeader2, {"5", "7"}, {"\xC2\xB5m", ""}}},
        {"UTF-16 big-endian, a pair and a cut",
         std::string("\xFE\xFF\0"
                     "1\xD8\x3D\xDE\x00\0 \0"
                     "2\0",
                     13),
         {kHeader2, {"1\xF0\x9F\x98\x80", "2\xEF\xBF\xBD"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load(c.bytes), c.expected) << c.name;
    }
}

TEST(TextImport, JoinsACrLfPairSplitAcrossReadChunks) {
    for (const std::size_t length : {65535u, 65536u, 65537u}) {
        const std::string first(length, 'a');
        const Table table = load(first + "\r\nx");
        ASSERT_EQ(table.size(), 3u) << length;
        EXPECT_EQ(table[1][0], first);
        EXPECT_EQ(table[2][0], "x");
    }
}

TEST(TextImport, ReplacesEverythingAnEarlierImportLeft) {
    DataGrid grid;
    std::istringstream wide("1 2 3 4 5 6 7 8 9 10\r\n1\r\n2\r\n");
    loadTextStream(grid, wide, "wide.txt");
    std::istringstream narrow("5 6");
    loadTextStream(grid, narrow, "narrow.txt");
    EXPECT_EQ(contents(grid), (Table{kHeader2, {"5", "6"}}));
}

std::string linesOf(int count) {
    std::string bytes;
    for (int i = 1; i <= count; ++i) {
        bytes.append(std::to_string(i)).append(" ").append(std::to_string(2 * i)).append("\r\n");
    }
    return bytes;
}

TEST(TextImport, KeepsTo16BitRowAndFieldNumbers) {
    const Table table = load(linesOf(32766));  // the largest file that imports completely
    ASSERT_EQ(table.size(), 32767u);
    EXPECT_EQ(table.back(), (std::vector<std::string>{"32766", "65532"}));

    // After line 32,767 the row number overflows; the lines read stay.
    DataGrid grid;
    std::istringstream lines(linesOf(32768));
    EXPECT_FAILURE(loadTextStream(grid, lines, "big.txt"), FailureNumber::Overflow,
                   "Overflow after line 32767 of big.txt");
    EXPECT_EQ(grid.Rows(), 32768);
    EXPECT_EQ(grid.TextMatrix(32767, 0), "32767");

    // The 32,768th field of a line is not placed.
    std::string wide;
    for (int i = 0; i < 32768; ++i) {
        wide += "f" + std::to_string(i) + " ";
    }
    std::istringstream fields("1 2\r\n" + wide + "\r\n3 4\r\n");
    EXPECT_FAILURE(loadTextStream(grid, fields, "wide.txt"), FailureNumber::Overflow, "line 2 ");
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.Cols(), 32767);
    EXPECT_EQ(grid.TextMatrix(0, 32766), "Col. 32766");
    EXPECT_EQ(grid.TextMatrix(2, 32766), "f32766");
}

TEST(TextImport, StopsWithOutOfMemoryAtTheGridsBudgetAndKeepsTheRowsRead) {
    DataGrid grid;
    grid.setMemoryBudget(1000);
    std::istringstream in(linesOf(500));
    EXPECT_FAILURE(loadTextStream(grid, in, "huge.txt"), FailureNumber::OutOfMemory, "huge.txt");
    EXPECT_LE(grid.memoryUsed(), 1000u);
    EXPECT_GT(grid.Rows(), 10);
    EXPECT_EQ(grid.TextMatrix(1, 0), "1");

    std::istringstream endless(std::string(5000, '7'));  // one line longer than the budget
    EXPECT_FAILURE(loadTextStream(grid, endless, "huge.txt"), FailureNumber::OutOfMemory, "");

    grid.setRows(1);  // dropping rows gives their memory back
    EXPECT_LT(grid.memoryUsed(), 40u);
}

TEST(TextImport, ReadsATwentyMegabyteLine) {
    const std::string field(20'000'000, '7');
    const Table table = load("1 " + field + "\n2 3\n");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1][1].size(), field.size());
    EXPECT_EQ(table[2][1], "3");
}

// A stream that delivers some bytes and then fails like a broken disk.
class FailingBuffer : public std::streambuf {
public:
    explicit FailingBuffer(std::string bytes) : m_bytes(std::move(bytes)) {
        setg(m_bytes.data(), m_bytes.data(), m_bytes.data() + m_bytes.size());
    }

protected:
    int_type underflow() override { throw std::runtime_error("read error"); }

private:
    std::string m_bytes;
};

TEST(TextImport, AReadErrorKeepsTheRowsReadSoFar) {
    FailingBuffer buffer("1 2\r\n3 4\r\n5");
    std::istream in(&buffer);
    DataGrid grid;
    EXPECT_FAILURE(loadTextStream(grid, in, "disk.txt"), FailureNumber::DeviceIoError, "disk.txt");
    EXPECT_EQ(contents(grid), (Table{kHeader2, {"1", "2"}, {"3", "4"}}));
}

TEST(LoadTextFile, FailsWithoutTouchingTheGridWhenTheFileCannotBeRead) {
    const testing::TempDir dir;
    const auto folder = dir.path() / "folder";
    std::filesystem::create_directory(folder);
    const auto fifo = dir.path() / "pipe.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto loop = dir.path() / "loop.txt";
    std::filesystem::create_symlink(loop, loop);

    const struct {
        std::filesystem::path path;
        std::int32_t number;
    } cases[] = {
        {dir.path() / "missing.txt", FailureNumber::FileNotFound},
        {folder, FailureNumber::PathFileAccessError},
        {fifo, FailureNumber::PathFileAccessError},
        {loop, FailureNumber::PathFileAccessError},
    };
    for (const auto& c : cases) {
        DataGrid grid;
        grid.setTextMatrix(1, 1, "kept");
        EXPECT_FAILURE(LoadTextFile(grid, c.path), c.number, c.path.string());
        EXPECT_EQ(contents(grid), (Table{{"", ""}, {"", "kept"}})) << c.path;
    }
}

}  // namespace
}  // namespace tesselin
