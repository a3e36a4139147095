// The Full Creation dialog and the main window's Full Creation: the steps
// opening as the fields fill, the names proposed at every opening, the
// piece size, the compressor records, and whole runs from the dialog to the
// assembled movie, compared with the command line's, and stopped midway.

#include "GuiTestSupport.h"

#include "creation/CSavedPieces.h"
#include "encoding/CEncodingList.h"
#include "gui/CAbortDlg.h"
#include "gui/CAutoCreateDlg.h"
#include "gui/CFullCreationCommand.h"
#include "gui/CFullCreationDlg.h"
#include "gui/CMainDlg.h"
#include "gui/MainDlgControls.h"
#include "media/CAVIFile.h"
#include "media/CSilentHost.h"
#include "platform/CCompressorRegistry.h"
#include "settings/CProjectFile.h"
#include "settings/ProjectKeys.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <tuple>

namespace {
using D = CFullCreationDlg;

void Type(D& fc, int id, const std::string& text) {
    static_cast<QLineEdit*>(fc.GetControl(id))->setText(QString::fromStdString(text));
}
std::string Text(const D& fc, int id) {
    return fc.GetText(id).toStdString();
}
void Click(D& fc, int id) {
    static_cast<QAbstractButton*>(fc.GetControl(id))->click(); // does nothing while disabled
}
bool Enabled(const D& fc, int id) {
    return fc.GetControl(id)->isEnabled();
}

// Answers the compressor dialog as a user who picks the proposed compressor
// at `kbps`; counts the askings.
void AnswerCodecs(D& fc, int* asked = nullptr, bool confirm = true, int kbps = 300) {
    fc.GetContext().chooseCodec = [=](const std::string&, CodecOptions& record, FOURCC proposed) {
        if (asked)
            ++*asked;
        if (!confirm)
            return false;
        const std::string settings = FourCCToString(proposed) + ":bitrate=" + std::to_string(kbps);
        return CCompressorRegistry::ParseSettings(settings, record, nullptr);
    };
}

// The list as (start, end, FAST?) triples.
using Parts = std::vector<std::tuple<int32_t, int32_t, bool>>;
Parts PartsOf(const CEncodingList& list) {
    Parts parts;
    for (int row = 0; row < list.RowCount(); ++row) {
        const PartRange range = list.GetPartRange(row);
        parts.emplace_back(range.start, range.end, !list.Rows()[static_cast<size_t>(row)].IsLow());
    }
    return parts;
}
Parts PartsOf(const std::string& project) {
    CIniFile settings;
    Parts parts;
    for (const ProjectPart& part : CProjectFile::Load(project, settings).parts)
        parts.emplace_back(part.start, part.end, part.fast);
    return parts;
}

bool MakeSource(const std::string& path, int frames, const std::string& size = "64x48") {
    fmtest::FfmpegMovie spec;
    spec.frames = frames;
    spec.audio = "pcm";
    spec.quality = 2;
    spec.size = size;
    return MakeTestMovie(path, spec);
}
} // namespace

class FullCreationDlgTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    std::string m_source;

    // Fills the opened dialog as a user does and starts: the source typed,
    // both compressors chosen, the save way as asked.
    static void FillAndStart(D& fc, const std::string& source, bool save) {
        AnswerCodecs(fc);
        Type(fc, D::IDC_INPUT_FILE, source);
        Click(fc, D::IDC_CHOOSE_LOW_CODEC);
        Click(fc, D::IDC_CHOOSE_FAST_CODEC);
        if (save != fc.GetUseSaveCreation())
            Click(fc, D::IDC_USE_SAVE_CREATION);
        Click(fc, D::IDC_START_CREATION);
    }
    // Clicks "Full Creation" and fills the dialog once it shows; returns
    // when the encoding has ended.
    static void RunFromTheButton(CMainDlg& dlg, const std::string& source, bool save) {
        QTimer::singleShot(0, &dlg,
                           [&dlg, source, save] { FillAndStart(dlg.GetFullCreation(), source, save); });
        ClickControl(dlg, IDC_FULL_CREATION);
    }

