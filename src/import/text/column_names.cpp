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
