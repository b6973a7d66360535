#include <QApplication>

#include "platform/QtDialogs.h"
#include "shell/frmMain.h"
#include "ui/modGlobals.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The settings (the folders the file dialogs start in) are kept in
    // ~/.config/Tesselin/Tesselin.conf.
    QApplication::setOrganizationName(QStringLiteral("Tesselin"));
    QApplication::setApplicationName(QStringLiteral("Tesselin"));

    tesselin::modGlobals globals;
    tesselin::QtDialogs dialogs;
    tesselin::frmMain mainWindow(globals, dialogs);
    mainWindow.show();
    return QApplication::exec();
}
