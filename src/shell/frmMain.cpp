#include "frmMain.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>

#include "analysis/chart_points.h"
#include "analysis/column_choice.h"
#include "common/Dialogs.h"
#include "common/Failure.h"
#include "common/modConstants.h"
#include "common/modGlobals.h"
#include "common/modUtils.h"
#include "import/blank_rows.h"
#include "import/isolated_reader.h"
#include "import/text_import.h"
#include "import/workbook_import.h"
#include "platform/DataGridModel.h"
#include "platform/ScatterChart.h"
#include "platform/controls.h"
#include "platform/twips.h"
#include "results/frmResults.h"
#include "shell/main_layout.h"

namespace tesselin {
namespace {

// The client area the window was designed for, in twips.
constexpr int kDesignedClientWidth = 7530;
constexpr int kDesignedClientHeight = 6075;

}  // namespace

frmMain::frmMain(modGlobals& globals, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_globals(globals), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(
        QString::fromUtf8(kWindowCaption.data(), static_cast<qsizetype>(kWindowCaption.size())));

    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(tr("&Open"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuExit = mnuFile->addAction(tr("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));

    auto* client = new QWidget(this);
    setCentralWidget(client);

    m_model = new DataGridModel(m_grid, this);
    MSFlexGrid1 = makeControl<QTableView>(client, "MSFlexGrid1");
    MSFlexGrid1->setModel(m_model);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->verticalHeader()->hide();  // the grid has no fixed column
    MSFlexGrid1->horizontalHeader()->setSectionsClickable(false);
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

frmMain::~frmMain() {
    // The model reads m_grid, which is gone before QWidget's destructor
    // closes the window and deletes the children; let go of it first.
    MSFlexGrid1->setModel(nullptr);
    delete m_model;
}

void frmMain::Form_Load() {
    resize(twipsToPixels(kDesignedClientWidth),
           twipsToPixels(kDesignedClientHeight) + menuBar()->sizeHint().height());
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize() {
    const QSize outer = frameGeometry().size();
    const MainLayout layout =
        mainWindowLayout(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()));

    const int columnWidth = twipsToPixels(layout.gridColumnWidth);
    MSFlexGrid1->horizontalHeader()->setDefaultSectionSize(columnWidth);
    for (int col = 0; col < m_model->columnCount(); ++col) {
        MSFlexGrid1->setColumnWidth(col, columnWidth);
    }
    place(MSFlexGrid1, layout.grid);
    place(MSChart1, layout.chart);
    placeCaption(Label1, layout.label1);
    place(XColumn, layout.xColumn);
    placeCaption(Label2, layout.label2);
    place(YColumn, layout.yColumn);
    place(MakeGraph, layout.makeGraph);
    place(Corrolate, layout.corrolate);
}

void frmMain::mnuOpen_Click() {
    runUnderFailureHandler(m_dialogs, [this] {
        const std::optional<FileChoice> choice =
            m_dialogs.openFile({.filter = std::string(kOpenFilter),
                                .filterIndex = m_openFilterIndex,
                                .fileName = {},
                                .fileMustExist = true});
        if (!choice) {
            throw Failure(FailureNumber::DialogCancelled, "Cancel was selected.");
        }
        m_openFilterIndex = choice->filterIndex;
        const std::filesystem::path path(choice->path);
        if (choice->filterIndex == kExcelFilter) {
            m_globals.WorkbookData = readWorkbookIsolated(path);
            FillGridFromTable();
            RemoveBlankRows();
        } else if (choice->filterIndex == kTextFilter) {
            LoadTextFile(path);
            RemoveBlankRows();
        }
    });
}

void frmMain::mnuExit_Click() {
    close();
}

std::string frmMain::xColumnText() const {
    return XColumn->text().toStdString();
}
std::string frmMain::yColumnText() const {
    return YColumn->text().toStdString();
}

void frmMain::showInvalidColumns() {
    m_dialogs.messageBox({.text = std::string(kInvalidColumnsText),
                          .title = std::string(kInvalidColumnsTitle),
                          .icon = MessageIcon::Exclamation,
                          .buttons = MessageButtons::Ok});
}

void frmMain::MakeGraph_Click() {
    const std::string xText = xColumnText();
    const std::string yText = yColumnText();
    if (!columnChoiceAccepted(xText, yText, m_grid.Cols())) {
        showInvalidColumns();
        return;
    }
    m_globals.PreviewChartTable =
        previewChartTable(m_grid, previewColumn(xText), previewColumn(yText));
    MSChart1->setPoints(plottedPoints(m_globals.PreviewChartTable));
    MSChart1->show();
}

void frmMain::Corrolate_Click() {
    if (!analysisColumns(xColumnText(), yColumnText(), m_grid.Cols())) {
        showInvalidColumns();
        return;
    }
    // A fresh results window each time, modal and without an owner.
    frmResults results(m_globals, m_dialogs, *this);
    results.exec();
    if (!results.Back) {
        close();
    }
}

void frmMain::LoadTextFile(const std::filesystem::path& path) {
    const DataGridModel::ResetScope reset(*m_model);
    tesselin::LoadTextFile(m_grid, path);
}

void frmMain::FillGridFromTable() {
    const DataGridModel::ResetScope reset(*m_model);
    tesselin::FillGridFromTable(m_grid, m_globals.WorkbookData);
}

void frmMain::RemoveBlankRows() {
    const DataGridModel::ResetScope reset(*m_model);
    tesselin::RemoveBlankRows(m_grid);
}

}  // namespace tesselin
