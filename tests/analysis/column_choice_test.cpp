#include "analysis/column_choice.h"

#include <gtest/gtest.h>

namespace tesselin {
namespace {

TEST(ColumnChoice, AcceptsTwoDifferentTextsNamingColumnsInRange) {
    const struct {
        const char* x;
        const char* y;
        int columns;
        bool graph;                    // the leading-number check
        std::optional<int> analysisX;  // the strict check, when it accepts
    } cases[] = {
        {"0", "4", 5, true, 0},      {"4", "5", 5, false, {}}, {"-1", "2", 5, false, {}},
        {"-0.5", "2", 5, false, {}}, {"0.5", "2", 5, true, 0}, {"3", "3", 5, false, {}},
        {"3", "03", 5, true, 3},     {"", "", 5, false, {}},   {"0", "1", 0, false, {}},
        {"abc", "1", 5, true, {}},   {"2a", "1", 5, true, {}}, {"", "1", 5, true, {}},
        {" 2 ", "1", 5, true, 2},    {"2.5", "1", 5, true, 2}, {"3.5", "1", 5, true, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(columnChoiceAccepted(c.x, c.y, c.columns), c.graph) << c.x << "/" << c.y;
        const auto strict = analysisColumns(c.x, c.y, c.columns);
        EXPECT_EQ(strict.has_value(), c.analysisX.has_value()) << c.x << "/" << c.y;
        if (strict && c.analysisX) {
            EXPECT_EQ(strict->x, *c.analysisX) << c.x << "/" << c.y;
        }
    }
}

}  // namespace
}  // namespace tesselin
