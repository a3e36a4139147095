#include "settings/CProjectFile.h"

#include "settings/CIniFile.h"
#include "settings/ProjectKeys.h"

#include <algorithm>
#include <cctype>

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
            !file.GetString(MOVIE_SETTINGS, CODEC + number, codec))
            break;
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
        part.fast = codec == "FAST";
        result.parts.push_back(part);
    }
    return result;
}
