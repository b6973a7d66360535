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

// In CSV a value that is not a number is an empty field, and one beyond the
// largest double is inf (as spreadsheets and pandas read it).
std::string csvNumber(double value) {
    if (std::isnan(value)) {
        return {};
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    return exact(value);
}

bool isDefault(const AnalysisSettings& settings) {
    return settings.statistic == Statistic::MeanAbs && settings.scale == BinScale::Linear &&
           settings.resamples == 0 && settings.weight == SeriesWeight::Pairs;
}

// What the JSON document says of a run with settings other than the defaults.
std::string settingsJson(const AnalysisRun& run) {
    const AnalysisSettings& settings = run.settings;
    if (isDefault(settings)) {
        return {};
    }
    std::string text;
    text += "  \"statistic\": " + jsonString(namesOf(settings.statistic).option) + ",\n";
    text += "  \"value_key\": " + jsonString(namesOf(settings.statistic).column) + ",\n";
    text += std::string("  \"bin_scale\": ") +
            (settings.scale == BinScale::Log ? "\"log\"" : "\"linear\"") + ",\n";
    text += std::string("  \"midpoint_is\": ") +
            (settings.scale == BinScale::Log
                 ? "\"the geometric mean of bin_start and bin_end, sqrt(bin_start * bin_end)\""
                 : "\"the arithmetic mean of bin_start and bin_end\"") +
            ",\n";
    if (settings.resamples > 0) {
        text += "  \"bootstrap\": {\"resamples\": " + std::to_string(settings.resamples) +
                ", \"seed\": " + std::to_string(settings.seed) +
                ", \"std\": \"standard deviation of the resampled values, K - 1 in the "
                "denominator\", \"p16\": \"16th percentile\", \"p84\": \"84th percentile\", "
                "\"resamples_with_pairs\": \"the resamples with pairs in the bin, from which "
                "its spread is taken\"},\n";
    }
    return text;
}

std::string rowsJson(const AnalysisRun& run) {
    const std::string_view key = namesOf(run.settings.statistic).column;
    std::string text = "  \"rows\": [";
    bool first = true;
    for (std::size_t k = 0; k < run.BinTable.size(); ++k) {
        const BinRow& bin = run.BinTable[k];
        if (bin.count > 0) {
            text += first ? "\n" : ",\n";
            first = false;
            text += "    {\"bin_start\": " + exact(bin.start) + ", \"bin_end\": " + exact(bin.end) +
                    ", \"midpoint\": " + exact(run.midpoints[k]) + ", \"" + std::string(key) +
                    "\": " + exact(run.values[k]) + ", \"pairs\": " + whole(bin.count);
            if (!run.spread.empty()) {
                const BinSpread& spread = run.spread[k];
                text += ", \"std\": " + exact(spread.std) + ", \"p16\": " + exact(spread.p16) +
                        ", \"p84\": " + exact(spread.p84) +
                        ", \"resamples_with_pairs\": " + std::to_string(spread.resamples);
            }
            text += "}";
        }
    }
    text += first ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

}  // namespace

std::string resultsCsv(const AnalysisRun& run) {
    const bool spread = !run.spread.empty();
    std::string text = "bin_start,bin_end,midpoint," +
                       std::string(namesOf(run.settings.statistic).column) + ",pairs" +
                       (spread ? ",std,p16,p84\n" : "\n");
    for (std::size_t k = 0; k < run.BinTable.size(); ++k) {
        const BinRow& bin = run.BinTable[k];
        if (bin.count > 0) {
            text += exact(bin.start) + "," + exact(bin.end) + "," + exact(run.midpoints[k]) + "," +
                    csvNumber(run.values[k]) + "," + whole(bin.count);
            if (spread) {
                text += "," + csvNumber(run.spread[k].std) + "," + csvNumber(run.spread[k].p16) +
                        "," + csvNumber(run.spread[k].p84);
            }
            text += "\n";
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
    text += settingsJson(run);
    text += "  \"data_length\": " + exact(run.DataLength) + ",\n";
    text += "  \"first_point\": " + exact(data.FirstPoint) + ",\n";
    text += "  \"last_point\": " + exact(data.LastPoint) + ",\n";
    text += "  \"points\": " + std::to_string(data.DataPoints.size()) + ",\n";
    text += "  \"pairs_left_out_for_equal_x\": " + std::to_string(run.pairsLeftOut) + ",\n";
    text += "  \"rows_left_out_not_numbers\": " + std::to_string(data.rowsLeftOut.count) + ",\n";
    text += "  \"cells_read_as_zero\": " + std::to_string(data.cellsReadAsZero.count) + ",\n";
    return text + rowsJson(run);
}

std::string ensembleJson(const AnalysisRun& run, std::span<const EnsembleMember> members,
                         std::span<const std::string> skipped) {
    std::string text = "{\n  \"ensemble\": [";
    for (std::size_t s = 0; s < members.size(); ++s) {
        const EnsembleMember& member = members[s];
        text += std::string(s == 0 ? "\n" : ",\n") +
                "    {\"source\": " + jsonString(member.source.file) +
                ", \"x_column\": " + column(member.source.xColumn, member.source.xName) +
                ", \"y_column\": " + column(member.source.yColumn, member.source.yName) +
                ", \"points\": " + std::to_string(member.points) +
                ", \"data_length\": " + exact(member.dataLength) + "}";
    }
    text += members.empty() ? "],\n" : "\n  ],\n";
    text += "  \"skipped\": [";
    for (std::size_t s = 0; s < skipped.size(); ++s) {
        text += (s == 0 ? "" : ", ") + jsonString(skipped[s]);
    }
    text += "],\n";
    text += std::string("  \"weight\": ") +
            (run.settings.weight == SeriesWeight::Series ? "\"series\"" : "\"pairs\"") + ",\n";
    text += "  \"bins\": " + exact(run.BinNumber) + ",\n";
    text += "  \"minimum_period\": " + exact(run.MinPeriod) + ",\n";
    text += "  \"maximum_period\": " + exact(run.MaxPeriod) + ",\n";
    AnalysisRun described = run;
    described.settings.weight = SeriesWeight::Series;  // always describe the settings
    text += settingsJson(described);
    text += "  \"data_length\": " + exact(run.DataLength) + ",\n";
    text += "  \"pairs_left_out_for_equal_x\": " + std::to_string(run.pairsLeftOut) + ",\n";
    return text + rowsJson(run);
}

}  // namespace tesselin
