#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/Failure.h"
#include "common/dates.h"
#include "common/numbers.h"
#include "common/text_encoding.h"
#include "import/workbook/xls_reader.h"
#include "import/workbook/zip_archive.h"
#include "import/workbook/zip_workbooks.h"

namespace tesselin {
namespace {

constexpr double k1904Offset = 1462.0;

bool isTrue(const char* value) {
    return value != nullptr &&
           (std::string_view(value) == "1" || std::string_view(value) == "true");
}

// A path inside the archive that a relationship target names, relative to
// the part's folder ("worksheets/sheet1.xml" from "xl/") or absolute.
std::string partPath(std::string_view folder, std::string_view target) {
    if (target.starts_with('/')) {
        return std::string(target.substr(1));
    }
    std::string path(folder);
    while (target.starts_with("../")) {
        target.remove_prefix(3);
        const std::size_t slash = path.find_last_of('/', path.size() >= 2 ? path.size() - 2 : 0);
        path.erase(slash == std::string::npos ? 0 : slash + 1);
    }
    return path + std::string(target);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The UTF-16 unit that an escape "_xHHHH_" at `at` stands for, if one does.
std::optional<char32_t> escapeAt(std::string_view text, std::size_t at) {
    if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') {
        return std::nullopt;
    }
    char32_t unit = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        unit = unit * 16 + static_cast<char32_t>(digit);
    }
    return unit;
}

// A string's text with the escapes of characters that XML cannot hold
// decoded: "_x000D_" is a carriage return, "_x005F_" the underscore that
// keeps a literal "_x0000_" from being read as one ("_x005F_x0000_").
std::string decodeEscapes(std::string_view text) {
    if (text.find("_x") == std::string_view::npos) {
        return std::string(text);
    }
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto unit = escapeAt(text, at);
        if (!unit) {
            decoded += text[at++];
            continue;
        }
        at += 7;
        char32_t code = *unit;
        if (code >= 0xD800 && code <= 0xDBFF) {
            const auto low = escapeAt(text, at);
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
                at += 7;
            } else {
                code = 0xFFFD;
            }
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            code = 0xFFFD;  // half of a pair: keep a visible mark
        }
        appendUtf8(decoded, code);
    }
    return decoded;
}

// Collects what a handful of elements say; for the small parts.
class Collector : public XmlParser::Handler {
public:
    using OnStart = std::function<void(std::string_view, const char**)>;
    explicit Collector(OnStart onStart) : m_onStart(std::move(onStart)) {}
    void start(std::string_view element, const char** attributes) override {
        m_onStart(localName(element), attributes);
    }
    void end(std::string_view) override {}
    void text(std::string_view) override {}

private:
    OnStart m_onStart;
};

// The text of <t> elements (not those of phonetic runs), for shared and
// inline strings.
class StringText {
public:
    void start(std::string_view element) {
        if (element == "rPh") {
            m_phonetic = true;
        } else if (element == "t") {
            m_inText = true;
        }
    }
    void end(std::string_view element) {
        if (element == "rPh") {
            m_phonetic = false;
        } else if (element == "t") {
            m_inText = false;
        }
    }
    void text(std::string_view characters, std::size_t budget, const std::string& name) {
        if (m_inText && !m_phonetic) {
            if (m_text.size() + characters.size() > budget) {
                throw Failure::outOfMemory("Out of memory: " + name +
                                           " holds more text than the data grid may take");
            }
            m_text.append(characters);
        }
    }
    std::string take() { return std::exchange(m_text, {}); }

private:
    std::string m_text;
    bool m_inText = false;
    bool m_phonetic = false;
};

