// The Auto Create Encoding List dialog: its states on opening, the value
// edits and their sliders, the limit row and the locked file rows, and a
// run of the oracle started from it with the quality view that follows.

#include "GuiTestSupport.h"

#include "encoding/CEncodingList.h"
#include "gui/CAutoCreateDlg.h"
#include "gui/CEncodingListView.h"
#include "gui/CMainDlg.h"
#include "gui/CQualityChart.h"
#include "gui/MainDlgControls.h"
#include "support/TestMovies.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace {
QString Text(const CAutoCreateDlg& dlg, int id) {
    QWidget* widget = dlg.GetControl(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return QString();
}
bool Enabled(const CAutoCreateDlg& dlg, int id) {
    return dlg.GetControl(id)->isEnabled();
}
bool Checked(const CAutoCreateDlg& dlg, int id) {
    return static_cast<QCheckBox*>(dlg.GetControl(id))->isChecked();
}
QSlider* Slider(const CAutoCreateDlg& dlg, int id) {
    return static_cast<QSlider*>(dlg.GetControl(id));
}
void Type(CAutoCreateDlg& dlg, int id, const QString& text) {
    auto* edit = static_cast<QLineEdit*>(dlg.GetControl(id));
    edit->clear();
    QTest::keyClicks(edit, text);
}
void Click(CAutoCreateDlg& dlg, int id) {
    QTest::mouseClick(dlg.GetControl(id), Qt::LeftButton);
}
} // namespace

class AutoCreateDlgTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    GuiMovies m_movies;
    std::string m_source;

    std::unique_ptr<CMainDlg> LoadedDlg(std::vector<std::string>* boxes = nullptr) {
        auto dlg = MakeMainDlg(m_dir, boxes);
        dlg->OpenFiles({QString::fromStdString(m_movies.low), QString::fromStdString(m_movies.fast)});
        return dlg;
    }
    // The dialog as the main window shows it, without the modal run.
    static CAutoCreateDlg& Shown(CMainDlg& dlg) {
        dlg.PrepareAutoCreate();
        dlg.GetAutoCreate().InitDialog(dlg.GetLanguage());
        return dlg.GetAutoCreate();
    }
    // Clicks "Auto Create Encoding List"; `inDialog` runs in the shown dialog.
    static void RunDialog(CMainDlg& dlg, std::function<void(CAutoCreateDlg&)> inDialog) {
        QTimer::singleShot(0, &dlg, [&dlg, inDialog] { inDialog(dlg.GetAutoCreate()); });
        ClickControl(dlg, IDC_AUTO_CREATE);
    }

