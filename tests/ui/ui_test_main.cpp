#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "import/helper/isolated_reader.h"

// Window tests need one QApplication for the whole run. They run headless:
// ctest sets the offscreen platform, and so does this main when the test list
// is read at discovery time, without ctest's environment.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The windows' settings go to a folder of this run, under a name of
    // their own: the tests never read or change the user's settings.
    const QTemporaryDir settings;
    if (!settings.isValid()) {
        return 1;
    }
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        for (const auto scope : {QSettings::UserScope, QSettings::SystemScope}) {
            QSettings::setPath(format, scope, settings.path());
        }
    }
    QApplication::setOrganizationName(QStringLiteral("Tesselin tests"));
    QApplication::setApplicationName(QStringLiteral("Tesselin tests"));
    // Workbooks are read by the real helper program, as in the desktop build.
    tesselin::setWorkbookHelper(TESSELIN_CLI);
    return RUN_ALL_TESTS();
}