class SharedStrings : public XmlParser::Handler {
public:
    SharedStrings(std::size_t budget, const std::string& name) : m_budget(budget), m_name(name) {}
    void start(std::string_view element, const char**) override {
        const std::string_view local = localName(element);
        if (local == "si") {
            m_inItem = true;
        }
        m_text.start(local);
    }
    void end(std::string_view element) override {
        const std::string_view local = localName(element);
        m_text.end(local);
        if (local == "si") {
            m_inItem = false;
            m_used +=
                m_strings.emplace_back(decodeEscapes(m_text.take())).size() + sizeof(std::string);
        }
    }
    void text(std::string_view characters) override {
        if (m_inItem) {
            m_text.text(characters, m_budget - std::min(m_budget, m_used), m_name);
        }
    }
    std::vector<std::string> m_strings;

private:
    StringText m_text;
    std::size_t m_budget;
    std::size_t m_used = 0;
    const std::string& m_name;
    bool m_inItem = false;
};

// Which cell formats show dates: cellXfs by index, and their number formats.
struct Styles {
    std::vector<std::uint32_t> cellFormats;                // numFmtId of each xf
    std::unordered_map<std::uint32_t, bool> formatIsDate;  // numFmt elements

    bool isDate(std::uint32_t style) const {
        if (style >= cellFormats.size()) {
            return false;
        }
        const std::uint32_t format = cellFormats[style];
        const auto found = formatIsDate.find(format);
        if (found != formatIsDate.end()) {
            return found->second;
        }
        return (format >= 14 && format <= 22) || (format >= 45 && format <= 47) ||
               (format >= 27 && format <= 36) || (format >= 50 && format <= 58);
    }
};

std::uint32_t number(const char* text) {
    const auto value = text == nullptr ? std::nullopt : strictNumber(text);
    return value && *value >= 0 && *value < 4e9 ? static_cast<std::uint32_t>(*value) : 0;
}

// "B3" as column 1, row 2; nothing for a text that is no cell reference.
std::optional<std::pair<std::uint32_t, std::uint32_t>> cellReference(std::string_view text) {
    std::uint64_t column = 0;
    std::size_t i = 0;
    while (i < text.size() && text[i] >= 'A' && text[i] <= 'Z' && i < 4) {
        column = column * 26 + static_cast<std::uint64_t>(text[i] - 'A' + 1);
        ++i;
    }
    std::uint64_t row = 0;
    const std::size_t digitsAt = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digitsAt < 8) {
        row = row * 10 + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
    }
    if (column == 0 || row == 0 || i != text.size() || i == digitsAt) {
        return std::nullopt;
    }
    return std::pair{static_cast<std::uint32_t>(row - 1), static_cast<std::uint32_t>(column - 1)};
}

class WorksheetCells : public XmlParser::Handler {
public:
    WorksheetCells(const std::vector<std::string>& shared, const Styles& styles, bool dates1904,
                   std::uint32_t mostRows, const CellSink& onCell, std::size_t budget,
                   const std::string& name)
        : m_shared(shared),
          m_styles(styles),
          m_dates1904(dates1904),
          m_mostRows(mostRows),
          m_onCell(onCell),
          m_budget(budget),
          m_name(name) {}

    void start(std::string_view element, const char** attributes) override {
        const std::string_view local = localName(element);
        if (local == "row") {
            const char* r = attribute(attributes, "r");
            m_row = r != nullptr ? number(r) - 1 : m_row + 1;
            m_column = -1;
        } else if (local == "c") {
            startCell(attributes);
        } else if (m_inCell && local == "v") {
            m_inValue = true;
        } else if (m_inCell) {
            m_inline.start(local);
        }
    }

    void end(std::string_view element) override {
        const std::string_view local = localName(element);
        if (local == "c") {
            endCell();
        } else if (local == "v") {
            m_inValue = false;
        } else if (m_inCell) {
            m_inline.end(local);
        }
    }

    void text(std::string_view characters) override {
        if (m_inValue) {
            if (m_value.size() + characters.size() > m_budget) {
                throw Failure::outOfMemory("Out of memory: " + m_name +
                                           " holds more text than the data grid may take");
            }
            m_value.append(characters);
        } else if (m_inCell) {
            m_inline.text(characters, m_budget, m_name);
        }
    }

