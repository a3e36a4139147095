#include "settings/CLanguageList.h"

#include "settings/ProgramPaths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<fs::path> IniFilesIn(const std::string& directory) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() == ".ini" && it->is_regular_file(error))
            files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace

void CLanguageList::ScanLanguageDirs(const std::vector<std::string>& directories) {
    m_listLanguages.clear();
    for (const std::string& directory : directories) {
        for (const fs::path& path : IniFilesIn(directory)) {
            LanguageFile file;
            file.store = std::make_unique<CIniFile>();
            try {
                if (!file.store->Load(path.string()))
                    continue;
            } catch (const CIniFileError&) {
                continue;
            }
            if (!file.store->GetString("LANGUAGE", "Language", file.name))
                continue;
            file.path = path.string();
            m_listLanguages.push_back(std::move(file));
        }
    }
}

const LanguageFile* CLanguageList::FindLanguage(const std::string& name) const {
    const std::string wanted = Upper(name);
    for (const LanguageFile& file : m_listLanguages) {
        if (Upper(file.name) == wanted)
            return &file;
    }
    return nullptr;
}

std::vector<std::string> CLanguageList::DefaultDirectories() {
    std::vector<std::string> directories;
    const std::string program = GetProgramDirectory();
    if (!program.empty()) {
        directories.push_back((fs::path(program) / "language").string());
#ifdef FLINTMOOR_DATA_FROM_BIN
        directories.push_back(
            (fs::path(program) / FLINTMOOR_DATA_FROM_BIN / "language").lexically_normal().string());
#endif
    }
#ifdef FLINTMOOR_DATA_DIR
    directories.push_back((fs::path(FLINTMOOR_DATA_DIR) / "language").string());
#endif
    return directories;
}
