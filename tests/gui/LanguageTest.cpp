// Languages: Settings.ini made on the first start, the language tables'
// defaults over the built-in captions, and a switch in the options dialog
// changing every caption of the main window and remembering the choice.

#include "GuiTestSupport.h"

#include "gui/CMainDlg.h"
#include "gui/COptionsDlg.h"
#include "gui/MainDlgControls.h"
#include "settings/CIniFile.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

class LanguageTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CTempDir> m_dir;

    std::string CurrentLanguage() const {
        CIniFile settings;
        std::string name;
        settings.Load(m_dir->File("Settings.ini"));
        settings.GetString("LANGUAGE", "CurrentLanguage", name);
        return name;
    }
    // Runs the options dialog: chooses `name` and ends it with OK or Cancel.
    static void ChooseInOptions(CMainDlg& dlg, const QString& name, bool ok) {
        QTimer::singleShot(0, &dlg, [&dlg, name, ok] {
            COptionsDlg& options = dlg.GetOptions();
            auto* list = static_cast<QComboBox*>(options.GetControl(COptionsDlg::IDC_LANGUAGES));
            const int index = list->findText(name);
            list->setCurrentIndex(index);
            emit list->activated(index);
            auto* button = static_cast<QPushButton*>(
                options.GetControl(ok ? COptionsDlg::IDC_OK : COptionsDlg::IDC_CANCEL));
            QTest::mouseClick(button, Qt::LeftButton);
        });
        ClickControl(dlg, IDC_OPTIONS);
    }
    static std::map<int, QString> Captions(const CMainDlg& dlg) {
        std::map<int, QString> captions;
        for (const ControlSpec& spec : dlg.GetControls().GetSpecs()) {
            if (spec.key)
                captions[spec.id] =
                    QString::fromStdString(dlg.GetControls().GetCaption(spec.id)->GetCaption());
        }
        captions[0] = dlg.windowTitle();
        return captions;
    }

private slots:
    void init() { m_dir = std::make_unique<CTempDir>(); }

    void theFirstStartWritesSettingsIni() {
        QVERIFY(!std::filesystem::exists(m_dir->File("Settings.ini")));
        auto dlg = MakeMainDlg(*m_dir);
        QCOMPARE(CurrentLanguage(), std::string("English"));
    }

    void theTablesDefaultsReplaceTheBuiltInCaptions() {
        auto dlg = MakeMainDlg(*m_dir);
        QCOMPARE(ControlText(*dlg, IDC_START_CREATING), QString("Start Creation"));
        QCOMPARE(ControlText(*dlg, IDC_LABEL_CURRENT), QString("CurrentFrame"));
        QCOMPARE(ControlText(*dlg, IDC_LABEL_CURRENT_TIME), QString("CurrentTime:"));
        // "PersonalMainText" is empty in English: the title and one blank.
        QCOMPARE(dlg->windowTitle(), QString("Flintmoor 1.5 "));
    }

    void switchingTheLanguageChangesEveryCaption() {
        auto dlg = MakeMainDlg(*m_dir);
        const auto english = Captions(*dlg);
        ChooseInOptions(*dlg, "Deutsch", true);
        const auto german = Captions(*dlg);
        for (const auto& [id, caption] : english)
            QVERIFY2(german.at(id) != caption, qPrintable(QString("%1 stays \"%2\"").arg(id).arg(caption)));
        QCOMPARE(ControlText(*dlg, IDC_RESET), QString::fromUtf8("Zurücksetzen"));
        QCOMPARE(dlg->windowTitle(), QString("Flintmoor 1.5 - Zwei Kodierungen, ein Film"));
        QCOMPARE(CurrentLanguage(), std::string("Deutsch"));
        // And back: the title does not collect the texts of both.
        ChooseInOptions(*dlg, "English", true);
        QVERIFY(Captions(*dlg) == english);
    }

    void theLanguageNameIsFoundWithoutRegardToCase() {
        CIniFile settings;
        settings.SetString("LANGUAGE", "CurrentLanguage", "deutsch");
        QVERIFY(settings.Save(m_dir->File("Settings.ini")));
        auto dlg = MakeMainDlg(*m_dir);
        QCOMPARE(ControlText(*dlg, IDC_NEXT), QString("Weiter"));
    }

    void cancelChangesNothingButTheSelection() {
        auto dlg = MakeMainDlg(*m_dir);
        ChooseInOptions(*dlg, "Deutsch", false);
        QCOMPARE(ControlText(*dlg, IDC_NEXT), QString("Next"));
        QCOMPARE(CurrentLanguage(), std::string("English"));
        QCOMPARE(dlg->GetOptions().m_strCurrentLanguage, std::string("Deutsch"));
    }
};

FLINTMOOR_GUI_TEST(LanguageTest);
#include "LanguageTest.moc"
