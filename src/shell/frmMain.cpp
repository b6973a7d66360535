#include "shell/frmMain.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <algorithm>

#include "analysis/chart_points.h"
#include "analysis/column_choice.h"
#include "import/data_set.h"
#include "import/text/local_dates.h"
#include "platform/DataGridModel.h"
#include "platform/ScatterChart.h"
#include "platform/controls.h"
#include "platform/recent_folders.h"
#include "platform/twips.h"
#include "results/frmResults.h"
#include "shell/main_layout.h"
#include "ui/Dialogs.h"
#include "ui/modConstants.h"
#include "ui/modGlobals.h"
#include "ui/modUtils.h"

namespace tesselin {
namespace {

// The client area the window was designed for, in twips.
constexpr int kDesignedClientWidth = 7530;
constexpr int kDesignedClientHeight = 6075;

}  // namespace

frmMain::frmMain(modGlobals& globals, Dialogs& dialogs, QWidget* parent)
    : LaidOutWindow(parent), m_globals(globals), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(qText(kWindowCaption));

    mnuFile = makeMenu(menuBar(), "mnuFile", tr("&File"));
    mnuOpen = makeMenuItem(mnuFile, "mnuOpen", tr("&Open"));
    mnuExit = makeMenuItem(mnuFile, "mnuExit", tr("E&xit"));

    auto* client = new QWidget(this);
    setCentralWidget(client);

    m_model = new DataGridModel(DataGrid(), this);
    MSFlexGrid1 = makeGridView(client, m_model, kMainGridColumnWidth);
    MSChart1 = new ScatterChart(m_dialogs, client);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->hide();  // until the first accepted Graph click

    Label1 = makeControl<QLabel>(client, "Label1", "X Axis Column #");
    XColumn = makeControl<QLineEdit>(client, "XColumn", "0");
    Label2 = makeControl<QLabel>(client, "Label2", "Y Axis Column #");
    YColumn = makeControl<QLineEdit>(client, "YColumn", "1");
    MakeGraph = makeControl<QPushButton>(client, "MakeGraph", "Graph");
    Corrolate = makeControl<QPushButton>(client, "Corrolate", "Tesselin");

    connect(mnuOpen, &QAction::triggered, this, &frmMain::mnuOpen_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(Corrolate, &QPushButton::clicked, this, &frmMain::Corrolate_Click);
    connect(MakeGraph, &QPushButton::clicked, this, &frmMain::MakeGraph_Click);

    Form_Load();
}

void frmMain::Form_Load() {
    resize(twipsToPixels(kDesignedClientWidth),
           twipsToPixels(kDesignedClientHeight) + menuBar()->sizeHint().height());
}

void frmMain::Form_Resize() {
    const TwipsSize outer = outerTwips();
    const MainLayout layout = mainWindowLayout(outer.width, outer.height);

    place(MSFlexGrid1, layout.grid);
    place(MSChart1, layout.chart);
    placeCaption(Label1, layout.label1);
    place(XColumn, layout.xColumn);
    placeCaption(Label2, layout.label2);
    place(YColumn, layout.yColumn);
    place(MakeGraph, layout.makeGraph);
    place(Corrolate, layout.corrolate);
}

const DataGrid& frmMain::dataGrid() const {
    return m_model->grid();
}

void frmMain::mnuOpen_Click() {
    runUnderFailureHandler(m_dialogs, [this] {
        const std::optional<FileChoice> choice =
            m_dialogs.openFile({.filter = std::string(kOpenFilter),
                                .filterIndex = m_openFilterIndex,
                                .fileName = {},
                                .fileMustExist = true,
                                .directory = startFolder(FolderUse::Open)});
        if (!choice) {
            return;
        }
        m_openFilterIndex = choice->filterIndex;
        rememberFolderOf(FolderUse::Open, choice->path);
        // The filter chosen in the dialog decides the import, not the file's name.
        constexpr DataKind kByFilter[] = {DataKind::Xls,
                                          DataKind::Text,
                                          DataKind::Xlsx,
                                          DataKind::Ods,
                                          DataKind::SeparatedValues,
                                          DataKind::ByContent};
        const auto filter = static_cast<std::size_t>(std::clamp(choice->filterIndex, 1, 6) - 1);
        const DataKind kind = kByFilter[filter];
        m_model->change([&](DataGrid& grid) {
            try {
                loadDataSet(grid, choice->path, kind);
            } catch (const AmbiguousDates& dates) {
                // Every date of a column reads both ways: the user says which.
                loadDataSet(grid, choice->path, kind, {.dateOrder = askDateOrder(dates)});
            }
        });
    });
}

DateOrder frmMain::askDateOrder(const AmbiguousDates& dates) {
    const MessageAnswer answer = m_dialogs.messageBox(
        {.text = "The dates of " + dates.column() + " can be read two ways: " + dates.example() +
                 " is " + dayFirstReading(dates.example()) + " or " +
                 monthFirstReading(dates.example()) + ".\r\n\r\nAre the dates written day first?",
         .title = "Date Order",
         .icon = MessageIcon::Question,
         .buttons = MessageButtons::YesNo});
    return answer == MessageAnswer::Yes ? DateOrder::DayFirst : DateOrder::MonthFirst;
}

void frmMain::mnuExit_Click() {
    close();
}

void frmMain::showInvalidColumns() {
    showExclamation(m_dialogs, kInvalidColumnsText, kInvalidColumnsTitle);
}

void frmMain::MakeGraph_Click() {
    const std::string xText = XColumn->text().toStdString();
    const std::string yText = YColumn->text().toStdString();
    if (!columnChoiceAccepted(xText, yText, dataGrid().Cols())) {
        showInvalidColumns();
        return;
    }
    m_globals.PreviewChartTable =
        previewChartTable(dataGrid(), previewColumn(xText), previewColumn(yText));
    MSChart1->setPoints(plottedPoints(m_globals.PreviewChartTable));
    MSChart1->show();
}

void frmMain::Corrolate_Click() {
    const auto columns = analysisColumns(XColumn->text().toStdString(),
                                         YColumn->text().toStdString(), dataGrid().Cols());
    if (!columns) {
        showInvalidColumns();
        return;
    }
    // A fresh results window each time, modal and without an owner.
    frmResults results(m_globals, m_dialogs, dataGrid(), *columns);
    results.exec();
    if (!results.Back) {
        close();
        return;
    }
    // Back to the data: a window manager may have left another window in
    // front when the results window went.
    raise();
    activateWindow();
}

}  // namespace tesselin