private slots:
    void initTestCase() {
        m_movies = MakeGuiMovies(m_dir, 100, 100);
        fmtest::FfmpegMovie spec;
        spec.quality = 1;
        m_source = m_dir.File("source.avi");
        QVERIFY(MakeTestMovie(m_source, spec));
    }

    void firstOpeningShowsTheDefaultsWhateverTheProjectHeld() {
        auto dlg = LoadedDlg();
        dlg->GetSettingsStore().SetFloat("Movie Settings", "Oracle Value", 7.5f);
        CAutoCreateDlg& options = Shown(*dlg);
        QCOMPARE(options.windowTitle(), QString("Auto Create Encoding List"));
        QVERIFY(Checked(options, CAutoCreateDlg::IDC_USE_SOURCE));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_VALUE), QString("5.00"));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_COMPARISON_VALUE), QString("1.00"));
        QCOMPARE(Slider(options, CAutoCreateDlg::IDC_ORACLE_SLIDER)->value(), 5);
        auto* precision = static_cast<QComboBox*>(options.GetControl(CAutoCreateDlg::IDC_PRECISION));
        QCOMPARE(precision->count(), 6);
        QCOMPARE(precision->currentText(), QString("Every Frame (Best Result)"));
        QVERIFY(!Checked(options, CAutoCreateDlg::IDC_USE_LIMIT));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_LIMIT), QString("0"));
        QVERIFY(!Enabled(options, CAutoCreateDlg::IDC_LIMIT));
        QVERIFY(!Enabled(options, CAutoCreateDlg::IDC_KBYTES));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_FILE),
                 QString::fromStdString(m_dir.File("low_oracle.dat")));
        // The language table's texts replace the template's.
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_BROWSE_SOURCE), QString("Browse"));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_HELP), QString("Help"));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_LABEL_VALUE), QString("Oracle Value"));
        QVERIFY(options.GetChart()->isHidden()); // no run yet

        // From the second opening on, the project's values count.
        Shown(*dlg);
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_VALUE), QString("7.50"));
    }

    void numberFormatsAndTypedValues() {
        QCOMPARE(CAutoCreateDlg::FormatValue(5.0), QString("5.00"));
        QCOMPARE(CAutoCreateDlg::FormatValue(-12.5), QString("-12.50"));
        QCOMPARE(CAutoCreateDlg::FormatValue(0.456), QString("0.45")); // cut, not rounded
        QCOMPARE(CAutoCreateDlg::FormatValue(-0.999), QString("-0.99"));

        auto dlg = LoadedDlg();
        CAutoCreateDlg& options = Shown(*dlg);
        Type(options, CAutoCreateDlg::IDC_ORACLE_VALUE, "12.345");
        QCOMPARE(options.oracleValue, 12.345f);
        QCOMPARE(Slider(options, CAutoCreateDlg::IDC_ORACLE_SLIDER)->value(), 12);
        Type(options, CAutoCreateDlg::IDC_ORACLE_VALUE, "-7.9");
        QCOMPARE(Slider(options, CAutoCreateDlg::IDC_ORACLE_SLIDER)->value(), -7); // toward zero
        // Beyond the slider's range the value is kept; the slider shows its end.
        Type(options, CAutoCreateDlg::IDC_COMPARISON_VALUE, "250");
        QCOMPARE(options.comparisonValue, 250.0f);
        QCOMPARE(Slider(options, CAutoCreateDlg::IDC_COMPARISON_SLIDER)->value(), 100);
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_COMPARISON_VALUE), QString("250"));
        Type(options, CAutoCreateDlg::IDC_ORACLE_VALUE, "-1e30");
        QCOMPARE(Slider(options, CAutoCreateDlg::IDC_ORACLE_SLIDER)->value(), -100);
        // Text that is no number, or no finite one, leaves the value alone.
        Type(options, CAutoCreateDlg::IDC_COMPARISON_VALUE, "abc");
        QCOMPARE(options.comparisonValue, 250.0f);
        Type(options, CAutoCreateDlg::IDC_COMPARISON_VALUE, "nan");
        QCOMPARE(options.comparisonValue, 250.0f);
        QCOMPARE(options.GetSettings().comparisonValue, 250.0);
    }

    void aReleasedOrSteppedSliderWritesTheEdit() {
        auto dlg = LoadedDlg();
        CAutoCreateDlg& options = Shown(*dlg);
        QSlider* slider = Slider(options, CAutoCreateDlg::IDC_ORACLE_SLIDER);
        slider->setSliderDown(true);
        slider->setValue(-30);
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_VALUE), QString("5.00")); // still dragging
        slider->setSliderDown(false);                                               // released
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_VALUE), QString("-30.00"));
        QCOMPARE(options.oracleValue, -30.0f);
        QSlider* comparison = Slider(options, CAutoCreateDlg::IDC_COMPARISON_SLIDER);
        comparison->setFocus();
        QTest::keyClick(comparison, Qt::Key_End);
        QTRY_COMPARE(Text(options, CAutoCreateDlg::IDC_COMPARISON_VALUE), QString("100.00"));
        QCOMPARE(options.comparisonValue, 100.0f);
    }

    void theSourceBoxSetsTheValuesAndTheSourceRow() {
        auto dlg = LoadedDlg();
        CAutoCreateDlg& options = Shown(*dlg);
        Type(options, CAutoCreateDlg::IDC_ORACLE_VALUE, "33");
        Click(options, CAutoCreateDlg::IDC_USE_SOURCE);
        QVERIFY(!options.useSourceMovie);
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_VALUE), QString("0.00"));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_COMPARISON_VALUE), QString("0.00"));
        QCOMPARE(Slider(options, CAutoCreateDlg::IDC_ORACLE_SLIDER)->value(), 0);
        for (const int id : {CAutoCreateDlg::IDC_SOURCE_LABEL, CAutoCreateDlg::IDC_SOURCE_FILE,
                             CAutoCreateDlg::IDC_BROWSE_SOURCE})
            QVERIFY(!Enabled(options, id));
        QVERIFY(Enabled(options, CAutoCreateDlg::IDC_ORACLE_FILE));
        Click(options, CAutoCreateDlg::IDC_USE_SOURCE);
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_ORACLE_VALUE), QString("5.00"));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_COMPARISON_VALUE), QString("1.00"));
        QVERIFY(Enabled(options, CAutoCreateDlg::IDC_SOURCE_FILE));

        // Locked (opened from the full creation): the oracle row is closed,
        // the source row still follows the box.
        options.SetFilesLocked(true);
        options.InitDialog(dlg->GetLanguage());
        for (const int id : {CAutoCreateDlg::IDC_ORACLE_LABEL, CAutoCreateDlg::IDC_ORACLE_FILE,
                             CAutoCreateDlg::IDC_BROWSE_ORACLE})
            QVERIFY(!Enabled(options, id));
        QVERIFY(Enabled(options, CAutoCreateDlg::IDC_SOURCE_FILE));
        Click(options, CAutoCreateDlg::IDC_USE_SOURCE);
        QVERIFY(!Enabled(options, CAutoCreateDlg::IDC_SOURCE_FILE));
        options.SetFilesLocked(false);
        options.InitDialog(dlg->GetLanguage());
        QVERIFY(Enabled(options, CAutoCreateDlg::IDC_ORACLE_FILE));
    }

    void limitPrecisionAndStartTakeWhatWasTyped() {
        auto dlg = LoadedDlg();
        CAutoCreateDlg& options = Shown(*dlg);
        Click(options, CAutoCreateDlg::IDC_USE_LIMIT);
        QVERIFY(Enabled(options, CAutoCreateDlg::IDC_LIMIT));
        QVERIFY(Enabled(options, CAutoCreateDlg::IDC_KBYTES));
        Type(options, CAutoCreateDlg::IDC_LIMIT, "1234.75");
        auto* precision = static_cast<QComboBox*>(options.GetControl(CAutoCreateDlg::IDC_PRECISION));
        precision->setCurrentIndex(3);
        emit precision->activated(3);
        QCOMPARE(options.PrecisionMode, 4);
        Type(options, CAutoCreateDlg::IDC_SOURCE_FILE, "/movies/source.avi");
        Type(options, CAutoCreateDlg::IDC_ORACLE_FILE, "/movies/values.dat");
        Click(options, CAutoCreateDlg::IDC_START);
        QCOMPARE(options.result(), int(QDialog::Accepted));
        const OracleStartSettings settings = options.GetSettings();
        QVERIFY(settings.limitFlag);
        QCOMPARE(settings.limitKBytes, double(1234.75f));
        QCOMPARE(settings.precisionMode, 4);
        QCOMPARE(settings.sourceFile, std::string("/movies/source.avi"));
        QCOMPARE(settings.oracleFile, std::string("/movies/values.dat"));
        // Shown again: the limit as its integer part, the precision kept.
        options.InitDialog(dlg->GetLanguage());
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_LIMIT), QString("1234"));
        QCOMPARE(precision->currentIndex(), 3);
        // A limit that is no number leaves the one before.
        Type(options, CAutoCreateDlg::IDC_LIMIT, "");
        Click(options, CAutoCreateDlg::IDC_START);
        QCOMPARE(options.m_dLimit, double(1234.75f));
    }

    void helpAndBrowseDialogs() {
        std::vector<std::string> boxes;
        auto dlg = LoadedDlg(&boxes);
        CAutoCreateDlg& options = Shown(*dlg);
        Click(options, CAutoCreateDlg::IDC_HELP);
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(boxes[0].starts_with(
            "Use Original File for Creating the Encoding List: You can select two modi."));
        QVERIFY(boxes[0].ends_with("The size of final AVI doesn´t be bigger than this limit."));
        size_t paragraphs = 1;
        for (size_t at = boxes[0].find("\r\n\r\n"); at != std::string::npos;
             at = boxes[0].find("\r\n\r\n", at + 1))
            ++paragraphs;
        QCOMPARE(paragraphs, size_t(6));

        std::vector<FileDialogRequest> asked;
        options.SetFileChooser([&](const FileDialogRequest& request) {
            asked.push_back(request);
            return request.save ? std::string("/tmp/chosen.dat") : std::string("/tmp/chosen.avi");
        });
        Click(options, CAutoCreateDlg::IDC_BROWSE_SOURCE);
        Click(options, CAutoCreateDlg::IDC_BROWSE_ORACLE);
        QCOMPARE(asked.size(), size_t(2));
        QVERIFY(!asked[0].save);
        QCOMPARE(asked[0].defaultExtension, QString("*.avi"));
        QVERIFY(asked[1].save); // the oracle file may not exist yet
        QCOMPARE(asked[1].filter, QString("DAT Files (*.dat)|*.dat|All Files (*.*)|*.*||"));
        QCOMPARE(Text(options, CAutoCreateDlg::IDC_SOURCE_FILE), QString("/tmp/chosen.avi"));
        QCOMPARE(options.m_strOracleFile, std::string("/tmp/chosen.dat"));
    }

    void aLoadedProjectResetsTheValues() {
        auto dlg = LoadedDlg();
        CAutoCreateDlg& options = dlg->GetAutoCreate();
        options.useSourceMovie = false;
        options.oracleValue = 33.0f;
        options.PrecisionMode = 5;
        options.m_bLimit = true;
        options.m_dLimit = 99.0;
        options.m_strOracleFile = "/tmp/old.dat";
        options.SetFilesLocked(true);
        const std::string project = m_dir.File("empty.ini");
        {
            CIniFile store;
            store.SetInt("Slider", "Value", 0);
            store.Save(project);
        }
        dlg->OpenFiles({QString::fromStdString(project)});
        // The values follow the box as it stood; then the box is ticked.
        QCOMPARE(options.oracleValue, 0.0f);
        QVERIFY(options.useSourceMovie);
        QCOMPARE(options.PrecisionMode, 1);
        QVERIFY(!options.m_bLimit);
        QCOMPARE(options.m_dLimit, 0.0);
        QVERIFY(options.m_strOracleFile.empty());
        QVERIFY(!options.GetFilesLocked());
    }

    void cancelStartsNothing() {
        auto dlg = LoadedDlg();
        RunDialog(*dlg, [](CAutoCreateDlg& options) { Click(options, CAutoCreateDlg::IDC_CANCEL); });
        QVERIFY(!dlg->IsBusy());
        QCOMPARE(dlg->GetEncodingList().RowCount(), 0);
        std::string oracleFile;
        QVERIFY(!dlg->GetSettingsStore().GetString("Movie Settings", "Oracle-File", oracleFile));
    }

    void startRunsTheOracleAndTheQualityViewFollows() {
        std::vector<std::string> boxes;
        auto dlg = LoadedDlg(&boxes);
        const std::string oracleFile = m_dir.File("run_oracle.dat");
        RunDialog(*dlg, [&](CAutoCreateDlg& options) {
            Type(options, CAutoCreateDlg::IDC_SOURCE_FILE, QString::fromStdString(m_source));
            Type(options, CAutoCreateDlg::IDC_ORACLE_FILE, QString::fromStdString(oracleFile));
            Type(options, CAutoCreateDlg::IDC_ORACLE_VALUE, "-2.5");
            Click(options, CAutoCreateDlg::IDC_START);
        });
        QVERIFY(dlg->IsBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 60000);
        QVERIFY2(boxes.empty(), boxes.empty() ? "" : boxes[0].c_str());
        QVERIFY(std::filesystem::file_size(oracleFile) == 4 * 16); // 100 frames, a key frame every 25
        QVERIFY(dlg->GetEncodingList().RowCount() > 0);
        QCOMPARE(dlg->GetListView()->model()->rowCount(), dlg->GetEncodingList().RowCount());
        std::string stored;
        QVERIFY(dlg->GetSettingsStore().GetString("Movie Settings", "Oracle Value", stored));
        QCOMPARE(stored, std::string("-2.500000"));
        QVERIFY(dlg->GetSettingsStore().GetString("Movie Settings", "Original-File", stored));
        QCOMPARE(stored, m_source);

        // Opened again: the values of the run per interval, with the list's choice.
        CAutoCreateDlg& options = dlg->GetAutoCreate();
        dlg->PrepareAutoCreate();
        options.LoadQuality(dlg->GetMovie(true), dlg->GetEncodingList());
        CQualityChart* chart = options.GetChart();
        QVERIFY(!chart->isHidden());
        QCOMPARE(chart->GetPoints().size(), size_t(4));
        for (const QualityPoint& point : chart->GetPoints()) {
            QCOMPARE(point.end - point.start, 25);
            QVERIFY(point.lowValue >= 0.0 && point.fastValue >= 0.0);
            QVERIFY(point.choice != QualityPoint::NONE);
        }
        options.InitDialog(dlg->GetLanguage());
        options.show();
        const int third = chart->width() * 5 / 8; // inside the third interval
        QCOMPARE(chart->IntervalAt(third), 2);
        QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(third, chart->height() / 2));
        QCOMPARE(dlg->GetCurrentFrame(), 50);
        options.hide();

        // A file of another movie (too few values) shows no chart.
        std::filesystem::resize_file(oracleFile, 3 * 16);
        options.LoadQuality(dlg->GetMovie(true), dlg->GetEncodingList());
        QVERIFY(chart->isHidden());
    }
};

FLINTMOOR_GUI_TEST(AutoCreateDlgTest);
#include "AutoCreateDlgTest.moc"
