// Projects: saving and loading round trips, rows of a movie that cannot be
// opened, a project written by the command line's oracle, one saved here
// and assembled by the command line, and files given on the command line or
// dropped on the window.

#include "GuiTestSupport.h"

#include "creation/COracleStart.h"
#include "encoding/CEncodingList.h"
#include "gui/CMainDlg.h"
#include "gui/CPreviewScreen.h"
#include "gui/MainDlgControls.h"
#include "media/CAVIFile.h"
#include "settings/CIniFile.h"
#include "support/Ffprobe.h"

#include <QApplication>
#include <QMimeData>
#include <QSlider>
#include <QTest>
#include <QUrl>

#include <map>

namespace {
// Every key of every section: the order of lines does not matter.
std::map<std::string, std::string> KeysOf(const std::string& path) {
    CIniFile file;
    std::map<std::string, std::string> keys;
    if (!file.Load(path))
        return keys;
    file.ForEachSection([&](const std::string& section, const CIniFile::CKeyMap& map) {
        map.ForEach(
            [&](const std::string& key, const std::string& value) { keys[section + "/" + key] = value; });
    });
    return keys;
}
} // namespace

class ProjectTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    GuiMovies m_movies;
    std::vector<std::string> m_boxes;
    std::unique_ptr<CMainDlg> m_dlg;

    void UseFile(const std::string& path) {
        m_dlg->SetFileChooser([path](const FileDialogRequest&) { return path; });
    }
    void BuildProject() {
        m_dlg->OpenFiles({QString::fromStdString(m_movies.low), QString::fromStdString(m_movies.fast)});
        AddPartsWithButtons(*m_dlg, {{25, true}, {59, false}});
        m_dlg->MoveTo(50);
    }

private slots:
    void initTestCase() { m_movies = MakeGuiMovies(m_dir); }
    void init() {
        m_boxes.clear();
        m_dlg = MakeMainDlg(m_dir, &m_boxes);
    }
    void cleanup() { m_dlg.reset(); }

    void saveThenLoadGivesTheSameProject() {
        BuildProject();
        const std::string first = m_dir.File("first.ini");
        UseFile(first);
        ClickControl(*m_dlg, IDC_SAVE_PROJECT);
        m_dlg->Reset();
        ClickControl(*m_dlg, IDC_LOAD_PROJECT);
        QVERIFY(m_dlg->GetMovie(true).IsOpen());
        QVERIFY(m_dlg->GetMovie(false).IsOpen());
        QCOMPARE(m_dlg->GetSlider()->value(), 50);
        QCOMPARE(m_dlg->GetCurrentFrame(), 50);
        QCOMPARE(m_dlg->GetEncodingList().RowCount(), 2);
        QVERIFY(m_boxes.empty());
        const std::string second = m_dir.File("second.ini");
        UseFile(second);
        ClickControl(*m_dlg, IDC_SAVE_PROJECT);
        const auto keys = KeysOf(first);
        QCOMPARE(keys.at("Movie Settings/Codec0"), std::string("FAST"));
        QCOMPARE(keys.at("Movie Settings/EndFrame1"), std::string("60"));
        QVERIFY(keys == KeysOf(second));
    }

    void rowsOfAMovieThatCannotBeOpenedAreKept() {
        BuildProject();
        const std::string saved = m_dir.File("kept.ini");
        QVERIFY(COracleStart::SaveProject(m_dlg->GetSettingsStore(), m_dlg->GetEncodingList(), saved));
        CIniFile edited;
        QVERIFY(edited.Load(saved));
        const std::string missing = m_dir.File("gone_fast.avi");
        edited.SetString("Movie Settings", "Fast-File", missing);
        QVERIFY(edited.Save(saved));
        m_dlg->OpenFiles({QString::fromStdString(saved)});
        QCOMPARE(m_boxes, std::vector<std::string>{"Failed to open AVI File: " + missing});
        QCOMPARE(m_dlg->GetEncodingList().RowCount(), 2);
        const std::string again = m_dir.File("kept_again.ini");
        UseFile(again);
        ClickControl(*m_dlg, IDC_SAVE_PROJECT);
        QVERIFY(KeysOf(saved) == KeysOf(again));
    }

    void aMissingProjectLeavesTheWindowReset() {
        BuildProject();
        m_dlg->OpenFiles({QString::fromStdString(m_dir.File("nothing.ini"))});
        QVERIFY(!m_dlg->GetMovie(true).IsOpen());
        QCOMPARE(m_dlg->GetEncodingList().RowCount(), 0);
        QVERIFY(m_boxes.empty());
    }

    void aProjectOfTheCommandLineOracleLoads() {
        const std::string project = m_dir.File("oracle.ini");
        const CommandResult run =
            RunCli({"oracle", "--low", m_movies.low, "--fast", m_movies.fast, "--project", project});
        QVERIFY2(run.exitCode == 0, run.err.c_str());
        const auto keys = KeysOf(project);
        int rows = 0;
        while (keys.count("Movie Settings/StartFrame" + std::to_string(rows)))
            ++rows;
        QVERIFY(rows > 0);
        m_dlg->OpenFiles({QString::fromStdString(project)});
        QCOMPARE(m_dlg->GetEncodingList().RowCount(), rows);
        QCOMPARE(m_dlg->GetMovie(true).GetPath(), m_movies.low);
    }

    void aProjectSavedHereAssemblesOnTheCommandLine() {
        BuildProject();
        const std::string project = m_dir.File("assemble.ini");
        UseFile(project);
        ClickControl(*m_dlg, IDC_SAVE_PROJECT);
        const std::string output = m_dir.File("final.avi");
        const CommandResult run = RunCli({"assemble", "--project", project, "--output", output});
        QVERIFY2(run.exitCode == 0, run.err.c_str());
        QCOMPARE(ProbePackets(output, "v:0").size(), size_t(60));
        QVERIFY(FfmpegDecodeErrors(output).empty());
    }

    void filesDroppedOnAScreenGoToItsSlot() {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_movies.fast))});
        CPreviewScreen* screen = m_dlg->GetScreen(false);
        // As a drag arrives: entering first, then the drop.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(screen, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(screen, &drop);
        QVERIFY(m_dlg->GetMovie(false).IsOpen());
        QVERIFY(!m_dlg->GetMovie(true).IsOpen());
        std::string stored;
        QVERIFY(m_dlg->GetSettingsStore().GetString("Movie Settings", "Fast-File", stored));
        QCOMPARE(stored, m_movies.fast);
    }
};

FLINTMOOR_GUI_TEST(ProjectTest);
#include "ProjectTest.moc"
