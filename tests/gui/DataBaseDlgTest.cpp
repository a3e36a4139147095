// The data base dialog: which commands it offers as the original movie and
// the compressors are set, the warning before an imported configuration is
// changed, the temp folder, imports of damaged or hostile data bases, and a
// movie created from an exported data base.

#include "GuiTestSupport.h"

#include "database/CMovieDataBase.h"
#include "encoding/CEncodingList.h"
#include "gui/CAbortDlg.h"
#include "gui/CDataBaseCommand.h"
#include "gui/CDataBaseDlg.h"
#include "gui/CFullCreationDlg.h"
#include "gui/CMainDlg.h"
#include "gui/MainDlgControls.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CodecOptions.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

namespace {
CodecOptions Settings(const std::string& text) {
    CodecOptions options;
    std::string error;
    if (!CCompressorRegistry::ParseSettings(text, options, &error))
        throw std::runtime_error(error);
    return options;
}

// The full creation dialog's records, with a compressor choice that answers
// as the test says, without a window.
struct Records {
    CFullCreationDlg owner;
    bool confirm = true;
    int choices = 0;

    CodecOptions& Low() { return owner.GetLowOptions(); }
    CodecOptions& Fast() { return owner.GetFastOptions(); }
    bool LowSet() const { return owner.IsConfigured(false); }
    bool FastSet() const { return owner.IsConfigured(true); }
    void SetBoth(const char* low, const char* fast) {
        Low() = Settings(low);
        Fast() = Settings(fast);
        owner.SetConfigured(false, true);
        owner.SetConfigured(true, true);
        owner.ClearFirstOpening();
    }
    bool Choose(CodecOptions& record, FOURCC proposed) {
        ++choices;
        if (confirm)
            record = Settings(proposed == MakeFourCC('D', 'I', 'V', '3') ? "DIV3" : "DIV4");
        return confirm;
    }
};

struct Box {
    std::string text;
    std::string caption;
    EMessageButtons buttons;
};
} // namespace

class DataBaseDlgTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    std::string m_source;
    std::unique_ptr<CMainDlg> m_pMain;
    std::vector<Box> m_boxes;
    int m_nAnswer = IDYES;
    std::string m_strChosen;

    std::unique_ptr<CDataBaseDlg> MakeDlg(Records& records) {
        auto dlg = std::make_unique<CDataBaseDlg>(m_pMain->GetHost(), records.owner,
                                                  m_pMain->GetEncodingList(), m_pMain.get());
        dlg->SetFileChooser([this](const FileDialogRequest&) { return m_strChosen; });
        dlg->SetCodecChooser([&records](const std::string&, CodecOptions& record, FOURCC proposed) {
            return records.Choose(record, proposed);
        });
        dlg->Prepare(m_pMain->GetLanguage());
        return dlg;
    }
    static bool Enabled(const CDataBaseDlg& dlg, int id) { return dlg.GetControl(id)->isEnabled(); }
    static QString Text(const CDataBaseDlg& dlg, int id) {
        if (auto* field = qobject_cast<QLineEdit*>(dlg.GetControl(id)))
            return field->text();
        return static_cast<QLabel*>(dlg.GetControl(id))->text();
    }
    static void TypeMovie(CDataBaseDlg& dlg, const std::string& path) {
        auto* field = static_cast<QLineEdit*>(dlg.GetControl(CDataBaseDlg::IDC_ORIGINAL_MOVIE));
        field->clear();
        QTest::keyClicks(field, QString::fromStdString(path));
    }
    // The rows of the list that the data bases here are exported from.
    void FillList() {
        CEncodingList& list = m_pMain->GetEncodingList();
        list.Clear();
        list.WriteRow(EPartEncoding::Low, 0, 25, 60, 0, 0, 0, 1000);
        list.WriteRow(EPartEncoding::Fast, 25, 50, 60, 0, 0, 1000, 2000);
        list.WriteRow(EPartEncoding::Low, 50, 60, 60, 0, 0, 2000, 2400);
    }
    std::string Export(CDataBaseDlg& dlg, const std::string& name) {
        m_strChosen = m_dir.File(name);
        dlg.OnExport();
        return m_strChosen;
    }
    // A data base exported with both compressors set, by another user.
    std::string SharedDataBase(const char* name, Records& exporter) {
        exporter.SetBoth("DIV3:bitrate=300", "DIV4:bitrate=200");
        auto dlg = MakeDlg(exporter);
        TypeMovie(*dlg, m_source);
        return Export(*dlg, name);
    }
    // A fresh dialog over `importer` that has imported `path`.
    std::unique_ptr<CDataBaseDlg> Imported(Records& importer, const std::string& path) {
        auto dlg = MakeDlg(importer);
        TypeMovie(*dlg, m_source);
        m_strChosen = path;
        dlg->OnImport();
        return dlg;
    }
    void WriteText(const std::string& name, const std::string& text) {
        std::ofstream(m_dir.File(name), std::ios::binary) << text;
    }

