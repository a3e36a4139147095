#pragma once
// Project settings files: the main window's settings store plus the rows of
// the encoding list, saved to and loaded from an INI file. Only the file side
// lives here; opening the movies, moving the slider and measuring the rows in
// their movies is the caller's part, because it needs the window's objects.

#include <cstdint>
#include <string>
#include <vector>

class CIniFile;

// One row of the encoding list as the list shows it (columns 0, 1 and 3).
struct ProjectRow {
    std::string startText;
    std::string endText;
    std::string encodingText;
};

// One row read back: frames start .. end-1 from the FAST movie or the LOW one.
struct ProjectPart {
    int32_t start = 0;
    int32_t end = 0;
    bool fast = false;
    int32_t row = 0; // its number in the file, for messages
};

// What the caller does after a load, in this order: open the LOW movie (when
// hasLowFile), then the FAST movie, move the slider to sliderValue, then add
// every part measured in its movie (a part of less than one frame is not
// added by the list itself).
struct ProjectLoadResult {
    bool loaded = false; // false: the file could not be read; nothing changed
    std::string error;   // why not, for callers that say so (the window does not)
    int32_t sliderValue = 0;
    bool hasLowFile = false;
    std::string lowFile;
    bool hasFastFile = false;
    std::string fastFile;
    std::vector<ProjectPart> parts;
    // Rows that were dropped, one text each (shown by the caller).
    std::vector<std::string> warnings;
};

class CProjectFile {
public:
    // No real encoding list comes near this many rows (one per key-frame
    // interval at most); a file with more is hostile or broken, and measuring
    // every row of it would take hours.
    static constexpr int32_t MAX_ROWS = 100000;

    // Writes `settings` and the rows to `path`; `settings` is not changed.
    // False when the file could not be written.
    static bool Save(const CIniFile& settings, const std::vector<ProjectRow>& rows, const std::string& path);

    // Reads the project at `path`. When it can be read, `settings` is emptied
    // and receives the file's slider value, movie paths, oracle and comparison
    // values and oracle and source file names; otherwise `settings` stays as
    // it was (the caller has reset it already). At most maxRows rows are read.
    static ProjectLoadResult Load(const std::string& path, CIniFile& settings, int32_t maxRows = MAX_ROWS);

    // "LOW" or "FAST" for an encoding cell text ("Low Encoding" ...).
    static std::string CodecText(const std::string& encodingText);
};
