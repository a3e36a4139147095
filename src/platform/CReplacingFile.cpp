#include "platform/CReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The name a link chain ends at, so that the link itself survives.
std::string FollowLinks(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec))
        return path;
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

// "dir/.name.<pid>-<count>-<clock>": hidden, unique within this process and
// unlikely to meet another's; O_EXCL settles the rest.
std::string TempName(const std::string& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path p(target);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld-%u-%u", static_cast<long>(::getpid()), counter.fetch_add(1),
                  static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) +
                      attempt);
    return (p.parent_path() / ("." + p.filename().string() + suffix)).string();
}
} // namespace

CReplacingFile::~CReplacingFile() {
    Abandon();
}

std::string CReplacingFile::RefusalReason(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode))
        return "";
    return S_ISDIR(info.st_mode) ? path + " is a folder" : path + " is no regular file (a pipe or a device)";
}

bool CReplacingFile::Open(const std::string& path, std::string* error) {
    Abandon();
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (path.empty())
        return fail("no file name");
    const std::string refusal = RefusalReason(path);
    if (!refusal.empty())
        return fail("cannot write " + refusal);
    const std::string target = FollowLinks(path);
    // Renaming needs no right to write the file itself: a file the user
    // made read-only stays refused, as truncating it would be.
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return fail("cannot write " + path + ": " + std::strerror(errno));
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = TempName(target, attempt);
        // 0666 less the umask, as a file made under the target's name would
        // get; a file that is replaced keeps its permissions.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 && exists)
            ::fchmod(fd, existing.st_mode & 07777);
        if (fd >= 0) {
            m_fd = fd;
            m_strTarget = target;
            m_strTemp = temp;
            return true;
        }
        if (errno != EEXIST)
            return fail("cannot create " + path + ": " + std::strerror(errno));
    }
    return fail("cannot create " + path + ": no free temporary name beside it");
}

bool CReplacingFile::Commit(std::string* error) {
    if (m_fd < 0) {
        if (error)
            *error = "the file is not open";
        return false;
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0 || ::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        if (error)
            *error = "cannot write " + m_strTarget + ": " + std::strerror(errno);
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
        return false;
    }
    m_strTemp.clear();
    return true;
}

void CReplacingFile::Abandon() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}
