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
bool binsInRange(double binNumber, double minPeriod, double maxPeriod) {
    const std::vector<double> edges = binEdges(binNumber, minPeriod, maxPeriod);
    for (std::size_t k = 0; k < edges.size(); ++k) {
        if (!std::isfinite(edges[k]) || (k > 0 && !std::isfinite((edges[k] + edges[k - 1]) / 2))) {
            return false;
        }
    }
    return true;
}

}  // namespace

AnalysisRun runAnalysis(const AnalysisData& data, AnalysisFrontEnd& frontEnd) {
    AnalysisRun run;
    if (data.PointCount() == 0) {
        if (data.rowsLeftOut.count > 0) {  // why there is nothing
            frontEnd.message(leftOutMessage(data.rowsLeftOut), kLeftOutTitle);
        }
        frontEnd.stop(kNoDataText, kNoDataTitle);
        return run;
    }
    run.DataLength = data.DataLength();
    frontEnd.showSummary(run.DataLength, data.FirstPoint, data.LastPoint);
    if (run.DataLength == 0) {
        run.outcome = RunOutcome::NoLength;
        frontEnd.stop(kNoLengthText, kNoDataTitle);
        return run;
    }
    if (data.rowsLeftOut.count > 0) {
        frontEnd.message(leftOutMessage(data.rowsLeftOut), kLeftOutTitle);
    }
    if (data.cellsReadAsZero.count > 0) {
        frontEnd.readAsZero(data.cellsReadAsZero);
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
        [&](double answer) { return minPeriodMessages(answer, run.DataLength); });
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
    if (!binsInRange(run.BinNumber, run.MinPeriod, run.MaxPeriod)) {
        run.outcome = RunOutcome::OutOfRange;
        frontEnd.stop(kBinsOutOfRangeText, kAnswerErrorTitle);
        return run;
    }

    const std::vector<RepeatedValue> repeated = repeatedValues(data.DataPoints);
    for (const RepeatedValue& value : repeated) {
        run.pairsLeftOut += value.times;
    }
    reportRepeatedValues(repeated, frontEnd);
    run.BinTable = frontEnd.compute([&](const BinningOptions& options) {
        return computeBins(data.DataPoints, run.BinNumber, run.MinPeriod, run.MaxPeriod, options);
    });
    run.results = buildResultsTable(run.BinTable);
    run.outcome = RunOutcome::Completed;
    return run;
}

}  // namespace tesselin
