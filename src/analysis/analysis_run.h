#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/extraction.h"
#include "analysis/lag_binning.h"
#include "analysis/parameters.h"
#include "analysis/results_table.h"

namespace tesselin {

enum class Parameter { BinNumber, MinPeriod, MaxPeriod };

// What one analysis run needs from the front end that drives it. The results
// window answers with its text boxes and modal boxes, tesselin-cli with its
// options and standard error. The run calls these in the order the user
// meets them.
class AnalysisFrontEnd {
public:
    virtual ~AnalysisFrontEnd() = default;

    // The length, first and last X of the data set, before any question.
    virtual void showSummary(double dataLength, double firstPoint, double lastPoint) = 0;
    // A message with the exclamation icon: the pairs of points with equal X.
    virtual void message(std::string_view text, std::string_view title) = 0;
    // A message after which the run ends: no data, a data set of length 0,
    // or numbers beyond the range of a double. A window shows it as any
    // other message.
    virtual void stop(std::string_view text, std::string_view title) { message(text, title); }
    // The answer to a question; the empty text stands for Cancel.
    virtual std::string answer(Parameter parameter, const Question& question,
                               const std::string& defaultText) = 0;
    // The messages an unacceptable answer brought, in order. True asks the
    // question again; false ends the run.
    virtual bool refuse(Parameter parameter, std::span<const std::string_view> messages) = 0;
    virtual void accept(Parameter parameter, double value) = 0;
    // Cells of the X or Y column read as 0 for want of a number (whitespace
    // text and .xls, whose rule reads them so); the window says nothing of
    // them, as it never did.
    virtual void readAsZero(const SkippedCells&) {}
    // Runs the computation with the front end's options (threads, a progress
    // to show). A window may keep itself painted meanwhile.
    using BinningWork = std::function<std::vector<BinRow>(const BinningOptions&)>;
    virtual std::vector<BinRow> compute(const BinningWork& work) { return work({}); }

protected:
    AnalysisFrontEnd() = default;
    AnalysisFrontEnd(const AnalysisFrontEnd&) = default;
    AnalysisFrontEnd& operator=(const AnalysisFrontEnd&) = default;
};

enum class RunOutcome { Completed, NoData, NoLength, OutOfRange, Refused };

// What a run produced. The parameters are those accepted before the run
// ended; the bins and the results table only a completed run has.
struct AnalysisRun {
    RunOutcome outcome = RunOutcome::NoData;
    double DataLength = 0;
    double BinNumber = 0;
    double MinPeriod = 0;
    double MaxPeriod = 0;
    std::uint64_t pairsLeftOut = 0;  // pairs of points with equal X
    std::vector<BinRow> BinTable;
    ResultsTable results;
};

// The run sequence: stop when there is nothing to analyse; otherwise show the
// summary (and stop when the data set's length is beyond the range of a
// double), ask the number of bins, the minimum and the maximum period until
// each answer is acceptable, stop when a bin edge or midpoint would be beyond
// that range, report the pairs of points with equal X (the first pair, then,
// if more follow, one summary of them all), compute the bins and build the
// results table. No run ends in an empty table for want of numbers.
//
// A maximum answered with the default text (the number text of DataLength)
// stands for DataLength itself: its 15 digits may read back a little below
// the true length, which would leave the longest pair out.
AnalysisRun runAnalysis(const AnalysisData& data, AnalysisFrontEnd& frontEnd);

}  // namespace tesselin