    SheetExtent extent;

private:
    void startCell(const char** attributes) {
        const char* reference = attribute(attributes, "r");
        const auto at = reference != nullptr ? cellReference(reference) : std::nullopt;
        if (reference != nullptr && !at) {
            throw Failure::damagedWorkbook(m_name,
                                           "a cell of its first worksheet has the "
                                           "reference \"" +
                                               std::string(reference) + "\", which names no cell");
        }
        if (at) {
            m_row = static_cast<std::int64_t>(at->first);
            m_column = static_cast<std::int64_t>(at->second);
        } else {
            ++m_column;
        }
        if (m_row < 0 || m_row >= kSheetRows || m_column >= kSheetColumns) {
            throw Failure::damagedWorkbook(m_name,
                                           "a cell lies beyond the sheet's last row or "
                                           "column");
        }
        const char* type = attribute(attributes, "t");
        m_type = type != nullptr ? type : "n";
        m_style = number(attribute(attributes, "s"));
        m_value.clear();
        m_inCell = true;
    }

    void endCell() {
        m_inCell = false;
        std::string shown = cellText();
        if (shown.empty()) {
            return;  // an empty cell, or a formula without a stored result
        }
        const auto row = static_cast<std::uint32_t>(m_row);
        const auto column = static_cast<std::uint32_t>(m_column);
        extent.rows = std::max(extent.rows, row + 1);
        extent.columns = std::max(extent.columns, column + 1);
        if (row < m_mostRows) {
            m_onCell(row, column, shown);
        }
    }

    std::string cellText() {
        std::string inlineText = m_inline.take();
        if (m_type == "s") {
            if (m_value.empty()) {
                return {};  // <v/>: a string cell that some writers leave empty
            }
            const auto index = strictNumber(m_value);
            if (!index || *index < 0 || *index >= static_cast<double>(m_shared.size())) {
                throw Failure::damagedWorkbook(m_name, "a cell refers to shared string " + m_value +
                                                           " of " +
                                                           std::to_string(m_shared.size()));
            }
            return asText(m_shared[static_cast<std::size_t>(*index)]);
        }
        if (m_type == "inlineStr") {
            return asText(decodeEscapes(inlineText));
        }
        if (m_type == "str") {
            return asText(m_value);
        }
        if (m_type == "b") {
            return m_value.empty() ? "" : (m_value == "0" ? "FALSE" : "TRUE");
        }
        if (m_type == "e") {
            return {};
        }
        if (m_type == "d") {
            const auto serial = isoDateSerial(m_value);
            return serial ? numberText(*serial) : m_value;
        }
        if (m_value.empty()) {
            return {};
        }
        const auto value = strictNumber(m_value);
        if (!value) {
            return m_value;  // not a number after all: shown as it stands
        }
        if (std::isnan(*value)) {
            return {};
        }
        const bool date = m_styles.isDate(m_style);
        return numberText(date && m_dates1904 ? *value + k1904Offset : *value);
    }

    // A text cell as the grid shows it: an ISO date as its serial number.
    static std::string asText(const std::string& text) {
        const auto serial = isoDateSerial(text);
        return serial ? numberText(*serial) : text;
    }

    const std::vector<std::string>& m_shared;
    const Styles& m_styles;
    bool m_dates1904;
    std::uint32_t m_mostRows;
    const CellSink& m_onCell;
    std::size_t m_budget;
    const std::string& m_name;
    std::int64_t m_row = -1;
    std::int64_t m_column = -1;
    std::string m_type;
    std::uint32_t m_style = 0;
    std::string m_value;
    StringText m_inline;
    bool m_inCell = false;
    bool m_inValue = false;
};

}  // namespace

