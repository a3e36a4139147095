#include "gui/CFlintmoorApp.h"

#include "gui/CMainDlg.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

namespace {
// Scripted tests of the real program (xdotool under a virtual X server)
// must know where the controls are: with FLINTMOOR_CONTROL_MAP set, the
// program writes "id x y width height" (screen coordinates) per control.
void WriteControlMap(const CMainDlg& dlg, const QString& path) {
    QFile file(path + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QTextStream out(&file);
    for (const ControlSpec& spec : dlg.GetControls().GetSpecs()) {
        const QWidget* widget = dlg.GetControls().Get(spec.id);
        const QPoint corner = widget->mapToGlobal(QPoint(0, 0));
        out << spec.id << ' ' << corner.x() << ' ' << corner.y() << ' ' << widget->width() << ' '
            << widget->height() << '\n';
    }
    file.close();
    QFile::remove(path);
    file.rename(path);
}
} // namespace

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
    const QString map = qEnvironmentVariable("FLINTMOOR_CONTROL_MAP");
    if (!map.isEmpty())
        QTimer::singleShot(500, &dlg, [&dlg, map] { WriteControlMap(dlg, map); });
    dlg.exec();
    return 0;
}
