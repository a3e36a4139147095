#pragma once
// What the fuzz targets share: the input bytes as a file that our loaders
// open by path, exactly as they open a file on disk, and a scratch folder for
// files a target writes.

#include <cstddef>
#include <cstdint>
#include <string>

// The path of an anonymous memory file now holding exactly `data`; "" when
// it cannot be written. Every call reuses (and overwrites) the same file.
std::string FuzzInputFile(const uint8_t* data, size_t size);

// A folder of this process's own, removed with everything in it at exit.
const std::string& FuzzScratchFolder();
