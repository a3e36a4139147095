#pragma once
// The language files the user can choose from: every "*.ini" of the
// language directories that names its language in "LANGUAGE"/"Language".
// The directories are searched in order (beside the program first, then the
// installed data folder); of two files with the same name the first wins.

#include "settings/CIniFile.h"

#include <memory>
#include <string>
#include <vector>

struct LanguageFile {
    std::unique_ptr<CIniFile> store;
    std::string name; // the display name ("Language" value)
    std::string path;
};

class CLanguageList {
public:
    // Replaces the list with the usable files of `directories` (missing
    // directories and unreadable files are skipped), each directory's files
    // in name order.
    void ScanLanguageDirs(const std::vector<std::string>& directories);
    // The first file whose name equals `name` without regard to case.
    const LanguageFile* FindLanguage(const std::string& name) const;
    const std::vector<LanguageFile>& GetLanguages() const { return m_listLanguages; }

    // The "language" directory beside the program, then the installed one.
    static std::vector<std::string> DefaultDirectories();

private:
    std::vector<LanguageFile> m_listLanguages;
};
