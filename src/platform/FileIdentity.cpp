#include "platform/FileIdentity.h"

#include "platform/COpenFileRegistry.h"

#include <sys/stat.h>

bool IsSameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    struct stat first {};
    struct stat second {};
    const bool firstExists = ::stat(a.c_str(), &first) == 0;
    const bool secondExists = ::stat(b.c_str(), &second) == 0;
    if (firstExists && secondExists)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    if (firstExists != secondExists)
        return false;
    return COpenFileRegistry::Canonical(a) == COpenFileRegistry::Canonical(b);
}

std::optional<std::string> FindSameFile(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (IsSameFile(output, input))
            return input;
    return std::nullopt;
}
