#include "jobs/DiscardOutput.h"

#include "media/CAVIFile.h"

#include <filesystem>
#include <string>

void DiscardOutput(CAVIFile& file) {
    const bool created = file.GetHandle() != nullptr;
    const std::string path = file.GetPath();
    // Not finished first: that would write all of it only to remove it.
    file.Abandon();
    std::error_code ec;
    if (created)
        std::filesystem::remove(path, ec);
}