std::string xlsxWorkbookPart(const ZipArchive& archive) {
    // The package's relationships name the main part; nearly every writer
    // calls it xl/workbook.xml.
    std::string part;
    Collector packageRelationships([&](std::string_view element, const char** attributes) {
        const char* type = attribute(attributes, "Type");
        const char* target = attribute(attributes, "Target");
        if (element == "Relationship" && part.empty() && type != nullptr && target != nullptr &&
            std::string_view(type).ends_with("/officeDocument")) {
            part = partPath("", target);
        }
    });
    if (archive.has("_rels/.rels")) {
        XmlParser::parse(archive, "_rels/.rels", packageRelationships, false);
    }
    return !part.empty() && archive.has(part) ? part : std::string("xl/workbook.xml");
}

SheetExtent readFirstXlsxWorksheet(const ZipArchive& archive, std::uint32_t mostRows,
                                   const CellSink& onCell) {
    const std::string& name = archive.name();
    // The workbook part, its folder and its relationships.
    const std::string workbookPart = xlsxWorkbookPart(archive);
    const std::size_t slash = workbookPart.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : workbookPart.substr(0, slash + 1);
    const std::string relationshipsPart =
        folder + "_rels/" + workbookPart.substr(folder.size()) + ".rels";
    // The sheets in workbook order, and the date system.
    std::vector<std::string> sheetIds;
    bool dates1904 = false;
    Collector workbook([&](std::string_view element, const char** attributes) {
        if (element == "sheet") {
            const char* id = attribute(attributes, "id");
            sheetIds.emplace_back(id != nullptr ? id : "");
        } else if (element == "workbookPr") {
            dates1904 = isTrue(attribute(attributes, "date1904"));
        }
    });
    XmlParser::parse(archive, workbookPart, workbook);

    // What each relationship points to, and of which type.
    std::unordered_map<std::string, std::pair<std::string, std::string>> related;
    std::string sharedPath = folder + "sharedStrings.xml";
    std::string stylesPath = folder + "styles.xml";
    Collector relationships([&](std::string_view element, const char** attributes) {
        const char* id = attribute(attributes, "Id");
        const char* type = attribute(attributes, "Type");
        const char* target = attribute(attributes, "Target");
        if (element != "Relationship" || id == nullptr || type == nullptr || target == nullptr) {
            return;
        }
        const std::string path = partPath(folder, target);
        const std::string_view kind(type);
        if (kind.ends_with("/sharedStrings")) {
            sharedPath = path;
        } else if (kind.ends_with("/styles")) {
            stylesPath = path;
        }
        related[id] = {std::string(kind), path};
    });
    XmlParser::parse(archive, relationshipsPart, relationships);

    std::string sheetPath;
    for (const std::string& id : sheetIds) {
        const auto found = related.find(id);
        if (found != related.end() && found->second.first.ends_with("/worksheet")) {
            sheetPath = found->second.second;
            break;
        }
    }
    if (sheetPath.empty()) {
        throw Failure::notAWorkbook(name, "has no worksheet that can be read.");
    }

    Styles styles;
    Collector stylesReader(
        [&, inCellFormats = false](std::string_view element, const char** attributes) mutable {
            if (element == "numFmt") {
                const char* code = attribute(attributes, "formatCode");
                styles.formatIsDate[number(attribute(attributes, "numFmtId"))] =
                    code != nullptr && xls::isDateFormat(code);
            } else if (element == "cellXfs") {
                inCellFormats = true;
            } else if (element == "cellStyleXfs" || element == "dxfs") {
                inCellFormats = false;
            } else if (element == "xf" && inCellFormats) {
                styles.cellFormats.push_back(number(attribute(attributes, "numFmtId")));
            }
        });
    XmlParser::parse(archive, stylesPath, stylesReader, false);

    const std::size_t budget = archive.memoryBudget();
    SharedStrings shared(budget, name);
    XmlParser::parse(archive, sharedPath, shared, false);

    WorksheetCells cells(shared.m_strings, styles, dates1904, mostRows, onCell, budget, name);
    XmlParser::parse(archive, sheetPath, cells);
    return cells.extent;
}

}  // namespace tesselin
