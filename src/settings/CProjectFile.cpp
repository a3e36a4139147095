#include "settings/CProjectFile.h"

#include "settings/CIniFile.h"
#include "settings/ProjectKeys.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {
using namespace ProjectKeys;

void CopyString(const CIniFile& from, CIniFile& to, const char* section, const char* key) {
    std::string value;
    if (from.GetString(section, key, value))
        to.SetString(section, key, value);
}

void CopyFloat(const CIniFile& from, CIniFile& to, const char* section, const char* key) {
    float value = 0.0f;
    if (from.GetFloat(section, key, value))
        to.SetFloat(section, key, value);
}
// Rows are read up to the first number that lacks one of its three keys;
// rows numbered beyond it would be lost without a word.
void WarnAboutRowsAfter(const CIniFile& file, int32_t missing, std::vector<std::string>& warnings) {
    const CIniFile::CKeyMap* keys = file.FindSection(MOVIE_SETTINGS);
    if (!keys)
        return;
    int64_t later = 0;
    bool partial = false;
    keys->ForEach([&](const std::string& key, const std::string&) {
        for (const char* prefix : {START_FRAME, END_FRAME, CODEC}) {
            const std::string_view name(prefix);
            if (key.size() <= name.size() || key.compare(0, name.size(), name) != 0)
                continue;
            const std::string digits = key.substr(name.size());
            if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
                continue;
            const int64_t row = std::stoll(digits);
            later += row > missing ? 1 : 0;
            partial = partial || row == missing;
        }
    });
    if (partial || later > 0)
        warnings.push_back(
            "Part " + std::to_string(missing) + " of the project file lacks " +
            (partial ? "one of its keys" : "its keys") +
            " (StartFrame, EndFrame, Codec); it and the parts numbered after it are left out.");
}
} // namespace

std::string CProjectFile::CodecText(const std::string& encodingText) {
    std::string upper = encodingText;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper.find("LOW") != std::string::npos ? "LOW" : "FAST";
}

bool CProjectFile::Save(const CIniFile& settings, const std::vector<ProjectRow>& rows,
                        const std::string& path) {
    CIniFile file;
    file.Merge(settings);
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::string number = std::to_string(r);
        file.SetString(MOVIE_SETTINGS, START_FRAME + number, rows[r].startText);
        file.SetString(MOVIE_SETTINGS, END_FRAME + number, rows[r].endText);
        file.SetString(MOVIE_SETTINGS, CODEC + number, CodecText(rows[r].encodingText));
    }
    try {
        return file.Save(path);
    } catch (const CIniFileError&) {
        return false;
    }
}

ProjectLoadResult CProjectFile::Load(const std::string& path, CIniFile& settings, int32_t maxRows) {
    ProjectLoadResult result;
    CIniFile file;
    try {
        if (!file.Load(path)) {
            result.error = "Cannot read the project file " + path;
            return result;
        }
    } catch (const CIniFileError& e) {
        result.error = e.what();
        return result;
    }
    result.loaded = true;
    settings.Clear();

    if (file.GetInt(SLIDER, VALUE, result.sliderValue))
        settings.SetInt(SLIDER, VALUE, result.sliderValue);
    result.hasLowFile = file.GetString(MOVIE_SETTINGS, LOW_FILE, result.lowFile);
    if (result.hasLowFile)
        settings.SetString(MOVIE_SETTINGS, LOW_FILE, result.lowFile);
    result.hasFastFile = file.GetString(MOVIE_SETTINGS, FAST_FILE, result.fastFile);
    if (result.hasFastFile)
        settings.SetString(MOVIE_SETTINGS, FAST_FILE, result.fastFile);
    // The slider value is kept even when the movies do not open.
    settings.SetInt(SLIDER, VALUE, result.sliderValue);
    CopyFloat(file, settings, MOVIE_SETTINGS, ORACLE_VALUE);
    CopyFloat(file, settings, MOVIE_SETTINGS, COMPARISON_VALUE);
    CopyString(file, settings, MOVIE_SETTINGS, ORIGINAL_FILE);
    CopyString(file, settings, MOVIE_SETTINGS, ORACLE_FILE);

    for (int32_t n = 0;; ++n) {
        const std::string number = std::to_string(n);
        ProjectPart part;
        std::string codec;
        if (!file.GetInt(MOVIE_SETTINGS, START_FRAME + number, part.start) ||
            !file.GetInt(MOVIE_SETTINGS, END_FRAME + number, part.end) ||
            !file.GetString(MOVIE_SETTINGS, CODEC + number, codec)) {
            WarnAboutRowsAfter(file, n, result.warnings);
            break;
        }
        if (n >= maxRows) {
            result.warnings.push_back("The project file lists more than " + std::to_string(maxRows) +
                                      " parts; the rest is left out.");
            break;
        }
        // A negative frame number names no frame of any movie.
        if (part.start < 0) {
            result.warnings.push_back("Part " + number + " of the project file starts at frame " +
                                      std::to_string(part.start) + "; it is left out.");
            continue;
        }
        // The list takes no part of less than one frame; say so.
        if (part.end <= part.start) {
            result.warnings.push_back(
                "Part " + number + " of the project file " +
                (part.end < part.start ? "ends (frame " + std::to_string(part.end) +
                                             ") before it starts (frame " + std::to_string(part.start) + ")"
                                       : "is empty (frame " + std::to_string(part.start) + " to itself)") +
                "; it is left out.");
            continue;
        }
        part.fast = codec == "FAST";
        part.row = n;
        result.parts.push_back(part);
    }
    return result;
}
