// Navigation through a LOW movie with key frames at 0, 25 and 50, the
// enabling of the commands idle and busy, and the previews following.

#include "GuiTestSupport.h"

#include "gui/CMainDlg.h"
#include "gui/CNativeSizeWindow.h"
#include "gui/CPreviewScreen.h"
#include "gui/MainDlgControls.h"
#include "media/CAVIFile.h"

#include <QSlider>
#include <QTest>

class NavigationTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    GuiMovies m_movies;
    std::unique_ptr<CMainDlg> m_dlg;

    void At(int frame) { m_dlg->MoveTo(frame); }
    int Frame() const { return m_dlg->GetCurrentFrame(); }

private slots:
    void initTestCase() { m_movies = MakeGuiMovies(m_dir, 60, 80); }
    void init() {
        m_dlg = MakeMainDlg(m_dir);
        QVERIFY(m_dlg->LoadMovie(true, m_movies.low));
        QVERIFY(m_dlg->LoadMovie(false, m_movies.fast));
    }
    void cleanup() { m_dlg.reset(); }

    void navigationTable_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("to");
        QTest::newRow("prev key from 30") << 30 << int(IDC_PREV_KEY) << 25;
        QTest::newRow("next key from 30") << 30 << int(IDC_NEXT_KEY) << 50;
        QTest::newRow("prev key from a key frame") << 25 << int(IDC_PREV_KEY) << 0;
        QTest::newRow("next key after the last key") << 50 << int(IDC_NEXT_KEY) << 59;
        QTest::newRow("prev on frame 0") << 0 << int(IDC_PREV) << 0;
        QTest::newRow("prev key on frame 0") << 0 << int(IDC_PREV_KEY) << 0;
        QTest::newRow("next on the last frame") << 59 << int(IDC_NEXT) << 59;
        QTest::newRow("next key on the last frame") << 59 << int(IDC_NEXT_KEY) << 59;
        QTest::newRow("next") << 10 << int(IDC_NEXT) << 11;
        QTest::newRow("prev") << 10 << int(IDC_PREV) << 9;
        QTest::newRow("first") << 40 << int(IDC_FIRST) << 0;
        // The FAST movie is longer, but the LOW one bounds the navigation.
        QTest::newRow("last") << 3 << int(IDC_LAST) << 59;
    }
    void navigationTable() {
        QFETCH(int, from);
        QFETCH(int, button);
        QFETCH(int, to);
        At(from);
        ClickControl(*m_dlg, button);
        QCOMPARE(Frame(), to);
        QCOMPARE(m_dlg->GetSlider()->value(), to);
        QCOMPARE(ControlText(*m_dlg, IDC_CURRENT_FRAME), QString::number(to));
    }

    void sliderSpansTheMovieLoadedLastButNextStopsAtLow() {
        QCOMPARE(m_dlg->GetSlider()->maximum(), 79);
        At(59);
        ClickControl(*m_dlg, IDC_NEXT);
        QCOMPARE(Frame(), 59);
    }

    void keypadStepsAnywhereInTheWindow() {
        At(10);
        m_dlg->GetSlider()->setFocus();
        QTest::keyClick(m_dlg->GetSlider(), Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(Frame(), 11);
        QTest::keyClick(m_dlg.get(), Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(Frame(), 10);
    }

    void sliderActsOnRelease() {
        At(5);
        m_dlg->GetSlider()->setValue(33); // the keyboard moves only the slider
        QCOMPARE(Frame(), 5);
        emit m_dlg->GetSlider()->sliderReleased();
        QCOMPARE(Frame(), 33);
    }

    void markingFollowsKeyFramesAndTheLastFrame() {
        const int marks[] = {IDC_SET_START, IDC_SET_END, IDC_ADD_LOW, IDC_ADD_FAST};
        At(37);
        for (int id : marks)
            QVERIFY(!IsEnabled(*m_dlg, id));
        for (int frame : {0, 25, 50, 59}) {
            At(frame);
            for (int id : marks)
                QVERIFY2(IsEnabled(*m_dlg, id), qPrintable(QString("frame %1").arg(frame)));
        }
    }

    void busyDisablesTheCommandsButNotNavigation() {
        At(25);
        QVERIFY(IsEnabled(*m_dlg, IDC_START_CREATING));
        QVERIFY(IsEnabled(*m_dlg, IDC_AUTO_CREATE));
        m_dlg->JobStarted();
        for (int id : {IDC_FULL_CREATION, IDC_SELECT_LOW, IDC_SELECT_FAST, IDC_LOAD_PROJECT, IDC_SAVE_PROJECT,
                       IDC_RESET, IDC_START_CREATING, IDC_AUTO_CREATE, IDC_MERGE, IDC_SET_START, IDC_SET_END,
                       IDC_ADD_LOW, IDC_ADD_FAST, IDC_ENCODING_LIST})
            QVERIFY2(!IsEnabled(*m_dlg, id), qPrintable(QString::number(id)));
        for (int id : {IDC_FIRST, IDC_PREV_KEY, IDC_NEXT_KEY, IDC_LAST, IDC_PREV, IDC_NEXT, IDC_SLIDER,
                       IDC_ABOUT, IDC_OPTIONS, IDC_DATA_BASE, IDC_PRIORITY})
            QVERIFY2(IsEnabled(*m_dlg, id), qPrintable(QString::number(id)));
        ClickControl(*m_dlg, IDC_NEXT_KEY);
        QCOMPARE(Frame(), 50);
        m_dlg->JobFinished();
        QVERIFY(IsEnabled(*m_dlg, IDC_ADD_LOW));
        QVERIFY(IsEnabled(*m_dlg, IDC_ENCODING_LIST));
    }

    void withoutMoviesOnlyTheMovieFreeCommandsAct() {
        m_dlg->Reset();
        QVERIFY(!IsEnabled(*m_dlg, IDC_START_CREATING));
        QVERIFY(!IsEnabled(*m_dlg, IDC_AUTO_CREATE));
        QVERIFY(IsEnabled(*m_dlg, IDC_SELECT_LOW));
        QCOMPARE(m_dlg->GetSlider()->maximum(), 0);
        ClickControl(*m_dlg, IDC_NEXT);
        QCOMPARE(Frame(), 0);
        QVERIFY(!m_dlg->GetScreen(true)->HasMovie());
        QCOMPARE(QString::fromStdString(m_dlg->GetScreen(true)->GetCaption()),
                 QString("Please select your DivX Movie encoded with LOW!!"));
    }

    void previewsShowTheCurrentFrame() {
        At(25);
        QTRY_COMPARE(m_dlg->GetScreen(true)->GetImageFrame(), 25);
        QTRY_COMPARE(m_dlg->GetScreen(false)->GetImageFrame(), 25);
        const QImage& low = m_dlg->GetScreen(true)->GetImage();
        QCOMPARE(low.size(), QSize(64, 48));
        // testsrc is colourful: a decoded frame is not one flat colour.
        QVERIFY(low.pixel(5, 5) != low.pixel(40, 30));
    }

    void aClickedScreenOpensTheNativeSizeView() {
        At(25);
        CPreviewScreen* screen = m_dlg->GetScreen(true);
        QTRY_COMPARE(screen->GetImageFrame(), 25);
        const QPoint corner = screen->mapToGlobal(QPoint(0, 0));
        QTest::mouseClick(screen, Qt::LeftButton);
        CNativeSizeWindow* native = m_dlg->GetNativeWindow(true);
        QVERIFY(native->isVisible());
        QVERIFY(!screen->isVisible());
        QCOMPARE(native->geometry(), QRect(corner, QSize(64, 48)));
        QCOMPARE(native->windowTitle(), QString::fromStdString(m_movies.low));
        QTest::mouseClick(native, Qt::LeftButton);
        QVERIFY(!native->isVisible());
        QVERIFY(screen->isVisible());
    }

    void aMovieThatDoesNotOpenLeavesTheSlotAsItWas() {
        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(m_dir, &boxes);
        QVERIFY(dlg->LoadMovie(true, m_movies.low));
        const std::string bad = m_dir.File("Settings.ini");
        dlg->SetFileChooser([&](const FileDialogRequest&) { return bad; });
        ClickControl(*dlg, IDC_SELECT_LOW);
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0], "Failed to open AVI File: " + bad);
        QCOMPARE(dlg->GetMovie(true).GetPath(), m_movies.low);
        std::string stored;
        QVERIFY(dlg->GetSettingsStore().GetString("Movie Settings", "Low-File", stored));
        QCOMPARE(stored, bad);
    }
};

FLINTMOOR_GUI_TEST(NavigationTest);
#include "NavigationTest.moc"
