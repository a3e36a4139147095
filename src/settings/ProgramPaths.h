#pragma once
// Where the program finds and keeps its own files: the directory of the
// running executable (read from /proc/self/exe), and the place for a settings
// file such as Settings.ini: beside the program when that directory is
// writable, otherwise in the user's configuration directory.

#include <string>

// The directory of the running executable; empty when it cannot be found.
std::string GetProgramDirectory();

// The path to read and write the settings file `fileName` at: beside the
// program when its directory is writable, else in $XDG_CONFIG_HOME/flintmoor/
// (default ~/.config/flintmoor/), which is created when missing.
std::string GetSettingsFilePath(const std::string& fileName);
// The same choice for a given program directory.
std::string GetSettingsFilePath(const std::string& fileName, const std::string& programDirectory);
