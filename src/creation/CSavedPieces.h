#pragma once
// The pieces of the resumable full creation: pairs of numbered LOW and FAST
// files in a directory next to the source, found again by a later run.

#include <cstdint>
#include <string>

class IHost;

class CSavedPieces {
public:
    // The source path cut before the last "." of its file name (the whole
    // path when it has none), followed by "/".
    static std::string TempDirectory(const std::string& input);
    // tempDir + "TempLow_<n>.avi" or "TempFast_<n>.avi".
    static std::string PieceName(const std::string& tempDir, bool fast, int32_t piece);

    // Resume scan from `piece` on: every pair whose two files open, have a
    // video stream and the same number of frames counts. Returns
    // `startCount` plus the frames of the counted pairs; `piece` becomes the
    // number of the first missing or incomplete pair. Opens without messages.
    static int32_t CountSavedPieces(IHost& host, const std::string& tempDir, int32_t startCount,
                                    int32_t& piece);

    // Deletes the LOW (FAST) pieces 0 .. lastPiece when `low` (`fast`) is
    // set, then removes the directory when it is empty. Failures are ignored.
    static void DeletePieces(const std::string& tempDir, int32_t lastPiece, bool low, bool fast);
};
