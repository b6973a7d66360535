#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ensemble.h"
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
    // In an ensemble, the messages that follow (rows left out, cells read as
    // 0, repeated X values) are of this series, counted from 0.
    virtual void seriesMessages(std::size_t) {}
    // Runs the computation with the front end's options (threads, a progress
    // to show). A window may keep itself painted meanwhile.
    // The bins come first; then, if asked for, the bootstrap, whose progress
    // counts resamples.
    enum class Stage { Bins, Resamples };
    using BinningWork = std::function<void(const BinningOptions&)>;
    virtual void compute(Stage, const BinningWork& work) { work({}); }

protected:
    AnalysisFrontEnd() = default;
    AnalysisFrontEnd(const AnalysisFrontEnd&) = default;
    AnalysisFrontEnd& operator=(const AnalysisFrontEnd&) = default;
};

enum class RunOutcome { Completed, NoData, NoLength, OutOfRange, Refused };

// What a run computes beyond the defaults: the statistic, the bins' scale,
// the bootstrap's resamples (none by default) and its seed, and how the
// series of an ensemble are weighted.
inline constexpr std::uint64_t kDefaultSeed = 20261207;
struct AnalysisSettings {
    Statistic statistic = Statistic::MeanAbs;
    BinScale scale = BinScale::Linear;
    unsigned resamples = 0;
    std::uint64_t seed = kDefaultSeed;
    SeriesWeight weight = SeriesWeight::Pairs;
};

// What a run produced. The parameters are those accepted before the run
// ended; the bins and the results table only a completed run has.
struct AnalysisRun {
    RunOutcome outcome = RunOutcome::NoData;
    double DataLength = 0;
    double BinNumber = 0;
    double MinPeriod = 0;
    double MaxPeriod = 0;
    std::uint64_t pairsLeftOut = 0;  // pairs of points with equal X
    AnalysisSettings settings;
    std::vector<BinRow> BinTable;
    std::vector<double> values;     // each bin's value, NaN without pairs
    std::vector<double> midpoints;  // each bin's midpoint, as the scale has it
    std::vector<BinSpread> spread;  // by bin, with a bootstrap only
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
//
// With logarithmic bins the minimum period must be above 0. An ensemble of
// series (pairs taken within each) takes the longest data length as its
// length, and its summary is that of the longest series.
AnalysisRun runAnalysis(const AnalysisData& data, AnalysisFrontEnd& frontEnd,
                        const AnalysisSettings& settings = {});
AnalysisRun runAnalysis(std::span<const AnalysisData* const> series, AnalysisFrontEnd& frontEnd,
                        const AnalysisSettings& settings = {});

}  // namespace tesselin
