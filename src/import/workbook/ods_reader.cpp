#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "common/Failure.h"
#include "common/dates.h"
#include "common/numbers.h"
#include "import/workbook/zip_archive.h"
#include "import/workbook/zip_workbooks.h"

namespace tesselin {
namespace {

// "PT06H30M15.5S": an ISO 8601 duration of a day's time, as a fraction of a
// day.
std::optional<double> timeValue(std::string_view text) {
    if (!text.starts_with("PT")) {
        return std::nullopt;
    }
    double seconds = 0;
    std::size_t at = 2;
    while (at < text.size()) {
        std::size_t end = at;
        while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) {
            ++end;
        }
        if (end == at || end == text.size()) {
            return std::nullopt;
        }
        const auto amount = strictNumber(text.substr(at, end - at));
        if (!amount) {
            return std::nullopt;
        }
        switch (text[end]) {
            case 'H':
                seconds += *amount * 3600;
                break;
            case 'M':
                seconds += *amount * 60;
                break;
            case 'S':
                seconds += *amount;
                break;
            default:
                return std::nullopt;
        }
        at = end + 1;
    }
    return seconds / 86400.0;
}

std::uint64_t repeats(const char** attributes, const char* name) {
    const char* text = attribute(attributes, name);
    const auto value = text != nullptr ? strictNumber(text) : std::nullopt;
    return value && *value >= 1 ? static_cast<std::uint64_t>(std::min(*value, 1e12)) : 1;
}

class TableCells : public XmlParser::Handler {
public:
    TableCells(std::uint32_t mostRows, const CellSink& onCell, std::size_t budget,
               const std::string& name)
        : m_mostRows(mostRows), m_onCell(onCell), m_budget(budget), m_name(name) {}

    void start(std::string_view element, const char** attributes) override {
        const std::string_view local = localName(element);
        if (m_done) {
            return;
        }
        if (local == "table") {
            m_tableDepth += 1;
            return;
        }
        if (m_tableDepth != 1) {
            return;  // before the first table, or a table inside a cell
        }
        if (local == "table-row") {
            m_rowRepeats = repeats(attributes, "number-rows-repeated");
            m_cells.clear();
            m_column = 0;
        } else if (local == "table-cell" || local == "covered-table-cell") {
            startCell(local == "covered-table-cell", attributes);
        } else if (m_inNote) {
            return;  // the paragraphs of a comment are not the cell's
        } else if (m_inCell && local == "p") {
            if (m_paragraphs++ > 0) {
                m_text.push_back('\n');
            }
        } else if (m_inCell && local == "s") {
            m_text.append(
                static_cast<std::size_t>(std::min<std::uint64_t>(repeats(attributes, "c"), 1024)),
                ' ');
        } else if (m_inCell && local == "tab") {
            m_text.push_back('\t');
        } else if (m_inCell && local == "line-break") {
            m_text.push_back('\n');
        } else if (m_inCell && local == "annotation") {
            m_inNote = true;  // a comment on the cell: not its value
        }
    }

    void end(std::string_view element) override {
        const std::string_view local = localName(element);
        if (m_done) {
            return;
        }
        if (local == "table") {
            if (--m_tableDepth == 0) {
                m_done = true;  // only the first table is read
            }
        } else if (m_tableDepth != 1) {
            return;
        } else if (local == "table-cell" || local == "covered-table-cell") {
            endCell();
        } else if (local == "annotation") {
            m_inNote = false;
        } else if (local == "table-row") {
            endRow();
        }
    }

    void text(std::string_view characters) override {
        if (m_inCell && !m_inNote && m_paragraphs > 0) {
            append(characters);
        }
    }

    SheetExtent extent;
    bool sawTable() const { return m_done || m_tableDepth > 0; }

private:
    void append(std::string_view characters) {
        if (m_text.size() + characters.size() > m_budget) {
            throw outOfMemory();
        }
        m_text.append(characters);
    }

    Failure outOfMemory() const {
        return Failure::outOfMemory("Out of memory: " + m_name +
                                    " holds more text than the data grid may take");
    }

