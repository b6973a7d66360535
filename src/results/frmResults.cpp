#include "results/frmResults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>
#include <thread>

#include "analysis/chart_points.h"
#include "analysis/parameters.h"
#include "analysis/results_file.h"
#include "analysis/results_table.h"
#include "common/Failure.h"
#include "common/atomic_file.h"
#include "common/numbers.h"
#include "platform/DataGridModel.h"
#include "platform/ScatterChart.h"
#include "platform/controls.h"
#include "platform/recent_folders.h"
#include "platform/twips.h"
#include "results/results_layout.h"
#include "ui/Dialogs.h"
#include "ui/modConstants.h"
#include "ui/modGlobals.h"
#include "ui/modUtils.h"

namespace tesselin {
namespace {

constexpr std::string_view kSaveFilter = "Text (*.txt)|*.txt";

// The resamples of the bootstrap that Analysis > Error bars asks for.
constexpr unsigned kErrorBarResamples = 100;

// What the results grid's columns must show whole: values take at most 14
// characters (all digits, or a mantissa with a signed exponent); a count of
// pairs, at most ten digits. The value column's caption names the statistic
// of the run, so it is given room for the widest of them.
std::vector<ColumnTexts> resultsColumnTexts(const QFontMetrics& metrics) {
    constexpr std::size_t kValueColumn = 3;
    const std::vector<QString> value = {QStringLiteral("88888888888888"),
                                        QStringLiteral("8.8888888E+888")};
    std::vector<ColumnTexts> columns;
    for (const std::string& caption : kResultsCaptions) {
        columns.push_back({QString::fromStdString(caption), value});
    }
    for (const StatisticNames& names : kStatistics) {
        const QString caption = qText(names.caption);
        if (metrics.horizontalAdvance(caption) >
            metrics.horizontalAdvance(columns[kValueColumn].caption)) {
            columns[kValueColumn].caption = caption;
        }
    }
    columns.back().widestValues = {QStringLiteral("8888888888")};
    return columns;
}

}  // namespace

frmResults::frmResults(modGlobals& globals, Dialogs& dialogs, const DataGrid& dataGrid,
                       ColumnPair columns, QWidget* parent)
    : LaidOutWindow(parent),
      m_globals(globals),
      m_dialogs(dialogs),
      m_dataGrid(dataGrid),
      m_columns(columns) {
    setObjectName(QStringLiteral("frmResults"));
    setWindowTitle(qText(kWindowCaption));

    auto* menuBar = new QMenuBar(this);
    mnuFile = makeMenu(menuBar, "mnuFile", tr("&File"));
    mnuSave = makeMenuItem(mnuFile, "mnuSave", tr("&Save"));
    mnuExit = makeMenuItem(mnuFile, "mnuExit", tr("E&xit"));
    makeAnalysisMenu(menuBar);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setMenuBar(menuBar);
    m_client = new QWidget(this);
    frame->addWidget(m_client);

    DataGrid unfilled;  // until the first run completes
    unfilled.setRows(0);
    unfilled.setCols(0);
    m_model = new DataGridModel(std::move(unfilled), this);
    MSFlexGrid1 = makeGridView(m_client, m_model, kResultsGridColumnWidth);
    // The columns and the font are chosen for the window as it opens without
    // a frame, the narrowest it is at its designed size.
    fitColumnsToWidth(
        MSFlexGrid1, resultsColumnTexts(MSFlexGrid1->fontMetrics()),
        twipsToPixels(resultsWindowLayout(kResultsClientWidth, kResultsClientHeight).grid.width));
    MSChart1 = new ScatterChart(m_dialogs, m_client);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));

    Label1 = makeControl<QLabel>(m_client, "Label1", "Length of data set is:");
    Label2 = makeControl<QLabel>(m_client, "Label2", "First point is located at:");
    Label3 = makeControl<QLabel>(m_client, "Label3", "Last point is located at:");
    Label4 = makeControl<QLabel>(m_client, "Label4", "Number of Bins");
    Label5 = makeControl<QLabel>(m_client, "Label5", "Minimum Period");
    Label6 = makeControl<QLabel>(m_client, "Label6", "Maximum Period");
    Text1 = makeControl<QLineEdit>(m_client, "Text1");
    Text2 = makeControl<QLineEdit>(m_client, "Text2");
    Text3 = makeControl<QLineEdit>(m_client, "Text3");
    for (QLineEdit* box : {Text1, Text2, Text3}) {
        box->setReadOnly(true);
    }
    BinNumberLbl = makeControl<QLabel>(m_client, "BinNumberLbl");
    MinPeriodLbl = makeControl<QLabel>(m_client, "MinPeriodLbl");
    MaxPeriodLbl = makeControl<QLabel>(m_client, "MaxPeriodLbl");
    CmdGraph = makeControl<QPushButton>(m_client, "CmdGraph", "Graph");
    GridBtn = makeControl<QPushButton>(m_client, "GridBtn", "Spreadsheet");
    CmdRestart = makeControl<QPushButton>(m_client, "CmdRestart", "Restart");
    cmdBack = makeControl<QPushButton>(m_client, "cmdBack", "Back");
    ExitCmd = makeControl<QPushButton>(m_client, "ExitCmd", "Exit");
    for (QPushButton* button : {CmdGraph, GridBtn, CmdRestart, cmdBack, ExitCmd}) {
        button->setAutoDefault(false);  // Enter must not press a button by surprise
    }
    GridBtn->hide();
    GridBtn->setEnabled(false);

    connect(mnuSave, &QAction::triggered, this, &frmResults::mnuSave_Click);
    connect(mnuExit, &QAction::triggered, this, &frmResults::ExitCmd_Click);
    connect(ExitCmd, &QPushButton::clicked, this, &frmResults::ExitCmd_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmResults::cmdBack_Click);
    connect(GridBtn, &QPushButton::clicked, this, &frmResults::GridBtn_Click);
    connect(CmdGraph, &QPushButton::clicked, this, &frmResults::CmdGraph_Click);
    connect(CmdRestart, &QPushButton::clicked, this, &frmResults::CmdRestart_Click);

    // The designed client area, below the menu bar; the window manager adds
    // the frame and title bar around it.
    resize(twipsToPixels(kResultsClientWidth),
           twipsToPixels(kResultsClientHeight) + menuBar->sizeHint().height());
    Form_Load();
}

