#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "results/frmResults.h"
#include "shell/frmMain.h"
#include "support/GridTables.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "ui/modGlobals.h"

namespace tesselin::testing {

// The three questions of a run as the script records them, with their
// default answers.
inline const std::string kBinsQ = "? Please enter the desired number of bins. [25]";
inline const std::string kMinQ = "? Please enter the minimum period length to search for. [0]";
inline std::string maxQ(const std::string& length) {
    return "? Please enter the maximum period length to search for. [" + length + "]";
}

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The windows as a user drives them, with the boxes answered from a script.
// Each test starts without remembered settings (the test program keeps them
// in a folder of its own).
class WindowTest : public ::testing::Test {
protected:
    WindowTest() : main(globals, dialogs) { main.show(); }
    void SetUp() override { QSettings().clear(); }

    // File > Open of a file chosen with the dialog's filter (1 workbook, 2 text).
    void open(const std::filesystem::path& path, int filterIndex) {
        dialogs.chooseFile(path.string(), filterIndex);
        trigger(main, "mnuOpen");
    }
    // Opens a text file with these bytes and forgets the boxes so far.
    void load(const std::string& bytes) {
        open(dir.write("data.txt", bytes), 2);
        dialogs.clear();
    }
    void answers(std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            dialogs.answerInput(text);
        }
    }
    // The results window over columns 0 and 1, shown without its modal loop;
    // its analysis runs once it is on screen, as in the program.
    std::unique_ptr<frmResults> openResults() {
        auto window =
            std::make_unique<frmResults>(globals, dialogs, main.dataGrid(), ColumnPair{0, 1});
        window->show();
        QCoreApplication::processEvents();
        return window;
    }

    template <typename T>
    static T* control(QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void click(QWidget& window, const char* name) {
        control<QPushButton>(window, name)->click();
    }
    static void trigger(QWidget& window, const char* name) {
        control<QAction>(window, name)->trigger();
    }
    // The text of a text box or a label.
    static std::string text(QWidget& window, const char* name) {
        if (auto* box = window.findChild<QLineEdit*>(QString::fromLatin1(name))) {
            return box->text().toStdString();
        }
        return control<QLabel>(window, name)->text().toStdString();
    }
    // The grid as the user sees it: the captions, then the data rows.
    static Table shownGrid(QWidget& window) {
        const QAbstractItemModel* model = control<QTableView>(window, "MSFlexGrid1")->model();
        Table rows(1);
        for (int c = 0; c < model->columnCount(); ++c) {
            rows[0].push_back(model->headerData(c, Qt::Horizontal).toString().toStdString());
        }
        for (int r = 0; r < model->rowCount(); ++r) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < model->columnCount(); ++c) {
                row.push_back(model->index(r, c).data().toString().toStdString());
            }
        }
        return rows;
    }

    modGlobals globals;
    ScriptedDialogs dialogs;
    TempDir dir;
    frmMain main;
};

}  // namespace tesselin::testing
