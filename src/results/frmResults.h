#pragma once

#include <QDialog>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis_run.h"
#include "analysis/chart_points.h"
#include "analysis/column_choice.h"
#include "analysis/extraction.h"
#include "platform/LaidOutWindow.h"
#include "results/results_layout.h"

class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QAction;
class QPushButton;
class QTableView;

namespace tesselin {

class DataGrid;
class DataGridModel;
class ScatterChart;
class Dialogs;
struct modGlobals;

// The results window: runs the analysis of two columns of the data grid,
// asking for its parameters, shows the results as a grid (and, from the Graph
// button, as a chart), saves them, and lets the user restart, go back or
// leave the program. It is the analysis run's front end: the run asks, the
// window shows.
class frmResults : public LaidOutWindow<QDialog>, private AnalysisFrontEnd {
    Q_OBJECT

public:
    // The data grid must outlive the window; it is read again on Restart.
    frmResults(modGlobals& globals, Dialogs& dialogs, const DataGrid& dataGrid, ColumnPair columns,
               QWidget* parent = nullptr);

    // True when leaving this window returns to the main window; false when
    // the user chose to end the program.
    bool Back = true;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void cmdBack_Click();
    void ExitCmd_Click();
    void GridBtn_Click();
    void CmdGraph_Click();
    void CmdRestart_Click();
    void mnuSave_Click();
    void mnuAnalysis_Click();

private:
    void Form_Load();
    void Form_Activate();
    void Form_Resize() override;
    void placeValues();
    void ResetAnalysis();
    void fillResultsGrid();
    void makeAnalysisMenu(QMenuBar* menuBar);

    // The analysis run's questions and messages, as boxes of this window.
    void showSummary(double dataLength, double firstPoint, double lastPoint) override;
    void message(std::string_view text, std::string_view title) override;
    std::string answer(Parameter parameter, const Question& question,
                       const std::string& defaultText) override;
    bool refuse(Parameter parameter, std::span<const std::string_view> messages) override;
    void accept(Parameter parameter, double value) override;
    void compute(Stage stage, const BinningWork& work) override;

    modGlobals& m_globals;
    Dialogs& m_dialogs;
    const DataGrid& m_dataGrid;
    const ColumnPair m_columns;
    bool m_shownOnce = false;
    ResultsLayout m_layout;  // for the current size

    AnalysisData m_data;  // DataPoints, PointCount, FirstPoint, LastPoint
    double DataLength = 0;
    double BinNumber = 0;
    double MinPeriod = 0;
    double MaxPeriod = 0;

    DataGridModel* m_model = nullptr;  // holds the results grid

    // What the Analysis menu has chosen: the next run (the first, or the
    // next Restart) computes with it. What is shown stays until then.
    AnalysisSettings m_nextSettings;
    // Of the last completed run, for its chart: the scale of its bins and
    // the bars of its bootstrap (none without one).
    BinScale m_shownScale = BinScale::Linear;
    std::vector<SpreadBar> m_shownBars;

    QMenu* mnuFile = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuAnalysis = nullptr;
    QAction* mnuStatMeanAbs = nullptr;
    QAction* mnuStatMeanSquare = nullptr;
    QAction* mnuStatRms = nullptr;
    QAction* mnuStatSemivariance = nullptr;
    QAction* mnuLogBins = nullptr;
    QAction* mnuErrorBars = nullptr;
    QWidget* m_client = nullptr;
    QTableView* MSFlexGrid1 = nullptr;
    ScatterChart* MSChart1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr;
    QLabel *BinNumberLbl = nullptr, *MinPeriodLbl = nullptr, *MaxPeriodLbl = nullptr;
    QPushButton *CmdGraph = nullptr, *GridBtn = nullptr, *CmdRestart = nullptr;
    QPushButton *cmdBack = nullptr, *ExitCmd = nullptr;
};

}  // namespace tesselin
