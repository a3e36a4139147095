// Jobs started from the window: the assembly's and the oracle's progress
// reaching the bar, the percent text, the status line and the time fields;
// the host's message boxes and the wait box.

#include "GuiTestSupport.h"

#include "encoding/CEncodingList.h"
#include "gui/CAbortDlg.h"
#include "gui/CEncodingListView.h"
#include "gui/CMainDlg.h"
#include "gui/CQtHost.h"
#include "gui/MainDlgControls.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include <QComboBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

class JobDisplayTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    GuiMovies m_movies;

    std::unique_ptr<CMainDlg> LoadedDlg(std::vector<std::string>* boxes) {
        auto dlg = MakeMainDlg(m_dir, boxes);
        dlg->OpenFiles({QString::fromStdString(m_movies.low), QString::fromStdString(m_movies.fast)});
        return dlg;
    }
    // Clicks "Auto Create Encoding List" and starts the oracle from its
    // dialog without the source movie.
    static void StartOracle(CMainDlg& dlg) {
        QTimer::singleShot(0, &dlg, [&dlg] {
            CAutoCreateDlg& options = dlg.GetAutoCreate();
            QTest::mouseClick(options.GetControl(CAutoCreateDlg::IDC_USE_SOURCE), Qt::LeftButton);
            QTest::mouseClick(options.GetControl(CAutoCreateDlg::IDC_START), Qt::LeftButton);
        });
        ClickControl(dlg, IDC_AUTO_CREATE);
    }
    static QProgressBar* Bar(CMainDlg& dlg) {
        return static_cast<QProgressBar*>(dlg.GetControls().Get(IDC_PROGRESS));
    }

