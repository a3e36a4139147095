// The Merge AVIs dialog and command: the list kept in the order chosen and
// rearranged by buttons and keys, Check AVI, and the merge job started
// from the main window.

#include "GuiTestSupport.h"

#include "gui/CMainDlg.h"
#include "gui/CMergeAvisDlg.h"
#include "gui/MainDlgControls.h"
#include "support/Ffprobe.h"

#include <QCheckBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
void Click(CMergeAvisDlg& dlg, int id) {
    QTest::mouseClick(dlg.GetControl(id), Qt::LeftButton);
}
void Select(CMergeAvisDlg& dlg, int row) {
    dlg.GetList()->setCurrentItem(dlg.GetList()->topLevelItem(row));
}
QStringList Rows(std::initializer_list<const char*> names) {
    QStringList rows;
    for (const char* name : names)
        rows << QString::fromUtf8(name);
    return rows;
}
} // namespace

class MergeAvisDlgTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    GuiMovies m_movies;

    // A dialog opened from a main window with rows a, b, c, d.
    static CMergeAvisDlg& Filled(CMainDlg& dlg) {
        CMergeAvisDlg& merge = dlg.GetMergeAvis();
        merge.OnInitDialog(dlg.GetLanguage());
        merge.SetFilesChooser([] { return Rows({"/m/a.avi", "/m/b.avi", "/m/c.avi", "/m/d.avi"}); });
        Click(merge, CMergeAvisDlg::IDC_SELECT_FILES);
        return merge;
    }

