#include "FuzzInput.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {
int MemoryFile() {
    static const int fd = memfd_create("fuzz_input", 0);
    return fd;
}

// Made on first use and removed, with everything in it, when the process
// ends.
class CScratchFolder {
public:
    CScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        m_path = std::string(base && *base ? base : "/tmp") + "/flintmoor-fuzz-XXXXXX";
        if (!::mkdtemp(m_path.data()))
            std::abort(); // a target that cannot write tests nothing
    }
    ~CScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
} // namespace

std::string FuzzInputFile(const uint8_t* data, size_t size) {
    const int fd = MemoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return std::string();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            return std::string();
        done += static_cast<size_t>(n);
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

const std::string& FuzzScratchFolder() {
    static const CScratchFolder folder;
    return folder.Path();
}
