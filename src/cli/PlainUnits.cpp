#include "cli/PlainUnits.h"

#include <cstdio>

std::string PlainSize(int64_t bytes) {
    if (bytes < 1000)
        return std::to_string(bytes) + " bytes";
    static const char* const units[] = {"kB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    // 999.96 kB would print as "1000.0 kB": go on to the next unit instead.
    while (value >= 999.95 && unit + 1 < sizeof units / sizeof *units) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}
