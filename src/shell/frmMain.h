#pragma once

#include <QMainWindow>

#include "platform/LaidOutWindow.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace tesselin {

class AmbiguousDates;
class DataGrid;
class DataGridModel;
enum class DateOrder;
class ScatterChart;
class Dialogs;
struct modGlobals;

// The main window: the data grid with the loaded data set, the two column
// number boxes and the commands that open a file and start the analysis.
class frmMain : public LaidOutWindow<QMainWindow> {
    Q_OBJECT

public:
    frmMain(modGlobals& globals, Dialogs& dialogs, QWidget* parent = nullptr);

    // The loaded data set.
    const DataGrid& dataGrid() const;

private slots:
    void mnuOpen_Click();
    void mnuExit_Click();
    void Corrolate_Click();
    void MakeGraph_Click();

private:
    // Which order dates such as 3/1/2024 of a column are written in, asked
    // once when no date of the column tells.
    DateOrder askDateOrder(const AmbiguousDates& dates);

    void Form_Load();
    void Form_Resize() override;
    void showInvalidColumns();

    modGlobals& m_globals;
    Dialogs& m_dialogs;
    DataGridModel* m_model = nullptr;  // holds the data grid
    int m_openFilterIndex = 1;         // the open dialog's filter, kept between openings

    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuExit = nullptr;
    QTableView* MSFlexGrid1 = nullptr;
    ScatterChart* MSChart1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* XColumn = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* YColumn = nullptr;
    QPushButton* MakeGraph = nullptr;
    QPushButton* Corrolate = nullptr;
};

}  // namespace tesselin