void frmResults::makeAnalysisMenu(QMenuBar* menuBar) {
    mnuAnalysis = makeMenu(menuBar, "mnuAnalysis", tr("&Analysis"));
    auto* statistics = new QActionGroup(mnuAnalysis);
    statistics->setExclusive(true);
    const auto statisticItem = [&](const char* name, const QString& caption) {
        QAction* item = makeMenuItem(mnuAnalysis, name, caption);
        item->setCheckable(true);
        statistics->addAction(item);
        return item;
    };
    mnuStatMeanAbs = statisticItem("mnuStatMeanAbs", tr("Mean &Absolute Difference"));
    mnuStatMeanSquare = statisticItem("mnuStatMeanSquare", tr("Mean &Square Difference"));
    mnuStatRms = statisticItem("mnuStatRms", tr("&RMS Difference"));
    mnuStatSemivariance = statisticItem("mnuStatSemivariance", tr("Semi&variance"));
    mnuStatMeanAbs->setChecked(true);
    mnuAnalysis->addSeparator();
    mnuLogBins = makeMenuItem(mnuAnalysis, "mnuLogBins", tr("&Logarithmic bins"));
    mnuErrorBars = makeMenuItem(mnuAnalysis, "mnuErrorBars",
                                tr("&Error bars (bootstrap %1)").arg(kErrorBarResamples));
    for (QAction* item : {mnuStatMeanAbs, mnuStatMeanSquare, mnuStatRms, mnuStatSemivariance,
                          mnuLogBins, mnuErrorBars}) {
        item->setCheckable(true);
        connect(item, &QAction::toggled, this, &frmResults::mnuAnalysis_Click);
    }
}

