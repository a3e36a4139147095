// flintmoor: the desktop program.

#include "gui/CFlintmoorApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Flintmoor"));
    QApplication::setDesktopFileName(QStringLiteral("flintmoor"));
    QStringList files = QApplication::arguments();
    files.removeFirst();
    return CFlintmoorApp::InitInstance(files);
}