private slots:
    void initTestCase() {
        m_source = m_dir.File("movie.avi");
        QVERIFY(MakeSource(m_source, 60));
    }

    void theStepsOpenAsTheFieldsFill() {
        auto dlg = MakeMainDlg(m_dir);
        D& fc = dlg->GetFullCreation();
        int asked = 0;
        AnswerCodecs(fc, &asked);
        fc.OnInitDialog();
        QCOMPARE(fc.windowTitle(), QString(D::TITLE));
        QVERIFY(Enabled(fc, D::IDC_CHOOSE_INPUT));
        QVERIFY(!Enabled(fc, D::IDC_CHOOSE_LOW_CODEC));
        QVERIFY(!Enabled(fc, D::IDC_START_CREATION));

        Type(fc, D::IDC_INPUT_FILE, m_dir.File("missing.avi"));
        QVERIFY(!Enabled(fc, D::IDC_LOW_FILE));
        QCOMPARE(Text(fc, D::IDC_LOW_FILE), std::string());
        Type(fc, D::IDC_INPUT_FILE, m_source);
        QVERIFY(Enabled(fc, D::IDC_CHOOSE_LOW_CODEC) && Enabled(fc, D::IDC_CHOOSE_FAST_CODEC));
        QCOMPARE(Text(fc, D::IDC_LOW_FILE), m_dir.File("movie_low.avi"));
        QCOMPARE(Text(fc, D::IDC_FAST_FILE), m_dir.File("movie_fast.avi"));
        QCOMPARE(Text(fc, D::IDC_ORACLE_FILE), m_dir.File("movie_low_oracle.dat"));
        QVERIFY(!Enabled(fc, D::IDC_CHANGE_ORACLE_VALUE));

        // Cancel in the compressor dialog leaves the flag as it was.
        AnswerCodecs(fc, &asked, false);
        Click(fc, D::IDC_CHOOSE_LOW_CODEC);
        QVERIFY(!fc.IsConfigured(false));
        AnswerCodecs(fc, &asked);
        Click(fc, D::IDC_CHOOSE_LOW_CODEC);
        QVERIFY(fc.IsConfigured(false));
        QVERIFY(!Enabled(fc, D::IDC_START_CREATION)); // one compressor is not enough
        Click(fc, D::IDC_CHOOSE_FAST_CODEC);
        QCOMPARE(asked, 3);
        for (const int id : {D::IDC_START_CREATION, D::IDC_CHANGE_ORACLE_VALUE, D::IDC_ORACLE_FILE,
                             D::IDC_USE_SAVE_CREATION, D::IDC_FRAME_SIZE, D::IDC_AUDIO_NOTE})
            QVERIFY(Enabled(fc, id));
        QCOMPARE(FourCCToString(fc.GetLowOptions().fccHandler), std::string("DIV3"));
        QCOMPARE(FourCCToString(fc.GetFastOptions().fccHandler), std::string("DIV4"));

        // A wrong path closes steps 2 to 5 and empties the names at once;
        // the right one opens them again, the compressors still chosen.
        Type(fc, D::IDC_INPUT_FILE, m_source + "x");
        QVERIFY(!Enabled(fc, D::IDC_CHOOSE_LOW_CODEC) && !Enabled(fc, D::IDC_START_CREATION));
        QCOMPARE(Text(fc, D::IDC_FAST_FILE), std::string());
        QCOMPARE(Text(fc, D::IDC_ORACLE_FILE), std::string());
        Type(fc, D::IDC_INPUT_FILE, m_source);
        QVERIFY(Enabled(fc, D::IDC_START_CREATION));
        QCOMPARE(Text(fc, D::IDC_FAST_FILE), m_dir.File("movie_fast.avi"));
        fc.OnInitDialog(); // a later opening
        QVERIFY(Enabled(fc, D::IDC_START_CREATION));
    }

    void everyOpeningProposesTheNamesAndTakesTheProjectsSource() {
        auto dlg = MakeMainDlg(m_dir);
        D& fc = dlg->GetFullCreation();
        std::vector<FileDialogRequest> requests;
        dlg->SetFileChooser([&](const FileDialogRequest& request) {
            requests.push_back(request);
            return request.defaultExtension == "*.dat" ? m_dir.File("chosen.dat") : m_dir.File("chosen.avi");
        });
        AnswerCodecs(fc);
        fc.OnInitDialog();
        Type(fc, D::IDC_INPUT_FILE, m_source);
        Click(fc, D::IDC_CHOOSE_LOW_CODEC);
        Click(fc, D::IDC_CHOOSE_FAST_CODEC);
        Click(fc, D::IDC_CHOOSE_LOW_FILE);
        Click(fc, D::IDC_CHOOSE_ORACLE_FILE);
        QCOMPARE(Text(fc, D::IDC_LOW_FILE), m_dir.File("chosen.avi"));
        QCOMPARE(fc.GetOracleFile(), m_dir.File("chosen.dat"));
        QCOMPARE(requests.size(), size_t(2));
        QVERIFY(requests[0].save && requests[0].overwritePrompt);  // a movie chosen by name is replaced
        QVERIFY(requests[1].save && !requests[1].overwritePrompt); // an oracle file is reused
        fc.OnInitDialog();
        QCOMPARE(Text(fc, D::IDC_LOW_FILE), m_dir.File("movie_low.avi"));
        QCOMPARE(fc.GetOracleFile(), m_dir.File("movie_low_oracle.dat"));

        // The project's source movie wins over the one typed before.
        const std::string other = m_dir.File("other.avi");
        std::filesystem::copy_file(m_source, other, std::filesystem::copy_options::overwrite_existing);
        dlg->GetSettingsStore().SetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, other);
        fc.OnInitDialog();
        QCOMPARE(Text(fc, D::IDC_INPUT_FILE), other);
        QCOMPARE(Text(fc, D::IDC_FAST_FILE), m_dir.File("other_fast.avi"));
    }

    void changeOracleValueSetsTheValuesWithTheFilesLocked() {
        auto dlg = MakeMainDlg(m_dir);
        D& fc = dlg->GetFullCreation();
        CAutoCreateDlg& autoCreate = dlg->GetAutoCreate();
        CIniFile& store = dlg->GetSettingsStore();
        AnswerCodecs(fc);
        fc.OnInitDialog();
        Type(fc, D::IDC_INPUT_FILE, m_source);
        Click(fc, D::IDC_CHOOSE_LOW_CODEC);
        Click(fc, D::IDC_CHOOSE_FAST_CODEC);
        Type(fc, D::IDC_ORACLE_FILE, m_dir.File("typed.dat"));
        QCOMPARE(autoCreate.m_strOracleFile, m_dir.File("typed.dat")); // follows the edit
        store.SetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORACLE_VALUE, 7.5f);
        // What the Auto Create dialog showed, read while it was open.
        bool oracleRowLocked = false;
        QStringList shown;
        const auto answer = [&](bool start) {
            QTimer::singleShot(0, &autoCreate, [&, start] {
                const auto edit = [&](int id) { return static_cast<QLineEdit*>(autoCreate.GetControl(id)); };
                oracleRowLocked = !edit(CAutoCreateDlg::IDC_ORACLE_FILE)->isEnabled() &&
                                  !autoCreate.GetControl(CAutoCreateDlg::IDC_BROWSE_ORACLE)->isEnabled();
                shown = {edit(CAutoCreateDlg::IDC_ORACLE_FILE)->text(),
                         edit(CAutoCreateDlg::IDC_SOURCE_FILE)->text(),
                         edit(CAutoCreateDlg::IDC_ORACLE_VALUE)->text()};
                edit(CAutoCreateDlg::IDC_ORACLE_VALUE)->setText("-12.5");
                static_cast<QAbstractButton*>(
                    autoCreate.GetControl(start ? CAutoCreateDlg::IDC_START : CAutoCreateDlg::IDC_CANCEL))
                    ->click();
            });
            Click(fc, D::IDC_CHANGE_ORACLE_VALUE);
        };
        // Its first opening in a program run shows its defaults; Cancel
        // leaves the project's values as they were.
        answer(false);
        QVERIFY(oracleRowLocked);
        const QString oracle = QString::fromStdString(m_dir.File("typed.dat"));
        const QString source = QString::fromStdString(m_source);
        QCOMPARE(shown, (QStringList{oracle, source, "5.00"}));
        float value = 0;
        QVERIFY(store.GetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORACLE_VALUE, value));
        QCOMPARE(value, 7.5f);
        answer(true);
        QCOMPARE(shown, (QStringList{oracle, source, "7.50"}));
        QVERIFY(store.GetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORACLE_VALUE, value));
        QCOMPARE(value, -12.5f);
        QVERIFY(store.GetFloat(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::COMPARISON_VALUE, value));
        std::string original;
        QVERIFY(store.GetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE, original));
        QCOMPARE(original, m_source);
        QVERIFY(!autoCreate.GetFilesLocked());
        QVERIFY(!dlg->IsBusy()); // the oracle waits for the encoding
    }

    void aPieceSizeBelowTheSmallestBecomesTheSmallest() {
        auto dlg = MakeMainDlg(m_dir);
        D& fc = dlg->GetFullCreation();
        AnswerCodecs(fc);
        fc.OnInitDialog();
        QCOMPARE(Text(fc, D::IDC_FRAME_SIZE), std::string("200"));
        Type(fc, D::IDC_INPUT_FILE, m_source);
        Click(fc, D::IDC_CHOOSE_LOW_CODEC);
        Click(fc, D::IDC_CHOOSE_FAST_CODEC);
        for (const auto& [typed, used] :
             {std::pair{"150", 200}, {"", 200}, {"99999999999", 200}, {"450", 450}}) {
            Type(fc, D::IDC_FRAME_SIZE, typed);
            Click(fc, D::IDC_START_CREATION);
            QCOMPARE(fc.GetFrameSize(), used);
        }
        Type(fc, D::IDC_FRAME_SIZE, "150");
        Click(fc, D::IDC_START_CREATION);
        fc.OnInitDialog();
        QCOMPARE(Text(fc, D::IDC_FRAME_SIZE), std::string("200"));
        std::string original;
        QVERIFY(dlg->GetSettingsStore().GetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::ORIGINAL_FILE,
                                                  original));
        QCOMPARE(original, m_source);
        QVERIFY(!fc.GetUseSaveCreation());
        Click(fc, D::IDC_USE_SAVE_CREATION);
        QVERIFY(fc.GetUseSaveCreation());
    }

    void theRecordsAreZeroedOnceAndAnImportKeepsThem() {
        auto dlg = MakeMainDlg(m_dir);
        D& fc = dlg->GetFullCreation();
        QVERIFY(CCompressorRegistry::ParseSettings("DX50", fc.GetLowOptions(), nullptr));
        QVERIFY(fc.IsFirstOpening());
        fc.PrepareOptionRecords(); // the first one zeroes
        QCOMPARE(fc.GetLowOptions(), CodecOptions());
        QVERIFY(CCompressorRegistry::ParseSettings("DX50", fc.GetLowOptions(), nullptr));
        fc.OnInitDialog(); // later ones keep
        QCOMPARE(FourCCToString(fc.GetLowOptions().fccHandler), std::string("DX50"));

        // An import before the first opening: its records stay.
        auto other = MakeMainDlg(m_dir);
        D& imported = other->GetFullCreation();
        QVERIFY(CCompressorRegistry::ParseSettings("XVID", imported.GetFastOptions(), nullptr));
        imported.SetConfigured(true, true);
        imported.ClearFirstOpening();
        imported.OnInitDialog();
        QCOMPARE(FourCCToString(imported.GetFastOptions().fccHandler), std::string("XVID"));
        QVERIFY(imported.IsConfigured(true) && !imported.IsConfigured(false));
    }

    void fromTheDialogToTheAssembledMovie() {
        CTempDir dir;
        const std::string source = dir.File("clip.avi");
        QVERIFY(MakeSource(source, 80));
        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(dir, &boxes);
        RunFromTheButton(*dlg, source, false);
        QVERIFY(dlg->GetFullCreationCommand().GetLastResult().IsDone());
        // The movies are in the window and the oracle fills its list.
        QCOMPARE(dlg->GetMovie(true).GetPath(), dir.File("clip_low.avi"));
        QCOMPARE(dlg->GetMovie(false).GetPath(), dir.File("clip_fast.avi"));
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 60000);
        QVERIFY(dlg->GetEncodingList().RowCount() > 0);
        QVERIFY(std::filesystem::exists(dir.File("clip_low_oracle.dat")));
        std::string stored;
        QVERIFY(
            dlg->GetSettingsStore().GetString(ProjectKeys::MOVIE_SETTINGS, ProjectKeys::FAST_FILE, stored));
        QCOMPARE(stored, dir.File("clip_fast.avi"));

        const std::string final = dir.File("final.avi");
        dlg->SetFileChooser([&](const FileDialogRequest&) { return final; });
        ClickControl(*dlg, IDC_START_CREATING);
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 60000);
        QVERIFY2(boxes.empty(), boxes.empty() ? "" : boxes.front().c_str());
        const std::vector<ProbeStream> streams = ProbeStreams(final);
        QCOMPARE(streams.size(), size_t(2));
        // The video header is the first row's file's: DIV3 for LOW, DIV4 for FAST.
        EncodingPart first;
        QVERIFY(dlg->GetEncodingList().GetRow(0, first));
        QCOMPARE(streams[0].codecTag, std::string(first.IsLow() ? "DIV3" : "DIV4"));
        QCOMPARE(streams[1].codecType, std::string("audio"));
        QCOMPARE(ProbePackets(final, "v:0").size(), size_t(80));
        QCOMPARE(ProbeVideoKeyFrames(final), (std::vector<int64_t>{0, 25, 50, 75}));
        QCOMPARE(FfmpegDecodeErrors(final), std::string());
    }

    void anOutputThatIsTheSourceIsRefusedBeforeAnythingIsWritten() {
        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(m_dir, &boxes);
        const auto before = std::filesystem::file_size(m_source);
        QTimer::singleShot(0, dlg.get(), [&] {
            D& fc = dlg->GetFullCreation();
            AnswerCodecs(fc);
            Type(fc, D::IDC_INPUT_FILE, m_source);
            Click(fc, D::IDC_CHOOSE_LOW_CODEC);
            Click(fc, D::IDC_CHOOSE_FAST_CODEC);
            Type(fc, D::IDC_FAST_FILE, m_source);
            Click(fc, D::IDC_START_CREATION);
        });
        ClickControl(*dlg, IDC_FULL_CREATION);
        QVERIFY(dlg->GetFullCreationCommand().GetLastResult().IsFailed());
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(boxes[0].find("must not be the source") != std::string::npos);
        QVERIFY(!dlg->IsBusy());
        QCOMPARE(std::filesystem::file_size(m_source), before);
        QVERIFY(!std::filesystem::exists(m_dir.File("movie_low.avi")));
    }

    void theDialogMakesTheListTheCommandLineMakes() {
        // Two copies of one source, so that neither run finds the other's
        // oracle measurements.
        CTempDir cliDir, guiDir;
        QVERIFY(MakeSource(cliDir.File("movie.avi"), 450));
        std::filesystem::copy_file(cliDir.File("movie.avi"), guiDir.File("movie.avi"));
        const CommandResult cli =
            RunCli({"full", cliDir.File("movie.avi"), "--save-creation", "--low-codec", "DIV3:bitrate=300",
                    "--fast-codec", "DIV4:bitrate=300", "--project", cliDir.File("movie.ini")});
        QVERIFY2(cli.exitCode == 0, cli.err.c_str());
        const Parts expected = PartsOf(cliDir.File("movie.ini"));
        QVERIFY(!expected.empty());

        std::vector<std::string> boxes;
        auto dlg = MakeMainDlg(guiDir, &boxes);
        RunFromTheButton(*dlg, guiDir.File("movie.avi"), true);
        QVERIFY(dlg->GetFullCreationCommand().GetLastResult().IsDone());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 60000);
        QVERIFY(boxes.empty());
        QCOMPARE(PartsOf(dlg->GetEncodingList()), expected);
        // The save way joined its pieces and cleared them away.
        QVERIFY(!std::filesystem::exists(guiDir.File("movie")));
        QCOMPARE(ProbePackets(guiDir.File("movie_fast.avi"), "v:0").size(), size_t(450));
    }

    void escapeStopsTheCreationAndKeepsTheCompletePieces() {
        CTempDir dir;
        const std::string source = dir.File("long.avi");
        QVERIFY(MakeSource(source, 1000, "320x240"));
        auto dlg = MakeMainDlg(dir);
        CAbortDlg& box = dlg->GetAbortDlg();
        int asked = 0;
        box.m_confirmAbort = [&] { return ++asked > 0; };
        const std::string tempDir = CSavedPieces::TempDirectory(source);
        // Escape once the second pair of pieces is under way.
        QTimer escape;
        connect(&escape, &QTimer::timeout, &box, [&] {
            if (box.isVisible() && std::filesystem::exists(CSavedPieces::PieceName(tempDir, true, 1))) {
                escape.stop();
                QTest::keyClick(&box, Qt::Key_Escape);
            }
        });
        escape.start(20);
        RunFromTheButton(*dlg, source, true);
        QCOMPARE(asked, 1);
        QVERIFY(dlg->GetFullCreationCommand().GetLastResult().IsStopped());
        QVERIFY(dlg->isVisible()); // the program goes on
        QTRY_VERIFY(!dlg->IsBusy());
        QVERIFY(ControlText(*dlg, IDC_STATUS).startsWith("Stopped!"));
        CWorker& worker = dlg->GetJobs().GetWorker();
        for (const auto slot : {CWorker::FILE_LOW, CWorker::FILE_FAST, CWorker::FILE_SOURCE})
            QVERIFY(!worker.GetFile(slot).IsOpen());
        QVERIFY(!dlg->GetMovie(true).IsOpen()); // nothing half-made is loaded
        // The complete pairs stay for the next run, and only those.
        CSilentHost quiet;
        int32_t piece = 0;
        const int32_t frames = CSavedPieces::CountSavedPieces(quiet, tempDir, 0, piece);
        QVERIFY(piece >= 1);
        QCOMPARE(frames, piece * 200);
        QVERIFY(!std::filesystem::exists(CSavedPieces::PieceName(tempDir, false, piece)));
    }
};

FLINTMOOR_GUI_TEST(FullCreationDlgTest);
#include "FullCreationDlgTest.moc"
