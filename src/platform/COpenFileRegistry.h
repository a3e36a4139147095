#pragma once
// The files this process has open for reading, by canonical path, so that no
// component creates (and so truncates) a file another one is reading from.

#include <string>

class COpenFileRegistry {
public:
    static void Add(const std::string& path);
    static void Remove(const std::string& path);
    static bool IsOpen(const std::string& path);
    // The canonical form used for comparison: symlinks and ".." resolved
    // where the file exists; otherwise the absolute, normalised path.
    static std::string Canonical(const std::string& path);
};