private slots:
    void initTestCase() { m_movies = MakeGuiMovies(m_dir, 50, 75); }

    void everyOpeningStartsEmptyWithTheBoxTicked() {
        auto dlg = MakeMainDlg(m_dir);
        CMergeAvisDlg& merge = Filled(*dlg);
        QCOMPARE(merge.windowTitle(), QString("Merge different AVIs together"));
        QCOMPARE(merge.GetList()->headerItem()->text(0), QString("File Name"));
        QCOMPARE(merge.GetList()->columnWidth(0), 400);
        auto* sync = static_cast<QCheckBox*>(merge.GetControl(CMergeAvisDlg::IDC_SYNC));
        QCOMPARE(sync->text(), QString("Try synchronizing Audio Stream if needed"));
        Click(merge, CMergeAvisDlg::IDC_SYNC);
        QVERIFY(!merge.syncAudio);
        merge.OnInitDialog(dlg->GetLanguage());
        QVERIFY(sync->isChecked());
        QVERIFY(merge.syncAudio);
        QCOMPARE(merge.GetList()->topLevelItemCount(), 0);
    }

    void filesKeepTheChosenOrderWithSingleSeparators() {
        auto dlg = MakeMainDlg(m_dir);
        CMergeAvisDlg& merge = Filled(*dlg);
        merge.SetFilesChooser([] { return Rows({"/clips//z.avi", "/clips///y.avi"}); });
        Click(merge, CMergeAvisDlg::IDC_SELECT_FILES);
        merge.SetFilesChooser([] { return QStringList(); }); // Cancel adds nothing
        Click(merge, CMergeAvisDlg::IDC_SELECT_FILES);
        QCOMPARE(merge.GetRows(),
                 Rows({"/m/a.avi", "/m/b.avi", "/m/c.avi", "/m/d.avi", "/clips/z.avi", "/clips/y.avi"}));
    }

    void buttonsMoveTheSelectedFile() {
        auto dlg = MakeMainDlg(m_dir);
        CMergeAvisDlg& merge = Filled(*dlg);
        Click(merge, CMergeAvisDlg::IDC_DOWN); // nothing selected: nothing moves
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/b.avi", "/m/c.avi", "/m/d.avi"}));
        Select(merge, 0);
        Click(merge, CMergeAvisDlg::IDC_UP); // the top row stays
        Click(merge, CMergeAvisDlg::IDC_FIRST);
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/b.avi", "/m/c.avi", "/m/d.avi"}));
        Click(merge, CMergeAvisDlg::IDC_DOWN);
        QCOMPARE(merge.GetRows(), Rows({"/m/b.avi", "/m/a.avi", "/m/c.avi", "/m/d.avi"}));
        Click(merge, CMergeAvisDlg::IDC_LAST); // the selection went with the file
        QCOMPARE(merge.GetRows(), Rows({"/m/b.avi", "/m/c.avi", "/m/d.avi", "/m/a.avi"}));
        Click(merge, CMergeAvisDlg::IDC_DOWN);
        Click(merge, CMergeAvisDlg::IDC_UP);
        QCOMPARE(merge.GetRows(), Rows({"/m/b.avi", "/m/c.avi", "/m/a.avi", "/m/d.avi"}));
        Click(merge, CMergeAvisDlg::IDC_FIRST);
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/b.avi", "/m/c.avi", "/m/d.avi"}));
        QCOMPARE(merge.GetList()->selectedItems().size(), 1);
        QCOMPARE(merge.GetList()->selectedItems().first()->text(0), QString("/m/a.avi"));
    }

    void keysMoveAndDeleteTheSelectedFile() {
        auto dlg = MakeMainDlg(m_dir);
        CMergeAvisDlg& merge = Filled(*dlg);
        QTreeWidget* list = merge.GetList();
        Select(merge, 1);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/c.avi", "/m/b.avi", "/m/d.avi"}));
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/c.avi", "/m/d.avi", "/m/b.avi"}));
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(merge.GetRows(), Rows({"/m/b.avi", "/m/a.avi", "/m/c.avi", "/m/d.avi"}));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/c.avi", "/m/d.avi"}));
        Select(merge, 2);
        QTest::keyClick(list, Qt::Key_Backspace);
        QCOMPARE(merge.GetRows(), Rows({"/m/a.avi", "/m/c.avi"}));
    }

    void checkAviAndHelpTellWhatTheyKnow() {
        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(m_dir, &boxes);
        CMergeAvisDlg& merge = dlg->GetMergeAvis();
        merge.OnInitDialog(dlg->GetLanguage());
        Click(merge, CMergeAvisDlg::IDC_CHECK_AVI); // nothing selected
        merge.AddFile(QString::fromStdString(m_dir.File("missing.avi")));
        merge.AddFile(QString::fromStdString(m_movies.fast));
        Select(merge, 0);
        Click(merge, CMergeAvisDlg::IDC_CHECK_AVI); // does not open: silent
        QVERIFY(boxes.empty());
        Select(merge, 1);
        Click(merge, CMergeAvisDlg::IDC_CHECK_AVI);
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0],
                 "Check for " + m_movies.fast + "\r\n\r\nVideo Length: 3000 msec\r\nAudio Length: 3000 msec");
        Click(merge, CMergeAvisDlg::IDC_HELP);
        QCOMPARE(boxes.size(), size_t(2));
        QVERIFY(boxes[1].starts_with("Select Files: You can select different AVIs"));
        QVERIFY(boxes[1].find("activate this option. Flintmoor checks") != std::string::npos);
    }

    void mergeJoinsTheListedMoviesInOrder() {
        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(m_dir, &boxes);
        const std::string output = m_dir.File("merged.avi");
        int asked = 0;
        dlg->SetFileChooser([&](const FileDialogRequest& request) {
            ++asked;
            return request.save && request.overwritePrompt ? output : std::string();
        });
        QTimer::singleShot(0, dlg.get(), [&] {
            CMergeAvisDlg& merge = dlg->GetMergeAvis();
            merge.SetFilesChooser([&] {
                return QStringList{QString::fromStdString(m_movies.low),
                                   QString::fromStdString(m_movies.fast)};
            });
            Click(merge, CMergeAvisDlg::IDC_SELECT_FILES);
            Select(merge, 1);
            Click(merge, CMergeAvisDlg::IDC_FIRST); // FAST first
            Click(merge, CMergeAvisDlg::IDC_START);
        });
        ClickControl(*dlg, IDC_MERGE);
        QCOMPARE(asked, 1);
        QVERIFY(dlg->IsBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 30000);
        QVERIFY2(boxes.empty(), boxes.empty() ? "" : boxes[0].c_str());
        QCOMPARE(ControlText(*dlg, IDC_STATUS), QString("Writing Sucessfull!"));
        QCOMPARE(ControlText(*dlg, IDC_PERCENT), QString("100 %"));
        const std::vector<ProbePacket> packets = ProbePackets(output, "v:0");
        QCOMPARE(packets.size(), size_t(125));

        // An empty list asks for no output and merges nothing.
        QTimer::singleShot(0, dlg.get(), [&] { Click(dlg->GetMergeAvis(), CMergeAvisDlg::IDC_START); });
        ClickControl(*dlg, IDC_MERGE);
        QCOMPARE(asked, 1);
        QVERIFY(!dlg->IsBusy());

        // The output may not be one of the inputs.
        dlg->SetFileChooser([&](const FileDialogRequest&) { return m_movies.low; });
        QTimer::singleShot(0, dlg.get(), [&] {
            CMergeAvisDlg& merge = dlg->GetMergeAvis();
            merge.SetFilesChooser([&] { return QStringList{QString::fromStdString(m_movies.low)}; });
            Click(merge, CMergeAvisDlg::IDC_SELECT_FILES);
            Click(merge, CMergeAvisDlg::IDC_START);
        });
        ClickControl(*dlg, IDC_MERGE);
        QVERIFY(!dlg->IsBusy());
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(boxes[0].find("is one of the inputs") != std::string::npos);
        QCOMPARE(ProbePackets(m_movies.low, "v:0").size(), size_t(50));
    }
};

FLINTMOOR_GUI_TEST(MergeAvisDlgTest);
#include "MergeAvisDlgTest.moc"
