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

std::string OracleFile(const std::string& input) {
    return Base(input) + "_low_oracle.dat";
}

std::string OracleFileForLow(const std::string& low) {
    // A LOW file without extension keeps its whole name in front.
    const std::string base = Base(low);
    return (base.empty() ? low : base) + "_oracle.dat";
}

} // namespace FullCreationNames
