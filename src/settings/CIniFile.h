#pragma once
// The INI store through which every text file of the program is read and
// written: project settings, Settings.ini, language files and movie data
// bases. Named sections of key/value pairs of 8-bit text, typed setters and
// getters, comment lines, and loading from and saving to plain text files.
//
// Not thread-safe: one store is used by one thread at a time.

#include "settings/CIniHashMap.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// A read or write error after a file was opened. A Save broken off this way
// leaves the file under its name as it was.
class CIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CIniFile {
public:
    using CKeyMap = CIniHashMap<std::string>;

    // Text files larger than this are refused by Load: no settings, project or
    // data base file comes near it, and the store needs many times a file's
    // size in memory.
    static constexpr int64_t MAX_FILE_SIZE = int64_t{64} << 20;

    CIniFile() = default;
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Writes every section: its comment keys (as lines of their own), then
    // "[name]", its key=value lines and an empty line, every line ended by
    // CR LF, no byte-order mark. The text goes to a temporary file beside
    // `path` that replaces it only when complete. False when it cannot be
    // created or `path` names no regular file (the file name stays
    // unchanged). Throws CIniFileError on a write error.
    virtual bool Save(const std::string& path);
    virtual ~CIniFile() = default;

    void SetString(const std::string& section, const std::string& key, const std::string& value);
    void SetInt(const std::string& section, const std::string& key, int32_t value);
    // "%f" of the value widened to double: 5 is written as 5.000000.
    void SetFloat(const std::string& section, const std::string& key, float value);
    // Stored as key "//" + text with an empty value; Save writes it as a
    // comment line above the section's header.
    void SetComment(const std::string& section, const std::string& text);

    // The getters leave `value` untouched when they return false (no such
    // section or key), so callers preset it with their default.
    bool GetString(const std::string& section, const std::string& key, std::string& value) const;
    // A value without leading digits reads as 0 (and true).
    bool GetInt(const std::string& section, const std::string& key, int32_t& value) const;
    // A value that does not scan as a number leaves `value` as it was (and true).
    bool GetFloat(const std::string& section, const std::string& key, float& value) const;

    const CKeyMap* FindSection(const std::string& section) const;

    // Calls visit(name, keys) for every section in file order.
    template <class TVisit> void ForEachSection(TVisit&& visit) const { m_mapSections.ForEach(visit); }

    // Replaces the contents with the file's. False when the file cannot be
    // opened, is no regular file or is larger than MAX_FILE_SIZE: the store and
    // the file name then stay as they were. Throws CIniFileError on a read
    // error (the store is empty then). Any bytes load without harm; lines that
    // are no header and no key line are skipped.
    bool Load(const std::string& path);
    // Load of fileName from where the program keeps it: in the directory of
    // the running program, or in the user's configuration directory when
    // that one is not writable (GetSettingsFilePath), falling back to the
    // program's directory. The path to save to is stored in *path also when
    // the load fails, so the caller can create the file there.
    bool LoadBesideProgram(const std::string& fileName, std::string* path = nullptr);

    // Copies every key of `other` (comment keys too) into this store;
    // existing keys are overwritten, all others stay.
    void Merge(const CIniFile& other);
    // Removes every section and key; the file name stays.
    void Clear();
    // The path of the last Load or Save whose file could be opened.
    std::string GetFileName() const { return m_strFileName; }

private:
    void ParseText(const std::string& bytes);
    void ParseLine(std::string_view line, std::string& section);

    std::string m_strFileName;
    CIniHashMap<CKeyMap> m_mapSections;
};