    void startCell(bool covered, const char** attributes) {
        m_inCell = true;
        m_inNote = false;
        m_paragraphs = 0;
        m_text.clear();
        m_cellRepeats = repeats(attributes, "number-columns-repeated");
        m_value.reset();
        if (covered) {
            return;  // hidden under a merged cell
        }
        // office:value-type says what the cell holds; LibreOffice marks an
        // error result with a value-type of its own namespace.
        std::string_view kind;
        bool error = false;
        for (const char** at = attributes; at != nullptr && *at != nullptr; at += 2) {
            if (localName(at[0]) == "value-type") {
                error = error || std::string_view(at[1]) == "error";
                kind = kind.empty() ? std::string_view(at[1]) : kind;
            }
        }
        if (error) {
            m_value = std::string();
        } else if (kind == "float" || kind == "percentage" || kind == "currency") {
            const char* value = attribute(attributes, "value");
            const auto number = value != nullptr ? strictNumber(value) : std::nullopt;
            m_value = number && !std::isnan(*number) ? numberText(*number) : std::string();
        } else if (kind == "date") {
            const char* value = attribute(attributes, "date-value");
            const auto serial = value != nullptr ? isoDateSerial(value) : std::nullopt;
            m_value = serial ? numberText(*serial) : std::string();
        } else if (kind == "time") {
            const char* value = attribute(attributes, "time-value");
            const auto fraction = value != nullptr ? timeValue(value) : std::nullopt;
            m_value = fraction ? numberText(*fraction) : std::string();
        } else if (kind == "boolean") {
            const char* value = attribute(attributes, "boolean-value");
            m_value = value != nullptr && std::string_view(value) == "true" ? "TRUE" : "FALSE";
        } else if (kind == "string") {
            if (const char* value = attribute(attributes, "string-value")) {
                m_value = std::string(value);
            }
            m_textValue = true;
            return;
        }
        m_textValue = false;
    }

    void endCell() {
        m_inCell = false;
        std::string shown;
        if (m_value) {
            shown = std::move(*m_value);
        } else if (m_textValue) {
            shown = std::move(m_text);
        }
        if (m_textValue) {
            if (const auto serial = isoDateSerial(shown)) {
                shown = numberText(*serial);
            }
        }
        m_textValue = false;
        if (!shown.empty()) {
            if (m_column + m_cellRepeats > kSheetColumns) {
                throw Failure::damagedWorkbook(m_name, "a cell is repeated beyond the sheet's " +
                                                           std::to_string(kSheetColumns) +
                                                           " columns");
            }
            if ((shown.size() + sizeof(std::uint32_t)) * m_cellRepeats > m_budget) {
                throw outOfMemory();
            }
            for (std::uint64_t k = 0; k < m_cellRepeats; ++k) {
                m_cells.emplace_back(static_cast<std::uint32_t>(m_column + k), shown);
            }
        }
        m_column += m_cellRepeats;  // repeated empty cells cost nothing
    }

    void endRow() {
        if (!m_cells.empty()) {
            if (m_row + m_rowRepeats > kSheetRows) {
                throw Failure::damagedWorkbook(m_name, "a row is repeated beyond the sheet's " +
                                                           std::to_string(kSheetRows) + " rows");
            }
            const std::uint64_t last = m_row + m_rowRepeats;
            // Repeated rows of text beyond the budget are known before they are made.
            std::uint64_t rowBytes = 0;
            for (const auto& cell : m_cells) {
                rowBytes += cell.second.size() + sizeof(std::uint32_t);
            }
            const std::uint64_t kept =
                m_row < m_mostRows ? std::min<std::uint64_t>(last, m_mostRows) - m_row : 0;
            if (rowBytes * kept > m_budget) {
                throw outOfMemory();
            }
            for (std::uint64_t row = m_row; row < std::min<std::uint64_t>(last, m_mostRows);
                 ++row) {
                for (const auto& [column, text] : m_cells) {
                    m_onCell(static_cast<std::uint32_t>(row), column, text);
                }
            }
            extent.rows = static_cast<std::uint32_t>(last);
            for (const auto& cell : m_cells) {
                extent.columns = std::max(extent.columns, cell.first + 1);
            }
        }
        m_row += m_rowRepeats;  // repeated empty rows cost nothing
    }

    std::uint32_t m_mostRows;
    const CellSink& m_onCell;
    std::size_t m_budget;
    const std::string& m_name;
    int m_tableDepth = 0;
    bool m_done = false;
    std::uint64_t m_row = 0;
    std::uint64_t m_rowRepeats = 1;
    std::uint64_t m_column = 0;
    std::uint64_t m_cellRepeats = 1;
    std::vector<std::pair<std::uint32_t, std::string>> m_cells;  // of the current row
    bool m_inCell = false;
    bool m_inNote = false;
    bool m_textValue = false;
    int m_paragraphs = 0;
    std::string m_text;
    std::optional<std::string> m_value;
};

}  // namespace

SheetExtent readFirstOdsTable(const ZipArchive& archive, std::uint32_t mostRows,
                              const CellSink& onCell) {
    TableCells cells(mostRows, onCell, archive.memoryBudget(), archive.name());
    XmlParser::parse(archive, "content.xml", cells);
    if (!cells.sawTable()) {
        throw Failure::notAWorkbook(archive.name(), "has no table that can be read.");
    }
    return cells.extent;
}

}  // namespace tesselin
