#include "gui/COptionsDlg.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QPushButton>

#include <algorithm>

namespace {
const ControlSpec g_aOptionsControls[] = {
    {COptionsDlg::IDC_FRAME, EControl::Group, 7, 7, 172, 38, "Choose your language", "OPTIONS_DLG",
     "ChooseLanguage", "Choose your language", -1},
    {COptionsDlg::IDC_LANGUAGES, EControl::Combo, 15, 20, 156, 14, "", nullptr, nullptr, nullptr, -1},
    {COptionsDlg::IDC_OK, EControl::Button, 35, 52, 50, 14, "OK", nullptr, nullptr, nullptr, -1},
    {COptionsDlg::IDC_CANCEL, EControl::Button, 101, 52, 50, 14, "Abbrechen", nullptr, nullptr, nullptr, -1},
};
} // namespace

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Flintmoor Options"));
    setFixedSize(CDialogControls::ToPixels(0, 0, 186, 73, QFontMetrics(font())).size());
    m_controls.Build(this, g_aOptionsControls, std::size(g_aOptionsControls));
    auto* list = m_controls.As<QComboBox>(IDC_LANGUAGES);
    connect(list, &QComboBox::activated, this,
            [this, list](int index) { ChooseLanguage(list->itemText(index)); });
    connect(m_controls.As<QPushButton>(IDC_OK), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.As<QPushButton>(IDC_CANCEL), &QPushButton::clicked, this, &QDialog::reject);
    m_controls.As<QPushButton>(IDC_OK)->setDefault(true);
}

void COptionsDlg::Prepare(const CLanguage& source) {
    m_language.Register(&m_title, "Flintmoor Options", "OPTIONS_DLG", "MainTitle", CLanguage::MODE_REPLACE,
                        &source);
    m_controls.RegisterLanguage(m_language, &source);
    m_language.ApplyAll();
    std::vector<QString> names;
    for (const LanguageFile& file : m_languages.GetLanguages())
        names.push_back(QString::fromStdString(file.name));
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    auto* list = m_controls.As<QComboBox>(IDC_LANGUAGES);
    list->clear();
    for (const QString& name : names)
        list->addItem(name);
    list->setCurrentIndex(list->findText(QString::fromStdString(m_strCurrentLanguage), Qt::MatchFixedString));
}

int COptionsDlg::Open(const CLanguage& source) {
    Prepare(source);
    return exec();
}

void COptionsDlg::ChooseLanguage(const QString& name) {
    m_strCurrentLanguage = name.toStdString();
}
