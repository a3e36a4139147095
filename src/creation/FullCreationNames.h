#pragma once
// The names the full creation proposes for a source movie, and the oracle
// file proposed for a LOW file.

#include <string>

namespace FullCreationNames {
// The path cut before the last "." of its file name; "" when the file name
// has none (a "." in a directory name is not an extension).
std::string Base(const std::string& path);
std::string LowFile(const std::string& input);  // Base + "_low.avi"
std::string FastFile(const std::string& input); // Base + "_fast.avi"
// The path cut before its last "." (even one in a directory name; "" when
// the path has none) + "_low_oracle.dat", and for a LOW file + "_oracle.dat".
std::string CutBeforeLastDot(const std::string& path);
std::string OracleFile(const std::string& input);
std::string OracleFileForLow(const std::string& low);
} // namespace FullCreationNames
