#include "settings/CLanguage.h"

bool CLanguage::Register(ICaptionWindow* window, const std::string& defaultText, const std::string& section,
                         const std::string& key, int mode, const CLanguage* source) {
    LanguageEntry& entry = m_entries[window];
    entry.window = window;
    entry.defaultText = defaultText;
    entry.section = section;
    entry.key = key;
    entry.mode = mode;
    std::string text = defaultText;
    (source ? source : this)->m_store.GetString(section, key, text);
    if (mode == MODE_APPEND) {
        if (!entry.captured && window) {
            entry.builtInCaption = window->GetCaption();
            entry.captured = true;
        }
        text = entry.builtInCaption + " " + text;
    }
    entry.resolvedText = text;
    return true;
}

void CLanguage::ApplyAll() {
    for (auto& [window, entry] : m_entries) {
        if ((entry.mode == MODE_REPLACE || entry.mode == MODE_APPEND) && entry.window)
            entry.window->SetCaption(entry.resolvedText);
    }
}

std::string CLanguage::GetText(const ICaptionWindow* window) const {
    const auto it = m_entries.find(window);
    return it == m_entries.end() ? std::string() : it->second.resolvedText;
}

bool CLanguage::LoadFile(const std::string& path) {
    try {
        return m_store.Load(path);
    } catch (const CIniFileError&) {
        // A file that breaks off while read leaves the store empty: the
        // defaults show, as with no file at all.
        return false;
    }
}
