#include <gtest/gtest.h>

#include "analysis/lag_binning.h"
#include "analysis/results_file.h"
#include "analysis/results_table.h"

namespace tesselin {
namespace {

TEST(ResultsTable, ListsTheNonEmptyBinsRoundedToSevenPlaces) {
    const std::vector<BinRow> bins = {
        {0, 1.0 / 3, 2.5, 1}, {1.0 / 3, 2.0 / 3, 0, 0}, {2.0 / 3, 1, 10, 3}};
    const ResultsTable table = buildResultsTable(bins);
    EXPECT_EQ(table, (ResultsTable{kResultsCaptions,
                                   {"0", "0.3333333", "0.1666667", "2.5", "1"},
                                   {"0.6666667", "1", "0.8333333", "3.3333333", "3"}}));
    EXPECT_EQ(buildResultsTable(std::vector<BinRow>{{0, 1, 0, 0}}), ResultsTable{kResultsCaptions});
}

TEST(ResultsFile, WritesFixedFieldsOf15CharactersAndCrLf) {
    const ResultsTable table = {kResultsCaptions, {"0", "1.5", "0.75", "2", "1"}};
    EXPECT_EQ(resultsFileText(table),
              "Bin Start      Bin End        Midpoint       Avg. Value     Points        \r\n"
              "0              1.5            0.75           2              1             \r\n");
    EXPECT_EQ(resultsFileText({kResultsCaptions}).size(), 76u);
    // A value never runs into the next: the one of 15 characters that ran
    // into its neighbour ("1640240.76006672460361.1401") takes 14.
    EXPECT_EQ(resultsFileText({{"1640240.7600667", "2460361.1401", "2", "3", "749999750000000"}}),
              "1640240.760067 2460361.1401   2              3              7.4999975E+14 \r\n");
}

TEST(ResultsFile, ShortensLongNumbersToFitTheirField) {
    const struct {
        const char* cell;
        const char* field;
    } cases[] = {
        {"12345678.1234567", "12345678.12346"},     {"-12345678.123456", "-12345678.1235"},
        {"1640240.7600667", "1640240.760067"},      {"749999750000000", "7.4999975E+14"},
        {"1.23456789012346E+20", "1.23456789E+20"}, {"-1.23456789012346E-100", "-1.234568E-100"},
        {"12345678901234", "12345678901234"},       {"0.1234567", "0.1234567"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fitResultsField(c.cell), c.field) << c.cell;
        EXPECT_LE(fitResultsField(c.cell).size(), kResultsValueWidth);
    }
}

}  // namespace
}  // namespace tesselin
