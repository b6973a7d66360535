#pragma once

#include <QMainWindow>
#include <filesystem>

#include "common/DataGrid.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace tesselin {

class DataGridModel;
class ScatterChart;
class Dialogs;
struct modGlobals;

// The main window: the data grid with the loaded data set, the two column
// number boxes and the commands that open a file and start the analysis.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    frmMain(modGlobals& globals, Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmMain() override;

    // The loaded data set and the typed column numbers, for the results
    // window, which reads them when it loads.
    const DataGrid& dataGrid() const { return m_grid; }
    std::string xColumnText() const;
    std::string yColumnText() const;

    // Deletes the blank data rows of the grid; called after every import.
    void RemoveBlankRows();

protected:
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void mnuOpen_Click();
    void mnuExit_Click();
    void Corrolate_Click();
    void MakeGraph_Click();

private:
    void Form_Load();
    void Form_Resize();
    void LoadTextFile(const std::filesystem::path& path);
    void FillGridFromTable();
    void showInvalidColumns();

    modGlobals& m_globals;
    Dialogs& m_dialogs;
    DataGrid m_grid;
    DataGridModel* m_model = nullptr;
    int m_openFilterIndex = 1;  // the open dialog's filter, kept between openings

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
