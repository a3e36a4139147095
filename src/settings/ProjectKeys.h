#pragma once
// The section and keys of a project file and of the settings store that the
// project is saved from, spelled once. The texts are those of the file format.

namespace ProjectKeys {
constexpr const char* MOVIE_SETTINGS = "Movie Settings";
constexpr const char* LOW_FILE = "Low-File";
constexpr const char* FAST_FILE = "Fast-File";
constexpr const char* ORIGINAL_FILE = "Original-File";
constexpr const char* ORACLE_FILE = "Oracle-File";
constexpr const char* ORACLE_VALUE = "Oracle Value";
constexpr const char* COMPARISON_VALUE = "Comparison Value";
constexpr const char* START_FRAME = "StartFrame"; // + row number
constexpr const char* END_FRAME = "EndFrame";     // + row number
constexpr const char* CODEC = "Codec";            // + row number
constexpr const char* SLIDER = "Slider";
constexpr const char* VALUE = "Value";
} // namespace ProjectKeys
