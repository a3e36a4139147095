#include "creation/CSavedPieces.h"

#include "creation/FullCreationNames.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"

#include <algorithm>
#include <climits>
#include <filesystem>

std::string CSavedPieces::TempDirectory(const std::string& input) {
    const std::string base = FullCreationNames::Base(input);
    return (base.empty() ? input : base) + "/";
}

std::string CSavedPieces::PieceName(const std::string& tempDir, bool fast, int32_t piece) {
    return tempDir + (fast ? "TempFast_" : "TempLow_") + std::to_string(piece) + ".avi";
}

int32_t CSavedPieces::CountSavedPieces(IHost& host, const std::string& tempDir, int32_t startCount,
                                       int32_t& piece) {
    int64_t count = startCount;
    for (; piece < INT32_MAX; ++piece) {
        CAVIFile low(host);
        CAVIFile fast(host);
        if (!low.Open(PieceName(tempDir, false, piece), false) ||
            !fast.Open(PieceName(tempDir, true, piece), false))
            break;
        const CAVIStream* lowVideo = low.GetStream(low.GetVideoIndex());
        const CAVIStream* fastVideo = fast.GetStream(fast.GetVideoIndex());
        if (!lowVideo || !fastVideo || lowVideo->GetLength() != fastVideo->GetLength())
            break;
        count += lowVideo->GetLength();
        // Pieces of a movie cannot hold more frames than a movie can.
        if (count > INT32_MAX)
            break;
    }
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

void CSavedPieces::DeletePieces(const std::string& tempDir, int32_t lastPiece, bool low, bool fast) {
    std::error_code error;
    for (int32_t k = 0; k <= lastPiece; ++k) {
        if (low)
            std::filesystem::remove(PieceName(tempDir, false, k), error);
        if (fast)
            std::filesystem::remove(PieceName(tempDir, true, k), error);
    }
    // Only removes an empty directory: pieces that stay keep it.
    std::filesystem::remove(tempDir, error);
}
