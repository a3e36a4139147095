#pragma once
// Small helpers every test folder uses: a scratch directory that removes
// itself, running an external command (ffmpeg, ffprobe, our CLI) and
// capturing what it prints, and whole-file reads.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs argv (no shell) and collects stdout and stderr.
CommandResult RunCommand(const std::vector<std::string>& argv);
// Runs our own command-line front end with these arguments.
CommandResult RunCli(const std::vector<std::string>& args);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFileText(const std::string& path);
