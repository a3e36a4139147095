#pragma once
// The options dialog: the language files found and the chosen language.
// Choosing an entry in the list takes effect on the current language at
// once (also when the dialog is then cancelled); the main window applies it
// and remembers it in Settings.ini only when the dialog ends with OK.

#include "gui/CDialogControls.h"
#include "gui/CWidgetCaption.h"
#include "settings/CLanguage.h"
#include "settings/CLanguageList.h"

#include <QDialog>

#include <string>

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDC_FRAME = 1091, IDC_LANGUAGES = 1081, IDC_OK = 1, IDC_CANCEL = 2 };

    explicit COptionsDlg(QWidget* parent = nullptr);

    void ScanLanguageDirs(const std::vector<std::string>& directories) {
        m_languages.ScanLanguageDirs(directories);
    }
    const LanguageFile* FindLanguage(const std::string& name) const { return m_languages.FindLanguage(name); }
    const CLanguageList& GetLanguages() const { return m_languages; }

    std::string m_strCurrentLanguage = "English";

    // Registers the captions from `source`, fills the list and selects the
    // current language; then the modal run.
    int Open(const CLanguage& source);
    // Fills the list and selects the current language (part of Open).
    void Prepare(const CLanguage& source);
    // The user closed the list on `name`.
    void ChooseLanguage(const QString& name);

    QWidget* GetControl(int id) const { return m_controls.Get(id); }

private:
    CDialogControls m_controls;
    CWidgetCaption m_title{this};
    CLanguage m_language;
    CLanguageList m_languages;
};