void frmResults::showEvent(QShowEvent* event) {
    LaidOutWindow::showEvent(event);
    if (!m_shownOnce) {
        // The run starts once the window is on screen, not on later
        // activations (such as the closing of its own boxes). The window comes
        // to the front first, active, so that the summary shows while the
        // first question is asked: a window manager may otherwise keep the
        // main window, whose button opened this one, on top.
        m_shownOnce = true;
        QTimer::singleShot(0, this, [this] {
            raise();
            activateWindow();
            Form_Activate();
        });
    }
}

void frmResults::Form_Resize() {
    const TwipsSize outer = outerTwips();
    m_layout = resultsWindowLayout(outer.width, outer.height);
    const ResultsLayout& layout = m_layout;
    place(MSChart1, layout.chart);
    place(MSFlexGrid1, layout.grid);
    placeCaption(Label1, layout.Label1);
    placeCaption(Label4, layout.Label4);
    place(CmdGraph, layout.CmdGraph);
    place(GridBtn, layout.GridBtn);
    place(CmdRestart, layout.CmdRestart);
    placeCaption(Label2, layout.Label2);
    placeCaption(Label5, layout.Label5);
    place(cmdBack, layout.cmdBack);
    placeCaption(Label3, layout.Label3);
    placeCaption(Label6, layout.Label6);
    place(ExitCmd, layout.ExitCmd);
    placeValues();
}

void frmResults::placeValues() {
    const ResultsLayout& layout = m_layout;
    placeValue(Text1, layout.Text1, layout.valueBoxRoom);
    placeValue(Text2, layout.Text2, layout.valueBoxRoom);
    placeValue(Text3, layout.Text3, layout.valueBoxRoom);
    placeValue(BinNumberLbl, layout.BinNumberLbl, layout.valueLabelRoom);
    placeValue(MinPeriodLbl, layout.MinPeriodLbl, layout.valueLabelRoom);
    placeValue(MaxPeriodLbl, layout.MaxPeriodLbl, layout.valueLabelRoom);
}

void frmResults::Form_Load() {
    Back = true;
    MSChart1->hide();
    m_data = {};
    ResetAnalysis();
    try {
        m_data = extractDataPoints(m_dataGrid, m_columns.x, m_columns.y);
    } catch (const Failure& failure) {
        ReportError(m_dialogs, failure, {});
        m_data = {};
    }
}

void frmResults::ResetAnalysis() {
    BinNumber = 0;
    MinPeriod = 0;
    MaxPeriod = 0;
    m_data.FirstPoint = kFirstPointStart;
    m_data.LastPoint = kLastPointStart;
    BinNumberLbl->clear();
    MinPeriodLbl->clear();
    MaxPeriodLbl->clear();
    placeValues();
}

void frmResults::Form_Activate() {
    AnalysisRun run = runAnalysis(m_data, *this, m_nextSettings);
    if (run.outcome == RunOutcome::Completed) {
        m_shownScale = run.settings.scale;
        m_shownBars = spreadBars(run.results, run.BinTable, run.spread);
        m_globals.BinTable = std::move(run.BinTable);
        m_globals.resultsTable = std::move(run.results);
        fillResultsGrid();
    }
}

void frmResults::showSummary(double dataLength, double firstPoint, double lastPoint) {
    DataLength = dataLength;
    const std::pair<QLineEdit*, double> shown[] = {
        {Text1, dataLength}, {Text2, firstPoint}, {Text3, lastPoint}};
    for (const auto& [box, value] : shown) {
        // A long number shows its beginning (357.149500000291 must not read
        // as .149500000291); the whole of it is in the tool tip.
        const QString text = QString::fromStdString(numberText(value));
        box->setText(text);
        box->setCursorPosition(0);
        box->setToolTip(text);
    }
    placeValues();
}

void frmResults::message(std::string_view text, std::string_view title) {
    showExclamation(m_dialogs, text, title);
}

std::string frmResults::answer(Parameter, const Question& question,
                               const std::string& defaultText) {
    return m_dialogs.inputBox({.prompt = std::string(question.prompt),
                               .title = std::string(question.title),
                               .defaultText = defaultText});
}

bool frmResults::refuse(Parameter, std::span<const std::string_view> messages) {
    for (const std::string_view message : messages) {
        showExclamation(m_dialogs, message, kAnswerErrorTitle);
    }
    return true;  // the question comes again until its answer is acceptable
}

