#include "analysis/analysis_run.h"

#include <cmath>

#include "common/numbers.h"

namespace tesselin {
namespace {

struct Answer {
    std::string text;
    double value = 0;
};

// Asks until the answer brings no message (or the front end gives up), and
// returns the accepted answer with the value read from it.
template <typename Check>
std::optional<Answer> askUntilAccepted(AnalysisFrontEnd& frontEnd, Parameter parameter,
                                       const Question& question, const std::string& defaultText,
                                       Check&& check) {
    for (;;) {
        Answer answer{frontEnd.answer(parameter, question, defaultText)};
        answer.value = leadingNumberValue(answer.text);
        const std::vector<std::string_view> messages = check(answer.value);
        if (messages.empty()) {
            return answer;
        }
        if (!frontEnd.refuse(parameter, messages)) {
            return std::nullopt;
        }
    }
}

void reportRepeatedValues(std::span<const RepeatedValue> repeated, AnalysisFrontEnd& frontEnd) {
    if (repeated.empty()) {
        return;
    }
    frontEnd.message(repeatedValueMessage(repeated.front().x), kAnswerErrorTitle);
    if (const std::string summary = repeatedValuesSummary(repeated); !summary.empty()) {
        frontEnd.message(summary, kAnswerErrorTitle);
    }
}

// Whether every bin edge and midpoint is a finite number (the midpoint as the
// results table computes it).
bool binsInRange(double binNumber, double minPeriod, double maxPeriod, BinScale scale) {
    const std::vector<double> edges = binEdges(binNumber, minPeriod, maxPeriod, scale);
    for (std::size_t k = 0; k < edges.size(); ++k) {
        if (!std::isfinite(edges[k]) ||
            (k > 0 && !std::isfinite(binMidpoint(edges[k - 1], edges[k], scale)))) {
            return false;
        }
    }
    return true;
}

}  // namespace

AnalysisRun runAnalysis(const AnalysisData& data, AnalysisFrontEnd& frontEnd,
                        const AnalysisSettings& settings) {
    const AnalysisData* const one = &data;
    return runAnalysis(std::span(&one, 1), frontEnd, settings);
}

AnalysisRun runAnalysis(std::span<const AnalysisData* const> series, AnalysisFrontEnd& frontEnd,
                        const AnalysisSettings& settings) {
    AnalysisRun run;
    run.settings = settings;
    // The longest series speaks for an ensemble.
    const AnalysisData* longest = nullptr;
    for (const AnalysisData* data : series) {
        if (data->PointCount() > 0 &&
            (longest == nullptr || data->DataLength() > longest->DataLength())) {
            longest = data;
        }
    }
    if (longest == nullptr) {
        if (!series.empty() && series.front()->rowsLeftOut.count > 0) {  // why there is nothing
            frontEnd.message(leftOutMessage(series.front()->rowsLeftOut), kLeftOutTitle);
        }
        frontEnd.stop(kNoDataText, kNoDataTitle);
        return run;
    }
    run.DataLength = longest->DataLength();
    frontEnd.showSummary(run.DataLength, longest->FirstPoint, longest->LastPoint);
    if (run.DataLength == 0) {
        run.outcome = RunOutcome::NoLength;
        frontEnd.stop(kNoLengthText, kNoDataTitle);
        return run;
    }
    for (std::size_t s = 0; s < series.size(); ++s) {
        const AnalysisData* data = series[s];
        if (series.size() > 1) {
            frontEnd.seriesMessages(s);
        }
        if (data->rowsLeftOut.count > 0) {
            frontEnd.message(leftOutMessage(data->rowsLeftOut), kLeftOutTitle);
        }
        if (data->cellsReadAsZero.count > 0) {
            frontEnd.readAsZero(data->cellsReadAsZero);
        }
    }
    if (!std::isfinite(run.DataLength)) {
        run.outcome = RunOutcome::OutOfRange;
        frontEnd.stop(kLengthOutOfRangeText, kAnswerErrorTitle);
        return run;
    }

    run.outcome = RunOutcome::Refused;
    const auto bins = askUntilAccepted(frontEnd, Parameter::BinNumber, kBinNumberQuestion,
                                       std::string(kDefaultBinNumber), binNumberMessages);
    if (!bins) {
        return run;
    }
    run.BinNumber = bins->value;
    frontEnd.accept(Parameter::BinNumber, run.BinNumber);
    const auto minimum = askUntilAccepted(
        frontEnd, Parameter::MinPeriod, kMinPeriodQuestion, std::string(kDefaultMinPeriod),
        [&](double answer) {
            std::vector<std::string_view> messages = minPeriodMessages(answer, run.DataLength);
            if (messages.empty() && settings.scale == BinScale::Log && !(answer > 0)) {
                messages.push_back(kLogMinimumText);
            }
            return messages;
        });
    if (!minimum) {
        return run;
    }
    run.MinPeriod = minimum->value;
    frontEnd.accept(Parameter::MinPeriod, run.MinPeriod);
    const std::string defaultMaximum = defaultMaxPeriod(run.DataLength);
    const auto maximum = askUntilAccepted(
        frontEnd, Parameter::MaxPeriod, kMaxPeriodQuestion, defaultMaximum,
        [&](double answer) { return maxPeriodMessages(answer, run.MinPeriod, run.DataLength); });
    if (!maximum) {
        return run;
    }
    run.MaxPeriod = maximum->text == defaultMaximum ? run.DataLength : maximum->value;
    frontEnd.accept(Parameter::MaxPeriod, run.MaxPeriod);
    if (!binsInRange(run.BinNumber, run.MinPeriod, run.MaxPeriod, settings.scale)) {
        run.outcome = RunOutcome::OutOfRange;
        frontEnd.stop(kBinsOutOfRangeText, kAnswerErrorTitle);
        return run;
    }

    for (std::size_t s = 0; s < series.size(); ++s) {
        if (series.size() > 1) {
            frontEnd.seriesMessages(s);
        }
        const std::vector<RepeatedValue> repeated = repeatedValues(series[s]->DataPoints);
        for (const RepeatedValue& value : repeated) {
            run.pairsLeftOut += value.times;
        }
        reportRepeatedValues(repeated, frontEnd);
    }
    const auto withSettings = [&](const BinningOptions& options) {
        BinningOptions chosen = options;
        chosen.statistic = settings.statistic;
        chosen.scale = settings.scale;
        return chosen;
    };
    std::vector<std::vector<BinRow>> binned(series.size());
    frontEnd.compute(AnalysisFrontEnd::Stage::Bins, [&](const BinningOptions& options) {
        for (std::size_t s = 0; s < series.size(); ++s) {
            binned[s] = computeBins(series[s]->DataPoints, run.BinNumber, run.MinPeriod,
                                    run.MaxPeriod, withSettings(options));
        }
    });
    CombinedBins combined = combineSeries(binned, settings.statistic, settings.weight);
    run.BinTable = std::move(combined.rows);
    run.values = std::move(combined.values);
    for (const BinRow& bin : run.BinTable) {
        run.midpoints.push_back(binMidpoint(bin.start, bin.end, settings.scale));
    }
    if (settings.resamples > 0) {
        std::vector<std::span<const DataPoint>> points;
        for (const AnalysisData* data : series) {
            points.emplace_back(data->DataPoints);
        }
        frontEnd.compute(AnalysisFrontEnd::Stage::Resamples, [&](const BinningOptions& options) {
            run.spread = bootstrapBins(
                points, run.BinNumber, run.MinPeriod, run.MaxPeriod, withSettings(options),
                {settings.resamples, settings.seed, settings.weight, options.progress});
        });
    }
    run.results = buildResultsTable(run.BinTable, run.values, run.midpoints, settings.statistic);
    run.outcome = RunOutcome::Completed;
    return run;
}

}  // namespace tesselin
