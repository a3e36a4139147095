// Navigation speed of the main window: the keypad's "+" pressed 100 times
// in a row, each time measured from the key press until both screens have
// painted the new frame; once idle and once while the oracle runs.
//   bench_navigation LOW.avi FAST.avi

#include "gui/CMainDlg.h"
#include "gui/CPreviewScreen.h"
#include "gui/MainDlgControls.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// Milliseconds per step of `steps` presses of keypad "+".
std::vector<double> StepTimes(CMainDlg& dlg, int steps) {
    std::vector<double> times;
    CPreviewScreen* low = dlg.GetScreen(true);
    CPreviewScreen* fast = dlg.GetScreen(false);
    for (int i = 0; i < steps; ++i) {
        const int target = dlg.GetCurrentFrame() + 1;
        const Clock::time_point start = Clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, QStringLiteral("+"));
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : &dlg, &press);
        QEventLoop loop;
        const auto check = [&] {
            if (low->GetImageFrame() == target && fast->GetImageFrame() == target)
                loop.quit();
        };
        QObject::connect(low, &CPreviewScreen::imageChanged, &loop, check);
        QObject::connect(fast, &CPreviewScreen::imageChanged, &loop, check);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        check();
        if (low->GetImageFrame() != target || fast->GetImageFrame() != target)
            loop.exec();
        low->repaint();
        fast->repaint();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return times;
}

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-22s median %6.2f ms  90%% %6.2f ms  max %6.2f ms  (%zu steps)\n", what,
                times[times.size() / 2], times[times.size() * 9 / 10], times.back(), times.size());
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_navigation LOW.avi FAST.avi\n");
        return 2;
    }
    CMainDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    if (!dlg.LoadMovie(true, argv[1]) || !dlg.LoadMovie(false, argv[2]))
        return 1;
    dlg.MoveTo(0);
    Report("idle", StepTimes(dlg, 100));

    dlg.MoveTo(0);
    dlg.OnAutoCreate();
    if (!dlg.IsBusy()) {
        std::fprintf(stderr, "the oracle did not start\n");
        return 1;
    }
    const std::vector<double> busy = StepTimes(dlg, 100);
    const bool stillBusy = dlg.IsBusy();
    Report("while the oracle runs", busy);
    if (!stillBusy)
        std::printf("(the oracle ended during the steps)\n");
    return 0;
}
