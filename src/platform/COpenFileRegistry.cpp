#include "platform/COpenFileRegistry.h"

#include <filesystem>
#include <map>
#include <mutex>

namespace {
std::mutex& Mutex() {
    static std::mutex m;
    return m;
}
std::map<std::string, int>& Counts() {
    static std::map<std::string, int> counts;
    return counts;
}
} // namespace

std::string COpenFileRegistry::Canonical(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec)
        return std::filesystem::path(path).lexically_normal().string();
    return p.string();
}

void COpenFileRegistry::Add(const std::string& path) {
    const std::string key = Canonical(path);
    std::lock_guard<std::mutex> lock(Mutex());
    ++Counts()[key];
}

void COpenFileRegistry::Remove(const std::string& path) {
    const std::string key = Canonical(path);
    std::lock_guard<std::mutex> lock(Mutex());
    auto it = Counts().find(key);
    if (it != Counts().end() && --it->second <= 0)
        Counts().erase(it);
}

bool COpenFileRegistry::IsOpen(const std::string& path) {
    const std::string key = Canonical(path);
    std::lock_guard<std::mutex> lock(Mutex());
    return Counts().count(key) != 0;
}
