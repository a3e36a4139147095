#include "settings/CIniFile.h"

#include "platform/CReplacingFile.h"
#include "platform/FdIo.h"
#include "platform/TextNumbers.h"
#include "settings/ProgramPaths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view COMMENT_PREFIX = "//";

bool IsCommentKey(std::string_view key) {
    return key.substr(0, COMMENT_PREFIX.size()) == COMMENT_PREFIX;
}

// Only blanks are trimmed: a tab in front of a key stays part of the key.
std::string_view TrimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::string_view();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string ErrorText(const char* what, const std::string& path, int error) {
    return std::string(what) + path + ": " + std::strerror(error);
}

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now and reports the result: a failed close of a written file
    // can mean lost data.
    int Close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

} // namespace

void CIniFile::SetString(const std::string& section, const std::string& key, const std::string& value) {
    m_mapSections.Get(section).Set(key, value);
}

void CIniFile::SetInt(const std::string& section, const std::string& key, int32_t value) {
    SetString(section, key, FormatC("%d", value));
}

void CIniFile::SetFloat(const std::string& section, const std::string& key, float value) {
    SetString(section, key, FormatC("%f", static_cast<double>(value)));
}

void CIniFile::SetComment(const std::string& section, const std::string& text) {
    SetString(section, std::string(COMMENT_PREFIX) + text, std::string());
}

bool CIniFile::GetString(const std::string& section, const std::string& key, std::string& value) const {
    const CKeyMap* keys = FindSection(section);
    const std::string* found = keys ? keys->Find(key) : nullptr;
    if (!found)
        return false;
    value = *found;
    return true;
}

bool CIniFile::GetInt(const std::string& section, const std::string& key, int32_t& value) const {
    std::string text;
    if (!GetString(section, key, text))
        return false;
    value = ParseDecimalInt(text);
    return true;
}

bool CIniFile::GetFloat(const std::string& section, const std::string& key, float& value) const {
    std::string text;
    if (!GetString(section, key, text))
        return false;
    ScanFloat(text, value); // a failed scan keeps the old value
    return true;
}

const CIniFile::CKeyMap* CIniFile::FindSection(const std::string& section) const {
    return m_mapSections.Find(section);
}

bool CIniFile::Load(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    CFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > MAX_FILE_SIZE)
        return false;

    m_strFileName = path;
    Clear();

    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    size_t n = 0;
    while (n < bytes.size()) {
        const ssize_t got = ::read(file.Get(), bytes.data() + n, bytes.size() - n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw CIniFileError(ErrorText("Cannot read ", path, errno));
        if (got == 0)
            break; // the file shrank since fstat
        n += static_cast<size_t>(got);
    }
    bytes.resize(n);
    file.Close();

    ParseText(bytes);
    return true;
}

void CIniFile::ParseText(const std::string& bytes) {
    if (bytes.size() < 2)
        return;
    // UTF-16 little-endian with its byte-order mark: only the low byte of
    // every code unit is kept, which is enough for the Latin-1 texts we write.
    std::string narrowed;
    std::string_view text = bytes;
    if (static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
        narrowed.reserve(bytes.size() / 2);
        for (size_t pos = 2; pos < bytes.size(); pos += 2)
            narrowed.push_back(bytes[pos]);
        text = narrowed;
    }
    std::string section;
    while (!text.empty()) {
        // "\r\n" and "\n" end a line; a lone "\r" stays inside it. The last
        // line needs no line end.
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ParseLine(line, section);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

void CIniFile::ParseLine(std::string_view line, std::string& section) {
    line = TrimSpaces(line);
    if (line.empty() || IsCommentKey(line))
        return;
    // The header test comes first: any line with a "[" before a "]" names a
    // section, even a key line whose value holds brackets.
    const size_t open = line.find('[');
    const size_t close = line.find(']');
    if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
        section.assign(line.substr(open + 1, close - open - 1));
        return;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    SetString(section, std::string(TrimSpaces(line.substr(0, equals))),
              std::string(TrimSpaces(line.substr(equals + 1))));
}

bool CIniFile::Save(const std::string& path) {
    // Written beside the target and renamed into place when complete: a
    // failed save harms no existing file, and a name that is a hard link to
    // another file (an input) replaces only the name, never that file.
    CReplacingFile file;
    if (!file.Open(path, nullptr))
        return false;
    m_strFileName = path;

    std::string text;
    m_mapSections.ForEach([&text](const std::string& name, const CKeyMap& keys) {
        keys.ForEach([&text](const std::string& key, const std::string&) {
            if (IsCommentKey(key))
                text.append(key).append("\r\n");
        });
        text.append("[").append(name).append("]\r\n");
        keys.ForEach([&text](const std::string& key, const std::string& value) {
            if (!IsCommentKey(key))
                text.append(key).append("=").append(value).append("\r\n");
        });
        text.append("\r\n");
    });

    std::string error;
    if (!WriteFully(file.Descriptor(), text.data(), text.size(), -1, error))
        throw CIniFileError("Cannot write " + path + ": " + error);
    if (!file.Commit(&error))
        throw CIniFileError(error);
    return true;
}

bool CIniFile::LoadBesideProgram(const std::string& fileName, std::string* path) {
    // Read from where the file is written: beside the program, or in the
    // user's configuration folder when the program's folder is not writable.
    // A file that only lies beside such a program (shipped with it) is
    // still read.
    const std::string full = GetSettingsFilePath(fileName);
    if (path)
        *path = full;
    if (Load(full))
        return true;
    const std::string directory = GetProgramDirectory();
    const std::string beside =
        directory.empty() ? fileName : (std::filesystem::path(directory) / fileName).string();
    return beside != full && Load(beside);
}

void CIniFile::Merge(const CIniFile& other) {
    if (&other == this)
        return;
    other.m_mapSections.ForEach([this](const std::string& section, const CKeyMap& keys) {
        CKeyMap& mine = m_mapSections.Get(section);
        keys.ForEach([&mine](const std::string& key, const std::string& value) { mine.Set(key, value); });
    });
}

void CIniFile::Clear() {
    m_mapSections.Clear();
}
