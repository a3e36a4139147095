#include "settings/ProgramPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

std::string GetProgramDirectory() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || exe.empty())
        return std::string();
    return exe.parent_path().string();
}

namespace {
fs::path UserConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid and must be ignored.
    if (xdg && xdg[0] == '/')
        return fs::path(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return fs::path(home) / ".config";
    return fs::path(".config");
}
} // namespace

std::string GetSettingsFilePath(const std::string& fileName, const std::string& programDirectory) {
    if (!programDirectory.empty() && access(programDirectory.c_str(), W_OK | X_OK) == 0)
        return (fs::path(programDirectory) / fileName).string();
    const fs::path directory = UserConfigDirectory() / "flintmoor";
    std::error_code error;
    fs::create_directories(directory, error); // a failure shows when the file is saved
    return (directory / fileName).string();
}

std::string GetSettingsFilePath(const std::string& fileName) {
    return GetSettingsFilePath(fileName, GetProgramDirectory());
}
