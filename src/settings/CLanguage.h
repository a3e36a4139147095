#pragma once
// Caption look-up in the current language file. Every window registers its
// captions here with a default text, a section and a key; the resolved text
// is the language file's value or else the default. The main window's object
// holds the language file; the other windows resolve from it while keeping
// their own entries. Windows are reached through ICaptionWindow, so this
// layer knows no widget toolkit.

#include "settings/CIniFile.h"

#include <map>
#include <string>

class ICaptionWindow {
public:
    virtual ~ICaptionWindow() = default;
    virtual std::string GetCaption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
};

struct LanguageEntry {
    ICaptionWindow* window = nullptr; // not owned
    std::string defaultText;
    std::string section;
    std::string key;
    int mode = 1;
    std::string resolvedText;
    std::string builtInCaption; // mode 2: the caption before the first registration
    bool captured = false;
};

class CLanguage {
public:
    enum { MODE_REPLACE = 1, MODE_APPEND = 2 };

    CLanguage() = default;
    virtual ~CLanguage() = default;
    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // Finds or creates the window's entry and resolves its text from
    // `source`'s store (this object's own when null). Mode 2 appends the
    // text to the window's built-in caption after one blank; the built-in
    // caption is captured once, so registering again never accumulates.
    bool Register(ICaptionWindow* window, const std::string& defaultText, const std::string& section,
                  const std::string& key, int mode, const CLanguage* source = nullptr);
    // Sets the caption of every entry of mode 1 or 2.
    void ApplyAll();
    // The resolved text of the window's entry; "" without one.
    std::string GetText(const ICaptionWindow* window) const;
    // Loads a language file into the store; the store keeps its contents
    // when the file cannot be loaded.
    bool LoadFile(const std::string& path);
    // Forgets the window's entry (a window that goes away before this object).
    void Unregister(const ICaptionWindow* window) { m_entries.erase(window); }

    const CIniFile& GetStore() const { return m_store; }

private:
    CIniFile m_store;
    std::map<const ICaptionWindow*, LanguageEntry> m_entries;
};
