#include "analysis/results_file.h"

#include "common/numbers.h"

namespace tesselin {

std::string fitResultsField(std::string_view cell) {
    if (cell.size() <= kResultsValueWidth) {
        return std::string(cell);
    }
    const double value = leadingNumberValue(cell);
    for (int digits = 14; digits >= 1; --digits) {
        std::string shorter = numberText(value, digits);
        if (shorter.size() <= kResultsValueWidth) {
            return shorter;
        }
    }
    return std::string(cell.substr(0, kResultsValueWidth));
}

std::string resultsFileText(const ResultsTable& table) {
    std::string text;
    text.reserve(table.size() * (kResultsFieldWidth * 5 + 1));
    for (const ResultsRow& row : table) {
        std::string line;
        for (const std::string& cell : row) {
            const std::string field = fitResultsField(cell);
            line += field;
            line.append(kResultsFieldWidth - field.size(), ' ');
        }
        line.pop_back();
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace tesselin
