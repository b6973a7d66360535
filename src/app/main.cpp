#include <QApplication>

#include "platform/QtDialogs.h"
#include "shell/frmMain.h"
#include "ui/modGlobals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesselin"));

    tesselin::modGlobals globals;
    tesselin::QtDialogs dialogs;
    tesselin::frmMain mainWindow(globals, dialogs);
    mainWindow.show();
    return QApplication::exec();
}
