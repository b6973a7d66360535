// Runs the real tesselin-cli program and compares what it writes with the
// step-by-step reference computation.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "analysis/results_file.h"
#include "analysis/results_table.h"
#include "common/numbers.h"
#include "support/BiffWriter.h"
#include "support/CliRunner.h"
#include "support/ReferenceBinning.h"
#include "support/TempDir.h"
#include "support/ZipWriter.h"

namespace tesselin {
namespace {

using testing::CliRun;

CliRun runCli(const std::string& arguments, const testing::TempDir& dir,
              const std::filesystem::path& in = {}) {
    return testing::runTesselinCli(arguments, dir, in);
}

TEST(TesselinCli, WritesTheResultsFileOfTheReferenceComputation) {
    const testing::TempDir dir;
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> y(-3, 3);
    std::vector<DataPoint> points;
    std::string data = "time value\r\n";  // a title line reads as the point (0, 0)
    points.push_back({0, 0});
    for (int i = 1; i <= 300; ++i) {
        const double x = i * 0.37 + (i % 5 == 0 ? 0.01 : 0);
        const double value = leadingNumberValue(numberText(std::sin(x) + y(random)));
        points.push_back({x, value});
        data += numberText(x) + "\t" + numberText(value) + "\n";
    }
    const auto file = dir.write("series.txt", data);

    const double length = points.back().x - 0;
    const auto expected = [&](double bins, double min, double max) {
        return resultsFileText(
            buildResultsTable(testing::referenceBins(points, bins, min, max).bins));
    };

    CliRun run = runCli(file.string() + " --x 0 --y 1", dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected(25, 0, length));  // the default maximum is the whole length
    // 0.4 - 0.1 is 0.30000000000000004, whose number text reads back as 0.3:
    // the default must still take in the one pair.
    const CliRun tiny =
        runCli(dir.write("tiny.txt", "0.1 5\n0.4 7\n").string() + " --x 0 --y 1", dir);
    EXPECT_EQ(tiny.out.substr(tiny.out.find("\r\n") + 2, 61),
              "0.288          0.3            0.294          2              1");
    EXPECT_NE(run.err.find("Length of data set is: " + numberText(length)), std::string::npos);

    const auto out = dir.path() / "out.txt";
    run = runCli(
        file.string() + " --x 0 --y 1 --bins ' 7 ' --min 1.5 --max 2E1 --output " + out.string(),
        dir);
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream in(out, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected(7, 1.5, 20));
}

TEST(TesselinCli, ExitsWithTheStatusThatSaysWhatWentWrong) {
    const testing::TempDir dir;
    const auto data = dir.write("d.txt", "1 2\r\n3 4\r\n").string();
    const auto same = dir.write("same.txt", "1 2\r\n1 4\r\n").string();
    const auto words = dir.write("w.txt", "a\r\n").string();
    const auto empty = dir.write("empty.csv", "").string();
    const auto binary = dir.write("program", std::string("\x7F"
                                                         "ELF\x02\x01\x01\0\0\0",
                                                         10))
                            .string();
    const auto unix = dir.write("unix.txt", "1700000000 1\n1700086400 2\n").string();
    const auto huge = dir.write("huge.txt", "-1E308 1\n1E308 2\n").string();
    const auto wide = dir.write("wide.txt", "0 1\n1.7E308 2\n").string();
    const auto us = dir.write("us.csv", "t,mag\n3/1/2024 6:00,1\n4/1/2024,2\n").string();
    const auto damaged = (dir.path() / "damaged.xls").string();  // a sheet cut short
    testing::writeBiffWorkbook(
        damaged, {.biff8 = true, .sheets = {testing::numericSheet(9)}, .cutBytes = 5});
    const struct {
        std::string arguments;
        int status;
        const char* says;
    } cases[] = {
        {data + " --x 0 --y 1 --bins 0", 2, "The number of bins must be greater than 0."},
        {data + " --x 0 --y 1 --min 5", 2, "must be shorter than the length"},
        {data + " --x 0 --y 1 -- " + data, 2, "several data files need --output-dir"},
        {data + " --x 0 --y 0", 2, "Please enter valid column numbers"},
        {data + " --x 0 --y abc", 2, "no column is named 'abc'; the data set has no column names"},
        {data + " --x 0", 2, "both --x and --y"},
        {data + " --x 0 --y 1 --bins", 2, "--bins needs a value"},
        {data + " --x 0 --y 1 --max abc", 2, "--max: 'abc' is not a number"},
        {data + " --x 0 --y 1 --bins 2x", 2, "--bins: '2x' is not a number"},
        {data + " --x 0 --y 1 --min ''", 2, "--min: '' is not a number"},
        {data + " --x 0 --y 0.0", 2, "--x and --y name the same column, 0"},
        {data + " --x 1 --y 01", 2, "--x and --y name the same column, 1"},
        {data + " --x 0 --y 1 --bogus", 2, "unknown option"},
        {data + " --x 0 --y 1 --format xls", 4, "Error 3274"},
        {damaged + " --x 0 --y 1", 4, "Error 3274: External table is not in the expected format"},
        {dir.path().string() + "/missing.txt --x 0 --y 1", 4, "Error 53"},
        {words + " --x 1 --y 0", 3,
         "nothing to analyse: no row has both Col. 1 (--x) and Col. 0 (--y) filled"},
        {empty + " --x JD --y mag", 3, "the data file is empty"},
        {binary + " --x 0 --y 1 --format text", 4, "holds binary data, not text"},
        {unix + " --x 0 --y 1 --max 1E12", 2, "First point is located at: 1700000000\n"},
        {huge + " --x 0 --y 1", 2, "beyond the largest number"},
        {wide + " --x 0 --y 1", 2, "an edge or midpoint of them would lie beyond"},
        {us + " --x t --y mag", 4,
         "the dates of Col. 0 t read both ways: 3/1/2024 6:00 is 3 January 2024 (day first) or 1 "
         "March 2024 (month first)"},
        {us + " --x t --y mag --date-order ymd", 2, "--date-order is dmy (day first) or mdy"},
        {us + " --x t --y mag --date-order mdy --max 1E12", 2,
         "First point is located at: 45352.25"},
        {same + " --x 0 --y 1", 3, "length of 0"},
        {data + " --x 0 --y 1 >/dev/full", 1, "could not be written to standard output"},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli(c.arguments, dir);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_TRUE(run.out.empty()) << c.arguments;
    }
    EXPECT_EQ(runCli("--help", dir).status, 0);
}

// Cells of the X or Y column that are no number: left out and counted in the
// formats that store values (CSV, .xlsx), read as 0 and warned of in
// whitespace text, whose rule reads a cell as the number it starts with.
TEST(TesselinCli, LeavesOutOrWarnsOfCellsThatAreNoNumbers) {
    const testing::TempDir dir;
    const auto book = dir.path() / "sensor.xlsx";
    testing::writeZip(
        book,
        {{"xl/workbook.xml",
          "<workbook xmlns:r=\"r\"><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
          "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
         {"xl/worksheets/sheet1.xml",
          "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>t</t></is></c>"
          "<c r=\"B1\" t=\"inlineStr\"><is><t>mag</t></is></c></row><row r=\"2\"><c r=\"A2\">"
          "<v>1</v></c><c r=\"B2\"><v>2</v></c></row><row r=\"3\"><c r=\"A3\"><v>2</v></c>"
          "<c r=\"B3\" t=\"inlineStr\"><is><t>NaN</t></is></c></row><row r=\"4\"><c r=\"A4\">"
          "<v>4</v></c><c r=\"B4\"><v>3</v></c></row></sheetData></worksheet>"}});
    const struct {
        std::filesystem::path file;
        const char* says;
        const char* points;  // in the JSON results
        const char* counts;
    } cases[] = {
        {dir.write("sensor.csv", "t,mag\n1,2\n2,NA\n3,n/a\n4,5\n5,-\n6,\n"),
         "3 rows left out: 'NA' in row 2 of Col. 1 mag and 2 more", "\"points\": 2",
         "\"rows_left_out_not_numbers\": 3,\n  \"cells_read_as_zero\": 0"},
        {book, "1 row left out: 'NaN' in row 2 of Col. 1 mag is neither a number nor a date",
         "\"points\": 2", "\"rows_left_out_not_numbers\": 1"},
        {dir.write("logger.txt", "# t mag\n1 2\n2 NA\n3 4\n"),
         "3 cells of the X or Y column were read as 0 for want of a number, the first '#' in row "
         "1 of Col. 0",
         "\"points\": 4", "\"cells_read_as_zero\": 3"},
    };
    for (const auto& c : cases) {
        const CliRun run =
            runCli(c.file.string() + " --x 0 --y 1 --bins 1 --output-format json", dir);
        EXPECT_EQ(run.status, 0) << c.file << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.file << run.err;
        EXPECT_NE(run.out.find(c.points), std::string::npos) << c.file << run.out;
        EXPECT_NE(run.out.find(c.counts), std::string::npos) << c.file << run.out;
    }
}

// What a file says reaches the terminal as text: a column name that would
// set the terminal's title, a cell that would return to the start of the
// line, a file name that would forge another line.
TEST(TesselinCli, QuotesTheTextsOfFilesWithTheirControlCharactersEscaped) {
    const testing::TempDir dir;
    const std::string hostile =
        dir.write("titles.csv", "t,\x1b]0;owned\x07mag\n1,2\n2,\"\rOK done\"\n3,4\n").string();
    CliRun run = runCli(hostile + " --x t --y 1 --bins 1", dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find_first_of("\x1b\x07\r"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("'\\rOK done' in row 2 of Col. 1 \\x1b]0;owned\\x07mag"),
              std::string::npos)
        << run.err;
    const std::string named = dir.write("a\nb.csv", "").string();
    run = runCli("'" + named + "' --x 0 --y 1 --output-dir " + dir.path().string(), dir);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("a\\nb.csv: the data file is empty"), std::string::npos) << run.err;
}

// Files it does not read are named for what they are, whatever --format says,
// and so is a workbook opened as text.
TEST(TesselinCli, NamesWhatItCannotReadWhateverFormatIsChosen) {
    const testing::TempDir dir;
    const auto encryptedXlsx = dir.path() / "secret.xlsx";
    testing::writeCompoundFile(encryptedXlsx, {{"EncryptionInfo", std::string(64, '\x04')},
                                               {"EncryptedPackage", std::string(4096, 'x')}});
    const auto xlsb = dir.path() / "binary.xlsb";
    testing::writeZip(xlsb, {{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.bin", "x"}});
    // An Excel 4.0 worksheet: its BOF, one NUMBER record, its EOF.
    const auto excel4 =
        dir.write("old.xls", std::string("\x09\x04\x06\x00\x00\x00\x10\x00\x03\x02\x0E\x00", 12) +
                                 std::string(14, '\0') + std::string("\x0A\x00\x00\x00", 4));
    const std::filesystem::path encryptedXls = TESSELIN_TEST_DATA_DIR "/encrypted.xls";
    const struct {
        std::filesystem::path file;
        const char* says;
    } files[] = {
        {encryptedXlsx, "is password-protected; save it without a password"},
        {encryptedXls, "is password-protected; save it without a password"},
        {xlsb, "is an Excel binary workbook (.xlsb)"},
        {excel4, "is an Excel 4.0 workbook, a format older than this program reads"},
    };
    for (const auto& f : files) {
        for (const char* format : {"", " --format text", " --format csv", " --format xls",
                                   " --format xlsx", " --format ods"}) {
            const CliRun run = runCli(f.file.string() + " --table" + format, dir);
            EXPECT_EQ(run.status, 4) << f.file << format;
            EXPECT_NE(run.err.find(f.says), std::string::npos) << f.file << format << run.err;
        }
    }
    const std::filesystem::path workbook = TESSELIN_TEST_DATA_DIR "/tables/openpyxl.xlsx";
    const CliRun asText = runCli(workbook.string() + " --table --format text", dir);
    EXPECT_EQ(asText.status, 4);
    EXPECT_NE(asText.err.find("is an Excel 2007 or later workbook (.xlsx), not text"),
              std::string::npos)
        << asText.err;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(TesselinCli, AnalysesManyDataSetsIntoOneFolder) {
    const testing::TempDir dir;
    const std::string good = dir.write("star.txt", "1 2\n2 5\n4 4\n").string();
    const std::string named = dir.write("river.csv", "t,level\n1,2\n3,1\n").string();
    const auto out = dir.path() / "results";
    const auto in = [&](const std::string& arguments) {
        return runCli(arguments, dir, dir.path());
    };
    dir.write("words.txt", "a\n");

    // Given from the working folder: results beside their names in DIR;
    // a data set that fails keeps the results an earlier run left.
    std::filesystem::create_directory(out);
    dir.write("results/words.results.txt", "from an earlier run");
    CliRun run = in("star.txt words.txt river.csv gone.txt --x 0 --y 1 --output-dir results");
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(fileText(out / "star.results.txt"), runCli(good + " --x 0 --y 1", dir).out);
    EXPECT_EQ(fileText(out / "river.results.txt"), runCli(named + " --x 0 --y 1", dir).out);
    EXPECT_EQ(fileText(out / "words.results.txt"), "from an earlier run");
    // One line for each data set that failed, naming it.
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    EXPECT_NE(run.err.find("words.txt: nothing to analyse"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("results/words.results.txt of an earlier run is left as it was"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("gone.txt: Error 53"), std::string::npos) << run.err;

    // A survey of one file name in many folders, in two runs (as the chunks
    // of xargs or a job array run): nothing replaces anything.
    for (const char* year : {"2023", "2024"}) {
        std::filesystem::create_directories(dir.path() / "survey" / year);
        dir.write(std::string("survey/") + year + "/star.csv",
                  std::string("JD,mag\n1,") + year + "\n3,2\n");
        run = in((std::string("survey/") + year + "/star.csv --x JD --y mag --output-dir results")
                     .c_str());
        EXPECT_EQ(run.status, 0) << run.err;
    }
    EXPECT_NE(fileText(out / "survey/2023/star.results.txt"),
              fileText(out / "survey/2024/star.results.txt"));
    EXPECT_FALSE(fileText(out / "survey/2023/star.results.txt").empty());
    // Paths that leave the working folder stay inside DIR, apart.
    run = in("../" + std::filesystem::path(dir.path()).filename().string() +
             "/star.txt --x 0 --y 1 --output-dir results");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(
        std::filesystem::exists(out / "%2E%2E" / dir.path().filename() / "star.results.txt"));

    // Parameters and columns that no data set can take touch nothing.
    const auto before = std::distance(std::filesystem::recursive_directory_iterator(out),
                                      std::filesystem::recursive_directory_iterator());
    for (const char* wrong : {"--x 0 --y 1 --bins 0", "--x 0 --y 1 --min -1", "--x JDD --y mag"}) {
        run = in((std::string("survey/2023/star.csv words.txt ") + wrong + " --output-dir results")
                     .c_str());
        EXPECT_EQ(run.status, 2) << wrong << run.err;
        EXPECT_EQ(fileText(out / "words.results.txt"), "from an earlier run");
    }
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(out),
                            std::filesystem::recursive_directory_iterator()),
              before);

    run = runCli(
        good + " " + named + " --x 0 --y 1 --output-format json --output-dir " + out.string(), dir);
    EXPECT_EQ(run.status, 0) << run.err;

    // Refused before anything runs.
    const auto unmade = dir.path() / "unmade";
    const struct {
        std::string arguments;
        const char* says;
    } refused[] = {
        {good + " " + dir.write("star.csv", "1,2\n2,3\n").string() + " --output-dir " +
             unmade.string(),
         "would both write"},
        {good + " " + named, "several data files need --output-dir"},
        {good + " --output x --output-dir " + unmade.string(), "cannot be given together"},
        {good + " --threads 0", "--threads is a whole number"},
        {"star.txt " + dir.write("star.results.txt", "1 2\n").string() + " --output-dir .",
         "would replace the data file"},
        {good + " --output " + good, "would replace the data file"},
        {good + " --x 1", "--x is given more than once"},
    };
    for (const auto& r : refused) {
        run = in(r.arguments + " --x 0 --y 1");
        EXPECT_EQ(run.status, 2) << r.arguments;
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(unmade));
}

TEST(TesselinCli, GivesTheSameResultsWithAnyNumberOfThreads) {
    const testing::TempDir dir;
    std::mt19937_64 random(9);
    std::uniform_real_distribution<double> value(-5, 5);
    std::string lines;
    for (int i = 0; i < 40000; ++i) {
        lines += std::to_string(i % 7000) + " " + numberText(value(random)) + "\n";
    }
    const std::string file = dir.write("long.txt", lines).string();
    for (const char* bins : {"1", "25"}) {  // by ranks, and pair by pair
        const std::string arguments = file + " --x 0 --y 1 --bins " + bins + " --threads ";
        const CliRun one = runCli(arguments + "1", dir);
        EXPECT_EQ(one.status, 0) << one.err;
        EXPECT_EQ(runCli(arguments + "3", dir).out, one.out) << bins;
    }
}

// The number in the CSV field `column` of each data row.
std::vector<double> csvColumn(const std::string& csv, std::size_t column) {
    std::vector<double> values;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        for (std::size_t c = 0; c <= column; ++c) {
            std::getline(fields, field, ',');
        }
        values.push_back(field.empty() ? std::nan("") : std::stod(field));
    }
    return values;
}

TEST(TesselinCli, ComputesOtherStatisticsBootstrapsAndEnsembles) {
    const testing::TempDir dir;
    std::string first;
    std::string second;
    for (int i = 0; i < 120; ++i) {
        first += numberText(i * 0.5) + " " + numberText(std::sin(i * 0.3)) + "\n";
        second += numberText(i * 0.7 + 0.1) + " " + numberText(2 * std::cos(i * 0.2)) + "\n";
    }
    const std::string a = dir.write("a.txt", first).string();
    const std::string b = dir.write("b.txt", second).string();
    const std::string columns = " --x 0 --y 1 --bins 6 --output-format csv";

    // The value column is named after the statistic; the default is as before.
    CliRun run = runCli(a + columns, dir);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "bin_start,bin_end,midpoint,mean_abs_dy,pairs");
    const std::vector<double> squares =
        csvColumn(runCli(a + columns + " --statistic mean-square", dir).out, 3);
    run = runCli(a + columns + " --statistic rms", dir);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "bin_start,bin_end,midpoint,rms_dy,pairs");
    const std::vector<double> rms = csvColumn(run.out, 3);
    const std::vector<double> half =
        csvColumn(runCli(a + columns + " --statistic semivariance", dir).out, 3);
    ASSERT_EQ(rms.size(), squares.size());
    for (std::size_t k = 0; k < rms.size(); ++k) {
        EXPECT_DOUBLE_EQ(rms[k] * rms[k], squares[k]);
        EXPECT_DOUBLE_EQ(2 * half[k], squares[k]);
    }

    // Log bins: geometric midpoints.
    run = runCli(a + columns + " --bin-scale log --min 0.5", dir);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<double> start = csvColumn(run.out, 0);
    const std::vector<double> end = csvColumn(run.out, 1);
    const std::vector<double> middle = csvColumn(run.out, 2);
    EXPECT_EQ(start.front(), 0.5);
    EXPECT_EQ(end.back(), 59.5);
    EXPECT_NEAR(middle.front(), std::sqrt(start.front() * end.front()), 1e-12);

    // The bootstrap: three more columns, the same at any number of threads.
    const std::string bootstrap = a + columns + " --bootstrap 40 --seed 9 --threads ";
    run = runCli(bootstrap + "1", dir);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "bin_start,bin_end,midpoint,mean_abs_dy,pairs,std,p16,p84");
    EXPECT_EQ(runCli(bootstrap + "2", dir).out, run.out);
    EXPECT_GT(csvColumn(run.out, 5).front(), 0);

    // An ensemble: its bins hold the pairs of both series, and no others.
    const auto out = dir.path() / "ensemble.json";
    run = runCli(a + " " + b + columns + " --combine --output " + out.string(), dir);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string ensemble = fileText(out);
    const std::vector<double> starts = csvColumn(ensemble, 0);
    const std::vector<double> ends = csvColumn(ensemble, 1);
    const std::vector<double> pairs = csvColumn(ensemble, 4);
    ASSERT_EQ(pairs.size(), 6u);
    EXPECT_EQ(ends.back(), 83.4 - 0.1);  // the longer series' length
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        double expected = 0;
        for (const std::string* text : {&first, &second}) {
            std::istringstream lines(*text);
            std::vector<double> x;
            for (double xi = 0, yi = 0; lines >> xi >> yi;) {
                x.push_back(xi);
            }
            for (std::size_t i = 0; i < x.size(); ++i) {
                for (std::size_t j = i + 1; j < x.size(); ++j) {
                    const double period = std::fabs(x[j] - x[i]);
                    expected += period >= starts[k] && period <= ends[k] ? 1 : 0;
                }
            }
        }
        EXPECT_EQ(pairs[k], expected) << "bin " << k;
    }
    // A series that fails ends the run without results, unless it is left out.
    const std::string missing = (dir.path() / "missing.txt").string();
    std::filesystem::remove(out);
    run = runCli(a + " " + missing + " --x 0 --y 1 --combine --output " + out.string(), dir);
    EXPECT_EQ(run.status, 5);
    EXPECT_FALSE(std::filesystem::exists(out));
    // The messages of a series name it.
    const std::string repeated = dir.write("repeated.txt", "1 2\n1 3\n5 4\n").string();
    run = runCli(a + " " + repeated + " --x 0 --y 1 --combine", dir);
    EXPECT_NE(run.err.find(repeated + ": Error. The data set contains a repeated value - 1."),
              std::string::npos)
        << run.err;
    // A series whose X values span more than the largest double fails.
    const std::string wide = dir.write("wide.txt", "-1e308 1\n1e308 2\n").string();
    EXPECT_EQ(runCli(a + " " + wide + " --x 0 --y 1 --combine", dir).status, 5);
    run = runCli(a + " " + missing + " --x 0 --y 1 --combine --skip-failed --output-format json",
                 dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("left out of the ensemble"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("\"skipped\": [\"" + missing + "\"]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"points\": 120"), std::string::npos);

    const struct {
        const char* arguments;
        const char* says;
    } refused[] = {
        {" --statistic mean", "--statistic is mean-abs, mean-square, rms or semivariance"},
        {" --bin-scale ln", "--bin-scale is linear or log"},
        {" --bin-scale log", "--bin-scale log needs --min"},
        {" --bin-scale log --min 0", "logarithmic bins need a minimum period above 0"},
        {" --bootstrap 0", "--bootstrap is a whole number"},
        {" --seed 4", "--seed goes with --bootstrap"},
        {" --weight series", "--weight and --skip-failed go with --combine"},
        {" --combine --weight all", "--weight is pairs or series"},
        {" --combine --output-dir x", "--combine writes one results set"},
    };
    for (const auto& r : refused) {
        run = runCli(a + " --x 0 --y 1" + r.arguments, dir);
        EXPECT_EQ(run.status, 2) << r.arguments;
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    }
}

TEST(TesselinCli, StopsAtOnceWhenInterruptedLeavingNoFile) {
    const testing::TempDir dir;
    std::string lines;
    for (int i = 0; i < 600000; ++i) {
        lines += std::to_string(i) + " " + std::to_string(i % 13) + "\n";
    }
    const std::string file = dir.write("long.txt", lines).string();
    const auto out = dir.path() / "out" / "long.results.txt";
    setenv("TESSELIN_BINNING", "pairs", 1);  // many seconds of work
    const auto said = dir.path() / "said.txt";
    const CliRun run = runCli(file + " --x 0 --y 1 --output-dir " + out.parent_path().string() +
                                  " 2>" + said.string() + " & sleep 0.5; kill -TERM $!; wait $!",
                              dir);
    unsetenv("TESSELIN_BINNING");
    EXPECT_EQ(run.status, 128 + SIGTERM);
    EXPECT_EQ(fileText(said), "\ntesselin-cli: interrupted\n");
    EXPECT_TRUE(std::filesystem::is_empty(out.parent_path()));
}

}  // namespace
}  // namespace tesselin
