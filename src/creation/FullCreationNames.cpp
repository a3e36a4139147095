#include "creation/FullCreationNames.h"

namespace FullCreationNames {

std::string Base(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return path.substr(0, dot);
}

std::string LowFile(const std::string& input) {
    return Base(input) + "_low.avi";
}

std::string FastFile(const std::string& input) {
    return Base(input) + "_fast.avi";
}

// Oracle files have always been proposed this way, and users find theirs by
// it: the whole path up to its last ".", wherever that stands.
std::string CutBeforeLastDot(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(0, dot);
}

std::string OracleFile(const std::string& input) {
    return CutBeforeLastDot(input) + "_low_oracle.dat";
}

std::string OracleFileForLow(const std::string& low) {
    return CutBeforeLastDot(low) + "_oracle.dat";
}

} // namespace FullCreationNames
