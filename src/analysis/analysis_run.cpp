#include "analysis/analysis_run.h"

#include "common/numbers.h"

namespace tesselin {
namespace {

// Asks until the answer brings no message (or the front end gives up), and
// returns the value read from the accepted answer.
template <typename Check>
std::optional<double> askUntilAccepted(AnalysisFrontEnd& frontEnd, Parameter parameter,
                                       const Question& question, const std::string& defaultText,
                                       Check&& check) {
    for (;;) {
        const double value = leadingNumberValue(frontEnd.answer(parameter, question, defaultText));
        const std::vector<std::string_view> messages = check(value);
        if (messages.empty()) {
            frontEnd.accept(parameter, value);
            return value;
        }
        if (!frontEnd.refuse(parameter, messages)) {
            return std::nullopt;
        }
    }
}

}  // namespace

AnalysisRun runAnalysis(const AnalysisData& data, AnalysisFrontEnd& frontEnd) {
    AnalysisRun run;
    if (data.PointCount() == 0) {
        frontEnd.stopRun(kNoDataText, kNoDataTitle);
        return run;
    }
    run.DataLength = data.DataLength();
    frontEnd.showSummary(run.DataLength, data.FirstPoint, data.LastPoint);
    if (run.DataLength == 0) {
        run.outcome = RunOutcome::NoLength;
        frontEnd.stopRun(kNoLengthText, kNoDataTitle);
        return run;
    }

    run.outcome = RunOutcome::Refused;
    const auto bins = askUntilAccepted(frontEnd, Parameter::BinNumber, kBinNumberQuestion,
                                       std::string(kDefaultBinNumber), binNumberMessages);
    if (!bins) {
        return run;
    }
    run.BinNumber = *bins;
    const auto minimum = askUntilAccepted(
        frontEnd, Parameter::MinPeriod, kMinPeriodQuestion, std::string(kDefaultMinPeriod),
        [&](double answer) { return minPeriodMessages(answer, run.DataLength); });
    if (!minimum) {
        return run;
    }
    run.MinPeriod = *minimum;
    const auto maximum = askUntilAccepted(
        frontEnd, Parameter::MaxPeriod, kMaxPeriodQuestion, defaultMaxPeriod(run.DataLength),
        [&](double answer) { return maxPeriodMessages(answer, run.MinPeriod, run.DataLength); });
    if (!maximum) {
        return run;
    }
    run.MaxPeriod = *maximum;

    frontEnd.reportRepeatedValues(repeatedValues(data.DataPoints));
    run.BinTable = frontEnd.compute([&] {
        return computeBins(data.DataPoints, static_cast<int>(run.BinNumber), run.MinPeriod,
                           run.MaxPeriod);
    });
    run.results = buildResultsTable(run.BinTable);
    run.outcome = RunOutcome::Completed;
    return run;
}

}  // namespace tesselin
