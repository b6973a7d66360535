#include <gtest/gtest.h>

#include <QApplication>

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
    // Workbooks are read by the real helper program, as in the desktop build.
    tesselin::setWorkbookHelper(TESSELIN_CLI);
    return RUN_ALL_TESTS();
}