void frmResults::accept(Parameter parameter, double value) {
    const QString shown = QString::fromStdString(numberText(value));
    switch (parameter) {
        case Parameter::BinNumber:
            BinNumber = value;
            BinNumberLbl->setText(shown);
            break;
        case Parameter::MinPeriod:
            MinPeriod = value;
            MinPeriodLbl->setText(shown);
            break;
        case Parameter::MaxPeriod:
            MaxPeriod = value;
            MaxPeriodLbl->setText(shown);
            break;
    }
    placeValues();
}

void frmResults::compute(Stage, const BinningWork& work) {
    // The largest analysis takes seconds: it runs on worker threads while
    // this thread keeps the windows painted. User input waits, so the run
    // sequence keeps its order.
    std::exception_ptr failure;
    QEventLoop waiting;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        const std::jthread worker([&] {
            try {
                work({});
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        });
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QApplication::restoreOverrideCursor();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void frmResults::fillResultsGrid() {
    const ResultsTable& table = *m_globals.resultsTable;
    m_model->change([&](DataGrid& grid) {
        grid.setRows(static_cast<int>(table.size()));
        grid.setCols(static_cast<int>(kResultsCaptions.size()));
        for (std::size_t r = 0; r < table.size(); ++r) {
            for (std::size_t c = 0; c < table[r].size(); ++c) {
                grid.setTextMatrix(static_cast<int>(r), static_cast<int>(c), table[r][c]);
            }
        }
    });
}

void frmResults::cmdBack_Click() {
    close();
}

void frmResults::ExitCmd_Click() {
    Back = false;
    close();
}

void frmResults::GridBtn_Click() {
    MSChart1->hide();
    MSFlexGrid1->show();
    GridBtn->hide();
    GridBtn->setEnabled(false);
    CmdGraph->show();
    CmdGraph->setEnabled(true);
}

void frmResults::CmdGraph_Click() {
    MSFlexGrid1->hide();
    m_globals.ResultsChartTable = resultsChartTable(m_model->grid());
    MSChart1->setLogarithmicX(m_shownScale == BinScale::Log);
    MSChart1->setPoints(plottedPoints(m_globals.ResultsChartTable), m_shownBars);
    const TwipsSize outer = outerTwips();
    place(MSChart1, resultsChartOnGraph(outer.width, outer.height));
    MSChart1->show();
    GridBtn->show();
    GridBtn->setEnabled(true);
    CmdGraph->hide();
    CmdGraph->setEnabled(false);
}

void frmResults::CmdRestart_Click() {
    ResetAnalysis();
    Form_Load();
    Form_Activate();
}

// The settings are read when the next run starts; the results shown keep
// those they were computed with.
void frmResults::mnuAnalysis_Click() {
    const std::pair<const QAction*, Statistic> statistics[] = {
        {mnuStatMeanAbs, Statistic::MeanAbs},
        {mnuStatMeanSquare, Statistic::MeanSquare},
        {mnuStatRms, Statistic::Rms},
        {mnuStatSemivariance, Statistic::Semivariance}};
    for (const auto& [item, statistic] : statistics) {
        if (item->isChecked()) {
            m_nextSettings.statistic = statistic;
        }
    }
    m_nextSettings.scale = mnuLogBins->isChecked() ? BinScale::Log : BinScale::Linear;
    m_nextSettings.resamples = mnuErrorBars->isChecked() ? kErrorBarResamples : 0;
}

void frmResults::mnuSave_Click() {
    runUnderFailureHandler(m_dialogs, [this] {
        if (!m_globals.resultsTable) {
            throw Failure(FailureNumber::SubscriptOutOfRange,
                          "There are no results to save: no analysis has been completed yet.");
        }
        // The name is used as typed: no extension is added.
        if (const auto path = askSavePath(m_dialogs, {.filter = std::string(kSaveFilter),
                                                      .filterIndex = 1,
                                                      .fileName = {},
                                                      .directory = startFolder(FolderUse::Save)})) {
            rememberFolderOf(FolderUse::Save, *path);
            writeFileAtomically(*path, resultsFileText(*m_globals.resultsTable));
        }
    });
}

}  // namespace tesselin
