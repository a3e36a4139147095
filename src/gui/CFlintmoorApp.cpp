#include "gui/CFlintmoorApp.h"

#include "gui/CMainDlg.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int CFlintmoorApp::InitInstance(const QStringList& files) {
    CMainDlg dlg;
    dlg.setWindowIcon(
        QIcon::fromTheme(QStringLiteral("flintmoor"), QIcon(QStringLiteral(":/flintmoor.png"))));
    dlg.OnInitDialog();
    if (!files.isEmpty()) {
        // After the window is up, so that messages about the files have
        // their window.
        QTimer::singleShot(0, &dlg, [&dlg, files] { dlg.OpenFiles(files); });
    }
    dlg.exec();
    return 0;
}
