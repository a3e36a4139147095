// Building the encoding list by hand: the marks, adding parts, and the
// gestures of the list view (Delete/Backspace, double-click, right-click),
// and the row that follows the current frame.

#include "GuiTestSupport.h"

#include "encoding/CEncodingList.h"
#include "gui/CEncodingListView.h"
#include "gui/CMainDlg.h"
#include "gui/MainDlgControls.h"

#include <QSlider>
#include <QTest>

class ListGesturesTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    GuiMovies m_movies;
    std::unique_ptr<CMainDlg> m_dlg;

    CEncodingList& List() { return m_dlg->GetEncodingList(); }
    CEncodingListView* View() { return m_dlg->GetListView(); }
    QPoint RowCentre(int row) { return View()->visualRect(View()->model()->index(row, 1)).center(); }
    // Parts 0-25 LOW, 25-50 FAST, 50-60 LOW, made with the buttons.
    void AddThreeParts() { AddPartsWithButtons(*m_dlg, {{25, false}, {50, true}, {59, false}}); }

private slots:
    void initTestCase() { m_movies = MakeGuiMovies(m_dir); }
    void init() {
        m_dlg = MakeMainDlg(m_dir);
        QVERIFY(m_dlg->LoadMovie(true, m_movies.low));
        QVERIFY(m_dlg->LoadMovie(false, m_movies.fast));
    }
    void cleanup() { m_dlg.reset(); }

    void buttonsBuildTheList() {
        AddThreeParts();
        QCOMPARE(List().RowCount(), 3);
        QCOMPARE(View()->model()->rowCount(), 3);
        EncodingPart part;
        QVERIFY(List().GetRow(1, part));
        QCOMPARE(part.cells[COLUMN_START], std::string("25"));
        QCOMPARE(part.cells[COLUMN_ENCODING], std::string("Fast Encoding"));
        QVERIFY(List().GetRow(2, part));
        QCOMPARE(part.GetEnd(), 60); // the end set on the last frame includes it
        QCOMPARE(ControlText(*m_dlg, IDC_START_FRAME), QString("60"));
        // Adding again without moving adds nothing.
        ClickControl(*m_dlg, IDC_ADD_LOW);
        QCOMPARE(List().RowCount(), 3);
        QVERIFY(ControlText(*m_dlg, IDC_FINAL_SIZE).endsWith(" KBytes"));
        QVERIFY(ControlText(*m_dlg, IDC_FINAL_SIZE) != QString("0,000 KBytes"));
    }

    void setStartPullsTheEndAlong() {
        m_dlg->MoveTo(50);
        ClickControl(*m_dlg, IDC_SET_START);
        QCOMPARE(ControlText(*m_dlg, IDC_START_FRAME), QString("50"));
        QCOMPARE(ControlText(*m_dlg, IDC_END_FRAME), QString("50"));
        m_dlg->MoveTo(25);
        ClickControl(*m_dlg, IDC_SET_END);
        QCOMPARE(ControlText(*m_dlg, IDC_START_FRAME), QString("25"));
    }

    void deleteAndBackspaceRemoveTheSelectedRow() {
        AddThreeParts();
        View()->SelectRow(1);
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_Delete);
        QCOMPARE(List().RowCount(), 2);
        QCOMPARE(List().GetPartRange(1).start, 50);
        View()->SelectRow(0);
        QTest::keyClick(View(), Qt::Key_Backspace);
        QCOMPARE(List().RowCount(), 1);
        View()->clearSelection();
        QTest::keyClick(View(), Qt::Key_Delete); // nothing selected: nothing deleted
        QCOMPARE(List().RowCount(), 1);
    }

    void doubleClickTakesTheRowBack() {
        AddThreeParts();
        m_dlg->MoveTo(3);
        View()->SelectRow(1);
        QTest::mouseDClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(1));
        QCOMPARE(m_dlg->GetCurrentFrame(), 25);
        QCOMPARE(m_dlg->GetSlider()->value(), 25);
        QCOMPARE(ControlText(*m_dlg, IDC_START_FRAME), QString("25"));
        QCOMPARE(ControlText(*m_dlg, IDC_END_FRAME), QString("50"));
    }

    void rightClickTogglesTheEncodingAndBack() {
        AddThreeParts();
        EncodingPart before, part;
        QVERIFY(List().GetRow(0, before));
        QTest::mouseClick(View()->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(0));
        QVERIFY(List().GetRow(0, part));
        QCOMPARE(part.cells[COLUMN_ENCODING], std::string("Fast Encoding"));
        // Measured in the FAST movie: a lower quality, fewer bytes.
        QVERIFY(part.cells[COLUMN_VIDEO_SIZE] != before.cells[COLUMN_VIDEO_SIZE]);
        QTest::mouseClick(View()->viewport(), Qt::RightButton, Qt::NoModifier, RowCentre(0));
        QVERIFY(List().GetRow(0, part));
        QCOMPARE(part, before);
    }

    void movingSelectsTheRowOfTheFrame() {
        AddThreeParts();
        m_dlg->MoveTo(50); // ends one row and starts the next: the upper one
        QCOMPARE(View()->SelectedRow(), 1);
        m_dlg->MoveTo(55);
        QCOMPARE(View()->SelectedRow(), 2);
        m_dlg->MoveTo(3);
        QCOMPARE(View()->SelectedRow(), 0);
    }
};

FLINTMOOR_GUI_TEST(ListGesturesTest);
#include "ListGesturesTest.moc"