private slots:
    void initTestCase() {
        fmtest::FfmpegMovie spec;
        spec.frames = 60;
        spec.audio = "pcm";
        m_source = m_dir.File("source.avi");
        std::string error;
        QVERIFY2(MakeTestMovie(m_source, spec, &error), error.c_str());
        m_pMain = MakeMainDlg(m_dir);
        m_pMain->GetHost().SetBoxPresenter(
            [this](const QString& text, const QString& caption, EMessageButtons buttons, EMessageKind) {
                m_boxes.push_back({text.toStdString(), caption.toStdString(), buttons});
                return buttons == EMessageButtons::Ok ? IDOK : m_nAnswer;
            });
    }
    void init() {
        m_boxes.clear();
        m_nAnswer = IDYES;
        FillList();
    }
    void cleanupTestCase() { m_pMain.reset(); }

    void commandsFollowTheMovieAndTheCompressors() {
        Records records;
        auto dlg = MakeDlg(records);
        using D = CDataBaseDlg;
        QCOMPARE(dlg->windowTitle(), QString("Database"));
        QCOMPARE(Text(*dlg, D::IDC_STATUS), QString());
        for (const int id : {D::IDC_CONFIGURE_LOW, D::IDC_CONFIGURE_FAST, D::IDC_IMPORT, D::IDC_CREATE,
                             D::IDC_EXPORT, D::IDC_TEMP_DIR, D::IDC_BROWSE_TEMP_DIR})
            QVERIFY2(!Enabled(*dlg, id), qPrintable(QString::number(id)));
        for (const int id :
             {D::IDC_SET_CHECK_POINT_IMPORT, D::IDC_RESET_CHECK_POINT_IMPORT, D::IDC_SET_CHECK_POINT_EXPORT,
              D::IDC_RESET_CHECK_POINTS_EXPORT, D::IDC_HELP, D::IDC_CLOSE, D::IDC_BROWSE})
            QVERIFY(Enabled(*dlg, id));

        TypeMovie(*dlg, m_source);
        QVERIFY(Enabled(*dlg, D::IDC_CONFIGURE_LOW) && Enabled(*dlg, D::IDC_CONFIGURE_FAST));
        QVERIFY(Enabled(*dlg, D::IDC_IMPORT));
        QVERIFY(!Enabled(*dlg, D::IDC_CREATE)); // nothing imported
        QVERIFY(!Enabled(*dlg, D::IDC_EXPORT));
        // The temp folder was derived from the first path typed; later
        // changes of the movie leave it alone.
        QCOMPARE(dlg->GetTempDirectory(), std::filesystem::path(m_source).parent_path().string());

        dlg->OnConfigure(true);
        QVERIFY(records.LowSet());
        QVERIFY(m_boxes.empty()); // no warning without an import
        QVERIFY(!Enabled(*dlg, D::IDC_EXPORT));
        records.confirm = false; // Cancel in the compressor choice
        dlg->OnConfigure(false);
        QVERIFY(!records.FastSet() && !Enabled(*dlg, D::IDC_EXPORT));
        records.confirm = true;
        dlg->OnConfigure(false);
        QVERIFY(Enabled(*dlg, D::IDC_EXPORT) && Enabled(*dlg, D::IDC_GROUP_EXPORT));
        QVERIFY(Enabled(*dlg, D::IDC_TEMP_DIR) && Enabled(*dlg, D::IDC_BROWSE_TEMP_DIR));

        TypeMovie(*dlg, m_dir.File("missing.avi"));
        QVERIFY(!Enabled(*dlg, D::IDC_CONFIGURE_LOW) && !Enabled(*dlg, D::IDC_IMPORT));
        QVERIFY(Enabled(*dlg, D::IDC_EXPORT)); // both compressors are still set

        // A reopening shows empty fields, keeps the configured compressors.
        dlg->Prepare(m_pMain->GetLanguage());
        QCOMPARE(Text(*dlg, D::IDC_ORIGINAL_MOVIE), QString());
        QVERIFY(!Enabled(*dlg, D::IDC_CONFIGURE_LOW) && Enabled(*dlg, D::IDC_EXPORT));

        dlg->OnCheckPoint();
        dlg->OnHelp();
        QCOMPARE(m_boxes.size(), size_t(2));
        QCOMPARE(m_boxes[0].text, std::string(CDataBaseDlg::CHECK_POINT_TEXT));
        QVERIFY(m_boxes[1].text.find("you don´t want to use the oracle") != std::string::npos);
        QVERIFY(m_boxes[1].text.rfind("or a low and fast movie file.") == m_boxes[1].text.size() - 29);
    }

    void theTempFolderChangesOnlyThroughItsBrowseButton() {
        Records records;
        records.SetBoth("DIV3", "DIV4");
        auto dlg = MakeDlg(records);
        TypeMovie(*dlg, m_source);
        const std::string derived = dlg->GetTempDirectory();
        auto* field = static_cast<QLineEdit*>(dlg->GetControl(CDataBaseDlg::IDC_TEMP_DIR));
        QVERIFY(field->isEnabled() && field->isReadOnly());
        QTest::keyClicks(field, "/elsewhere");
        field->setText("/elsewhere"); // pasted or set some other way
        QCOMPARE(dlg->GetTempDirectory(), derived);

        std::filesystem::create_directories(m_dir.File("parts"));
        m_strChosen = m_dir.File("parts/any.file");
        dlg->OnBrowseTempDir();
        QCOMPARE(dlg->GetTempDirectory(), m_dir.File("parts"));
        QCOMPARE(field->text().toStdString(), m_dir.File("parts"));
        // A kept folder is not derived again at the next opening.
        dlg->Prepare(m_pMain->GetLanguage());
        TypeMovie(*dlg, m_source);
        QCOMPARE(dlg->GetTempDirectory(), m_dir.File("parts"));
        QCOMPARE(Text(*dlg, CDataBaseDlg::IDC_TEMP_DIR), QString());
    }

    void anImportedConfigurationIsChangedOnlyAfterTheWarning() {
        Records records;
        const std::string path = SharedDataBase("warning.vdb", records);
        QVERIFY(ReadFileText(path).find("[Low-Codec]") != std::string::npos);

        Records importer; // another user: nothing configured yet
        auto other = Imported(importer, path);
        QCOMPARE(Text(*other, CDataBaseDlg::IDC_STATUS).toStdString(), path + " sucessfully imported.");
        QVERIFY(other->IsImported() && other->OwnsStateBlocks());
        QVERIFY(importer.LowSet() && importer.FastSet() && !importer.owner.IsFirstOpening());
        QVERIFY(importer.Low() == records.Low() && importer.Fast() == records.Fast());
        QVERIFY(Enabled(*other, CDataBaseDlg::IDC_CREATE));
        QCOMPARE(other->GetTotalFrames(), 60);

        m_nAnswer = IDNO;
        other->OnConfigure(true);
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, std::string("Warning!"));
        QCOMPARE(m_boxes[0].text, std::string(CDataBaseDlg::CODEC_WARNING));
        QVERIFY(m_boxes[0].buttons == EMessageButtons::YesNo);
        QCOMPARE(importer.choices, 0);
        QVERIFY(importer.Low() == records.Low());

        // Yes: the choice starts from the imported settings (not zeroed).
        m_nAnswer = IDYES;
        importer.confirm = false;
        other->OnConfigure(false);
        QCOMPARE(importer.choices, 1);
        QVERIFY(importer.Fast() == records.Fast());

        // "Close" ends the claim on the imported blocks; the records keep them.
        other->OnClose();
        QCOMPARE(other->result(), int(CDataBaseDlg::IDC_CLOSE));
        QVERIFY(!other->OwnsStateBlocks());
        QVERIFY(importer.Low() == records.Low());
    }

    void hostileDataBasesAreRefusedAndChangeNothing() {
        Records records;
        const std::string good = SharedDataBase("good.vdb", records);
        const std::string text = ReadFileText(good);
        Records importer;
        auto other = Imported(importer, good);
        QVERIFY(other->IsImported());
        const CodecOptions low = importer.Low();
        const CodecOptions fast = importer.Fast();

        // Garbage with bytes that are no UTF-8; a state block of 2^31 bytes;
        // numbers beyond 32 bits; intervals that cover the movie five times.
        std::string garbage = "\xff\xfe[\xc3\x28]\n\x80\x81=\xfe\r\n";
        garbage += std::string(2000, '\xc0');
        WriteText("garbage.vdb", garbage);
        std::string huge = text;
        huge.replace(huge.find("LowBufferSize="), 15, "LowBufferSize=2147483647\r\nX=");
        WriteText("huge-block.vdb", huge);
        std::string overlap = text;
        for (int n = 3; n < 8; ++n)
            overlap += "[TimeIntervalls]\r\nStartTime" + std::to_string(n) + "=0\r\nEndTime" +
                       std::to_string(n) + "=99999999999999999999\r\nPart" + std::to_string(n) + "=1\r\n";
        WriteText("overlap.vdb", overlap);
        struct Case {
            const char* name;
            const char* message; // a part of it; null: the status line says all
        };
        for (const Case& c :
             {Case{"garbage.vdb", "is no movie data base"}, Case{"huge-block.vdb", "2147483647 bytes"},
              Case{"overlap.vdb", "more than twice the 60 frames"}, Case{"missing.vdb", nullptr}}) {
            m_boxes.clear();
            m_strChosen = m_dir.File(c.name);
            other->OnImport();
            QCOMPARE(Text(*other, CDataBaseDlg::IDC_STATUS).toStdString(),
                     "Error: Can´t load " + m_strChosen);
            QVERIFY2(m_boxes.size() == (c.message ? 1u : 0u), c.name);
            QVERIFY2(!c.message || m_boxes[0].text.find(c.message) != std::string::npos,
                     m_boxes[0].text.c_str());
            QVERIFY2(importer.Low() == low && importer.Fast() == fast, c.name);
            QVERIFY(other->IsImported());
            QCOMPARE(other->GetDataBase().CountIntervals(), 3);
            QCOMPARE(other->GetTotalFrames(), 60);
        }
    }

    void createsTheMovieOfAnExportedDataBaseThroughTheMainWindow() {
        // One user exports the list with both compressors ...
        Records exporter;
        exporter.SetBoth("DIV3:bitrate=300", "DIV4:bitrate=150");
        auto dlg = MakeDlg(exporter);
        TypeMovie(*dlg, m_source);
        const std::string base = Export(*dlg, "shared.vdb");
        QCOMPARE(Text(*dlg, CDataBaseDlg::IDC_STATUS).toStdString(), base + " sucessfully exported.");

        // ... another rebuilds the movie from it in the main window's dialog.
        CDataBaseDlg& mine = m_pMain->GetDataBaseDlg();
        std::filesystem::create_directories(m_dir.File("temp"));
        const std::string output = m_dir.File("final.avi");
        m_strChosen = base;
        mine.SetFileChooser([&](const FileDialogRequest& request) {
            return request.save ? output : request.defaultExtension == "*.vdb" ? base : m_dir.File("temp/x");
        });
        mine.Prepare(m_pMain->GetLanguage());
        TypeMovie(mine, m_source);
        mine.OnBrowseTempDir();
        mine.OnImport();
        QVERIFY(mine.IsImported());
        QVERIFY(m_pMain->GetFullCreation().GetLowOptions() == exporter.Low());
        mine.OnCreate();
        QVERIFY(m_boxes.empty()); // the sizes agree: no question
        QCOMPARE(mine.result(), CDataBaseDlg::RESULT_CREATE);
        QVERIFY(m_pMain->GetDataBaseCommand().Start());
        QVERIFY(!m_pMain->IsBusy());
        QCOMPARE(ControlText(*m_pMain, IDC_STATUS).toStdString(), output + " sucessfully created!");
        QVERIFY(m_boxes.empty());

        // The parts joined in order: 25 LOW, 25 FAST and 10 LOW frames, key
        // frames every second, the audio copied along.
        const std::vector<ProbeStream> streams = ProbeStreams(output);
        QCOMPARE(streams.size(), size_t(2));
        QCOMPARE(streams[0].codecType, std::string("video"));
        QCOMPARE(streams[0].width, 64);
        QCOMPARE(streams[1].codecType, std::string("audio"));
        QCOMPARE(ProbePackets(output, "v:0").size(), size_t(60));
        QCOMPARE(ProbeVideoKeyFrames(output), (std::vector<int64_t>{0, 25, 50}));
        QVERIFY(FfmpegDecodeErrors(output).empty());
        // Nothing left in the temp folder.
        QVERIFY(std::filesystem::is_empty(m_dir.File("temp")));

        // A data base without intervals: said so, nothing made.
        m_pMain->GetEncodingList().Clear();
        const std::string empty = Export(*dlg, "empty.vdb");
        m_strChosen = empty;
        mine.SetFileChooser([&](const FileDialogRequest& request) {
            return request.save ? m_dir.File("nothing.avi") : empty;
        });
        mine.OnImport();
        mine.OnCreate();
        QVERIFY(!m_pMain->GetDataBaseCommand().Start());
        QCOMPARE(ControlText(*m_pMain, IDC_STATUS), QString(CDataBaseDlg::NOTHING_TO_CREATE));
        QVERIFY(!std::filesystem::exists(m_dir.File("nothing.avi")));

        // A source of another size: the question, and No keeps the dialog.
        fmtest::FfmpegMovie other;
        other.frames = 30;
        other.size = "96x64";
        const std::string wide = m_dir.File("wide.avi");
        QVERIFY(MakeTestMovie(wide, other));
        mine.Prepare(m_pMain->GetLanguage());
        TypeMovie(mine, wide);
        m_nAnswer = IDNO;
        mine.setResult(-5);
        mine.OnCreate();
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, std::string("Warning!"));
        QVERIFY(m_boxes[0].text.find("Source Movie Resolution: 96 x 64") != std::string::npos);
        QCOMPARE(mine.result(), -5);
    }

    void escapeInTheWaitBoxStopsTheCreationAndTheWindowStays() {
        Records exporter;
        const std::string base = SharedDataBase("stop.vdb", exporter);
        CDataBaseDlg& mine = m_pMain->GetDataBaseDlg();
        const std::string output = m_dir.File("stopped.avi");
        mine.SetFileChooser([&](const FileDialogRequest& request) { return request.save ? output : base; });
        mine.Prepare(m_pMain->GetLanguage());
        TypeMovie(mine, m_source);
        mine.OnImport();
        mine.OnCreate();
        QCOMPARE(mine.result(), CDataBaseDlg::RESULT_CREATE);

        // Held at its first frame, so that only Escape can end it.
        QVERIFY(m_pMain->GetJobs().ChoosePriority("Pause"));
        CAbortDlg& box = m_pMain->GetAbortDlg();
        box.m_confirmAbort = [] { return true; };
        QTimer::singleShot(300, &box, [&box] { QTest::keyClick(&box, Qt::Key_Escape); });
        QVERIFY(!m_pMain->GetDataBaseCommand().Start());
        QVERIFY(m_pMain->GetDataBaseCommand().GetLastResult().IsStopped());
        QVERIFY(m_pMain->GetJobs().ChoosePriority("Normal"));
        QVERIFY(!m_pMain->IsBusy() && m_pMain->isVisible());
        QVERIFY(!std::filesystem::exists(output));
    }
};

FLINTMOOR_GUI_TEST(DataBaseDlgTest);
#include "DataBaseDlgTest.moc"