private slots:
    void initTestCase() { m_movies = MakeGuiMovies(m_dir, 100, 100); }

    void theAssemblysProgressReachesBarAndTimeFields() {
        std::vector<std::string> boxes;
        auto dlg = LoadedDlg(&boxes);
        AddPartsWithButtons(*dlg, {{50, true}, {99, false}});
        const std::string output = m_dir.File("final.avi");
        dlg->SetFileChooser([&](const FileDialogRequest& request) {
            return request.save && request.overwritePrompt ? output : std::string();
        });
        ClickControl(*dlg, IDC_START_CREATING);
        QVERIFY(dlg->IsBusy());
        QVERIFY(!IsEnabled(*dlg, IDC_ENCODING_LIST));
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 30000);
        QVERIFY(boxes.empty());
        QCOMPARE(Bar(*dlg)->maximum(), 1000);
        QCOMPARE(Bar(*dlg)->value(), 1000);
        QCOMPARE(ControlText(*dlg, IDC_PERCENT), QString("100 %"));
        QCOMPARE(ControlText(*dlg, IDC_STATUS), QString("Writing Sucessfull!"));
        // The timer stopped: no time left. (So short a job may end before the
        // timer's first tick shows the elapsed time.)
        QTRY_COMPARE(ControlText(*dlg, IDC_REMAINING_TIME), QString("00:00:00"));
        QVERIFY(IsEnabled(*dlg, IDC_START_CREATING));
        QCOMPARE(ProbePackets(output, "v:0").size(), size_t(100));
    }

    void pauseHoldsTheJobUntilAnotherPriorityIsChosen() {
        auto dlg = LoadedDlg(nullptr);
        AddPartsWithButtons(*dlg, {{99, false}});
        auto* priority = static_cast<QComboBox*>(dlg->GetControls().Get(IDC_PRIORITY));
        const auto choose = [&](const QString& entry) {
            const int index = priority->findText(entry);
            priority->setCurrentIndex(index);
            emit priority->activated(index);
        };
        choose("Pause");
        dlg->SetFileChooser([&](const FileDialogRequest&) { return m_dir.File("paused.avi"); });
        ClickControl(*dlg, IDC_START_CREATING);
        QTest::qWait(300);
        QVERIFY(dlg->IsBusy());
        choose("Pause"); // again: still paused
        QTest::qWait(100);
        QVERIFY(dlg->IsBusy());
        choose("Normal");
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 30000);
        QCOMPARE(ControlText(*dlg, IDC_STATUS), QString("Writing Sucessfull!"));
    }

    void theOracleFillsTheListFromTheWorker() {
        std::vector<std::string> boxes;
        auto dlg = LoadedDlg(&boxes);
        StartOracle(*dlg);
        QVERIFY(dlg->IsBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 60000);
        QVERIFY(boxes.empty());
        QVERIFY(dlg->GetEncodingList().RowCount() > 0);
        QCOMPARE(dlg->GetListView()->model()->rowCount(), dlg->GetEncodingList().RowCount());
        QCOMPARE(Bar(*dlg)->value(), Bar(*dlg)->maximum());
        QCOMPARE(ControlText(*dlg, IDC_STATUS), QString("Waiting!"));
        const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d$");
        QTRY_VERIFY(time.match(ControlText(*dlg, IDC_CURRENT_TIME)).hasMatch());
        QTRY_COMPARE(ControlText(*dlg, IDC_REMAINING_TIME), QString("00:00:00"));
        std::string oracleFile;
        QVERIFY(dlg->GetSettingsStore().GetString("Movie Settings", "Oracle-File", oracleFile));
    }

    void closingTheWindowStopsARunningJobFirst() {
        CTempDir dir;
        fmtest::FfmpegMovie spec;
        spec.frames = 1500;
        spec.size = "320x240";
        QVERIFY(MakeTestMovie(dir.File("low.avi"), spec));
        spec.quality = 12;
        QVERIFY(MakeTestMovie(dir.File("fast.avi"), spec));
        auto dlg = MakeMainDlg(dir);
        dlg->OpenFiles(
            {QString::fromStdString(dir.File("low.avi")), QString::fromStdString(dir.File("fast.avi"))});
        StartOracle(*dlg);
        QTRY_VERIFY(ControlText(*dlg, IDC_STATUS).startsWith("Asking Oracle"));
        const auto start = std::chrono::steady_clock::now();
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
        // Stopped at its next frame, not run to its end.
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
        QVERIFY(!dlg->GetJobs().GetWorker().GetFile(CWorker::FILE_LOW).IsOpen());
        std::string oracleFile;
        QVERIFY(dlg->GetSettingsStore().GetString("Movie Settings", "Oracle-File", oracleFile));
        QVERIFY(!std::filesystem::exists(oracleFile)); // a stopped run leaves none
    }

    void aMessageBoxBlocksOnlyTheWorkerUntilAnswered() {
        CQtHost host;
        std::atomic<bool> shownOnUiThread{false};
        host.SetBoxPresenter([&](const QString& text, const QString&, EMessageButtons buttons, EMessageKind) {
            shownOnUiThread = QThread::currentThread() == qApp->thread() && text == "Go on?" &&
                              buttons == EMessageButtons::YesNo;
            return IDYES;
        });
        std::atomic<int> answer{0};
        std::thread worker(
            [&] { answer = host.MessageBox("Go on?", "", EMessageButtons::YesNo, EMessageKind::Question); });
        QTRY_COMPARE(answer.load(), int(IDYES));
        worker.join();
        QVERIFY(shownOnUiThread);
    }

    void aBoxNobodyCanAnswerAnymoreLetsTheWorkerGoOn() {
        CQtHost host;
        host.SetBoxPresenter(
            [](const QString&, const QString&, EMessageButtons, EMessageKind) { return IDYES; });
        std::atomic<int> answer{0};
        std::thread worker(
            [&] { answer = host.MessageBox("Go on?", "", EMessageButtons::YesNo, EMessageKind::Question); });
        host.Shutdown(); // the program ends before the UI thread looked at the box
        worker.join();
        QCOMPARE(answer.load(), int(IDNO));
    }

    void theWaitBoxKeepsAnEndThatCameFirst() {
        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(m_dir, &boxes);
        std::thread job([&] { dlg->GetHost().EndWaitBox(0); });
        job.join();
        QTRY_VERIFY(dlg->GetAbortDlg().HasPendingResult());
        QCOMPARE(dlg->GetAbortDlg().ShowModal(), 0);
        // Shown first, ended by a job later.
        std::thread late([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            dlg->GetHost().EndWaitBox(0);
        });
        QCOMPARE(dlg->GetAbortDlg().ShowModal(), 0);
        late.join();
    }

    void escapeInTheWaitBoxAbortsOnlyWhenConfirmed() {
        auto dlg = MakeMainDlg(m_dir);
        CAbortDlg& box = dlg->GetAbortDlg();
        int asked = 0;
        box.m_confirmAbort = [&] { return ++asked == 2; };
        QTimer::singleShot(0, &box, [&] {
            QTest::keyClick(&box, Qt::Key_Escape); // cancelled: the box stays
            QVERIFY(box.isVisible());
            QTest::keyClick(&box, Qt::Key_Escape);
        });
        QCOMPARE(box.ShowModal(), int(CAbortDlg::RESULT_ABORT));
        QCOMPARE(asked, 2);
    }
};

FLINTMOOR_GUI_TEST(JobDisplayTest);
#include "JobDisplayTest.moc"
