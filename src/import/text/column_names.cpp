#include "import/text/column_names.h"

#include "common/DataGrid.h"
#include "common/dates.h"
#include "common/numbers.h"

namespace tesselin {

bool isNumberOrDate(std::string_view text) {
    return strictNumber(text).has_value() || isoDateSerial(text).has_value();
}

namespace {

// A column whose first cell names the values below it.
bool namesItsValues(std::string_view first, std::string_view second) {
    return first.find_first_not_of(" \t") != std::string_view::npos && !isNumberOrDate(first) &&
           isNumberOrDate(second);
}

}  // namespace

std::vector<std::string> takeHeader(DataGrid& table) {
    if (table.Rows() < 2) {
        return {};
    }
    bool header = false;
    for (int c = 0; c < table.Cols() && !header; ++c) {
        header = namesItsValues(table.TextMatrix(0, c), table.TextMatrix(1, c));
    }
    if (!header) {
        return {};
    }
    std::vector<std::string> names;
    for (int c = 0; c < table.Cols(); ++c) {
        names.emplace_back(table.TextMatrix(0, c));
    }
    table.RemoveItem(0);
    return names;
}

bool isHeader(const std::vector<std::string>& first, const std::vector<std::string>& second) {
    for (std::size_t c = 0; c < first.size() && c < second.size(); ++c) {
        if (namesItsValues(first[c], second[c])) {
            return true;
        }
    }
    return false;
}

namespace {

// A row of units: texts, and no number or date.
bool isUnitsRow(const std::vector<std::string>& row) {
    bool text = false;
    for (const std::string& cell : row) {
        if (isNumberOrDate(cell)) {
            return false;
        }
        text = text || cell.find_first_not_of(" \t") != std::string::npos;
    }
    return text;
}

std::string withUnit(const std::string& name, const std::string& unit) {
    if (unit.find_first_not_of(" \t") == std::string::npos || name.empty()) {
        return name;
    }
    const bool bracketed = unit.starts_with('[') || unit.starts_with('(');
    return name + (bracketed ? " " + unit : " [" + unit + "]");
}

// The name without its unit: "mag" of "mag [V]".
std::string_view withoutUnit(std::string_view name) {
    const std::size_t bracket = name.rfind(" [");
    return bracket != std::string_view::npos && name.ends_with(']') ? name.substr(0, bracket)
                                                                    : std::string_view();
}

}  // namespace

SeparatedHeader separatedHeader(const std::vector<std::vector<std::string>>& first) {
    if (first.size() < 2) {
        return {};
    }
    std::vector<std::string> names = first[0];
    const std::string label = first[1].empty() ? std::string() : first[1].front();
    if (first[1].size() == names.size() + 1 &&
        (label == "1" || (!label.empty() && !isNumberOrDate(label)))) {
        names.insert(names.begin(), std::string());  // a column of row labels
    }
    if (isHeader(names, first[1])) {
        return {names, 1};
    }
    if (first.size() >= 3 && isUnitsRow(first[1]) && isHeader(names, first[2])) {
        for (std::size_t k = 0; k < names.size() && k < first[1].size(); ++k) {
            names[k] = withUnit(names[k], first[1][k]);
        }
        return {names, 2};
    }
    return {};
}

std::vector<std::string> takeSeparatedHeader(DataGrid& table) {
    std::vector<std::vector<std::string>> first;
    for (int r = 0; r < std::min(table.Rows(), 3); ++r) {
        std::vector<std::string>& row = first.emplace_back();
        for (int c = 0; c < table.storedCells(r); ++c) {
            row.emplace_back(table.TextMatrix(r, c));
        }
        if (row.empty()) {
            row.emplace_back();
        }
    }
    const SeparatedHeader header = separatedHeader(first);
    for (std::size_t r = 0; r < header.rows; ++r) {
        table.RemoveItem(0);
    }
    return header.names;
}

std::optional<std::uint32_t> columnNamed(std::string_view text,
                                         const std::vector<std::string>& names) {
    if (const auto number = strictWholeNumber(text)) {
        return *number >= 0 && *number <= 0xFFFF'FFFE
                   ? std::optional(static_cast<std::uint32_t>(*number))
                   : std::nullopt;
    }
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (!text.empty() && names[c] == text) {
            return static_cast<std::uint32_t>(c);
        }
    }
    for (std::size_t c = 0; c < names.size(); ++c) {
        if (!text.empty() && withoutUnit(names[c]) == text) {
            return static_cast<std::uint32_t>(c);
        }
    }
    return std::nullopt;
}

std::string namedCaption(int col, const std::vector<std::string>& names) {
    const auto k = static_cast<std::size_t>(col);
    return k < names.size() && !names[k].empty() ? columnCaption(col) + " " + names[k]
                                                 : columnCaption(col);
}

std::string_view nameInCaption(int col, std::string_view caption) {
    const std::string plain = columnCaption(col);
    return caption.size() > plain.size() + 1 && caption.starts_with(plain)
               ? caption.substr(plain.size() + 1)
               : std::string_view();
}

}  // namespace tesselin
