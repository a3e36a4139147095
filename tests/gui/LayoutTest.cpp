// The layout keeper's modes and the main window following a change of size.

#include "GuiTestSupport.h"

#include "gui/CLayoutKeeper.h"
#include "gui/CMainDlg.h"
#include "gui/CPreviewScreen.h"
#include "gui/MainDlgControls.h"

#include <QTest>

class LayoutTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;

private slots:
    void modes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRect>("placed");
        // A 10x20 control at (30, 40) in a 100x100 client area, which grows to 150x130.
        QTest::newRow("0 right and bottom") << 0 << QRect(80, 70, 10, 20);
        QTest::newRow("1 wider, bottom") << 1 << QRect(30, 70, 60, 20);
        QTest::newRow("2 bottom") << 2 << QRect(30, 70, 10, 20);
        QTest::newRow("3 taller") << 3 << QRect(30, 40, 10, 50);
        QTest::newRow("4 bottom") << 4 << QRect(30, 70, 10, 20);
        QTest::newRow("5 both stretched") << 5 << QRect(30, 40, 60, 50);
        QTest::newRow("6 right") << 6 << QRect(80, 40, 10, 20);
        QTest::newRow("7 right, taller") << 7 << QRect(80, 40, 10, 50);
        QTest::newRow("8 taller, ratio") << 8 << QRect(30, 40, 50, 50);
    }
    void modes() {
        QFETCH(int, mode);
        QFETCH(QRect, placed);
        const CLayoutKeeper::Entry entry{nullptr, mode, 30, 40, 60, 40, 10, 20, 1.0};
        QCOMPARE(CLayoutKeeper::Place(entry, 150, 130), placed);
    }

    void theWindowFollowsItsSize() {
        auto dlg = MakeMainDlg(m_dir);
        const QSize start = dlg->size();
        QCOMPARE(dlg->minimumSize(), start);
        const auto geometry = [&](int id) { return dlg->GetControls().Get(id)->geometry(); };
        const QRect reset = geometry(IDC_RESET), list = geometry(IDC_ENCODING_LIST),
                    status = geometry(IDC_STATUS);
        const QRect slider = geometry(IDC_SLIDER), about = geometry(IDC_ABOUT);
        dlg->resize(start + QSize(200, 100));
        QCOMPARE(geometry(IDC_RESET), reset.translated(200, 0));
        QCOMPARE(geometry(IDC_ABOUT), about.translated(200, 100));
        QCOMPARE(geometry(IDC_ENCODING_LIST), list.adjusted(0, 100, 200, 100));
        QCOMPARE(geometry(IDC_SLIDER), slider.adjusted(0, 100, 200, 100));
        QCOMPARE(geometry(IDC_STATUS), status.translated(0, 100));
        const QRect low = dlg->GetScreen(true)->geometry(), fast = dlg->GetScreen(false)->geometry();
        QCOMPARE(low.size(), fast.size());
        QCOMPARE(fast.left() - low.width(), 30); // h - 30 wide, the FAST screen at h
        QCOMPARE(low.bottom() + 1 + 8, geometry(IDC_GROUP_MOVIE).top());
        QCOMPARE(geometry(IDC_FAST_CAPTION).left(), fast.left());
    }
};

FLINTMOOR_GUI_TEST(LayoutTest);
#include "LayoutTest.moc"
