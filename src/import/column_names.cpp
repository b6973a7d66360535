#include "import/column_names.h"

#include "common/DataGrid.h"
#include "common/dates.h"
#include "common/numbers.h"

namespace tesselin {

bool isNumberOrDate(std::string_view text) {
    return strictNumber(text).has_value() || isoDateSerial(text).has_value();
}

std::vector<std::string> takeHeader(DataGrid& table) {
    if (table.Rows() < 2) {
        return {};
    }
    bool header = false;
    for (int c = 0; c < table.Cols() && !header; ++c) {
        const std::string_view first = table.TextMatrix(0, c);
        const bool text =
            first.find_first_not_of(" \t") != std::string_view::npos && !isNumberOrDate(first);
        header = text && isNumberOrDate(table.TextMatrix(1, c));
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
