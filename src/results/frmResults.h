#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/extraction.h"
#include "analysis/lag_binning.h"
#include "common/DataGrid.h"

class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTableView;

namespace tesselin {

class DataGridModel;
struct Question;
class ScatterChart;
class Dialogs;
class frmMain;
struct modGlobals;

// The results window: runs the analysis of the columns chosen in the main
// window, asks for its parameters, shows the results as a grid (and, from
// the Graph button, as a chart), saves them, and lets the user restart, go
// back or leave the program.
class frmResults : public QDialog {
    Q_OBJECT

public:
    frmResults(modGlobals& globals, Dialogs& dialogs, const frmMain& main,
               QWidget* parent = nullptr);
    ~frmResults() override;

    // True when leaving this window returns to the main window; false when
    // the user chose to end the program.
    bool Back = true;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void cmdBack_Click();
    void ExitCmd_Click();
    void GridBtn_Click();
    void CmdGraph_Click();
    void CmdRestart_Click();
    void mnuSave_Click();

private:
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void ResetAnalysis();
    void runAnalysis();
    std::vector<BinRow> computeKeepingWindowPainted();
    void fillResultsGrid();
    double askUntilAccepted(const Question& question, const std::string& defaultText,
                            const std::function<std::vector<std::string_view>(double)>& check);
    void showExclamation(std::string_view text, std::string_view title);

    modGlobals& m_globals;
    Dialogs& m_dialogs;
    const frmMain& m_main;
    bool m_shownOnce = false;

    AnalysisData m_data;  // DataPoints, PointCount, FirstPoint, LastPoint
    double DataLength = 0;
    double BinNumber = 0;
    double MinPeriod = 0;
    double MaxPeriod = 0;

    DataGrid m_resultsGrid;
    DataGridModel* m_model = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuExit = nullptr;
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
