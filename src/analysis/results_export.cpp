#include "analysis/results_export.h"

#include <array>
#include <charconv>
#include <cmath>

#include "common/text_encoding.h"

namespace tesselin {
namespace {

// The shortest text that reads back as the same double.
std::string exact(double value) {
    if (!std::isfinite(value)) {
        return "null";  // no finite results give this; JSON has no infinity
    }
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

std::string whole(double count) {
    return std::to_string(static_cast<std::uint64_t>(count));
}

std::string jsonString(std::string_view bytes) {
    const std::string text = displayText(bytes);  // valid UTF-8
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    constexpr char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string column(int number, const std::string& name) {
    return "{\"number\": " + std::to_string(number) +
           ", \"name\": " + (name.empty() ? std::string("null") : jsonString(name)) + "}";
}

}  // namespace

std::string resultsCsv(const AnalysisRun& run) {
    std::string text = "bin_start,bin_end,midpoint,mean_abs_dy,pairs\n";
    for (const BinRow& bin : run.BinTable) {
        if (bin.count > 0) {
            text += exact(bin.start) + "," + exact(bin.end) + "," +
                    exact((bin.end + bin.start) / 2) + "," + exact(bin.sum / bin.count) + "," +
                    whole(bin.count) + "\n";
        }
    }
    return text;
}

std::string resultsJson(const AnalysisRun& run, const AnalysisData& data,
                        const ResultsSource& source) {
    std::string text = "{\n";
    text += "  \"source\": " + jsonString(source.file) + ",\n";
    text += "  \"x_column\": " + column(source.xColumn, source.xName) + ",\n";
    text += "  \"y_column\": " + column(source.yColumn, source.yName) + ",\n";
    text += "  \"bins\": " + exact(run.BinNumber) + ",\n";
    text += "  \"minimum_period\": " + exact(run.MinPeriod) + ",\n";
    text += "  \"maximum_period\": " + exact(run.MaxPeriod) + ",\n";
    text += "  \"data_length\": " + exact(run.DataLength) + ",\n";
    text += "  \"first_point\": " + exact(data.FirstPoint) + ",\n";
    text += "  \"last_point\": " + exact(data.LastPoint) + ",\n";
    text += "  \"points\": " + std::to_string(data.DataPoints.size()) + ",\n";
    text += "  \"pairs_left_out_for_equal_x\": " + std::to_string(run.pairsLeftOut) + ",\n";
    text += "  \"rows_left_out_not_numbers\": " + std::to_string(data.rowsLeftOut.count) + ",\n";
    text += "  \"cells_read_as_zero\": " + std::to_string(data.cellsReadAsZero.count) + ",\n";
    text += "  \"rows\": [";
    bool first = true;
    for (const BinRow& bin : run.BinTable) {
        if (bin.count > 0) {
            text += first ? "\n" : ",\n";
            first = false;
            text += "    {\"bin_start\": " + exact(bin.start) + ", \"bin_end\": " + exact(bin.end) +
                    ", \"midpoint\": " + exact((bin.end + bin.start) / 2) +
                    ", \"mean_abs_dy\": " + exact(bin.sum / bin.count) +
                    ", \"pairs\": " + whole(bin.count) + "}";
        }
    }
    text += first ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

}  // namespace tesselin
