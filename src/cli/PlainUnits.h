#pragma once
// Sizes for people in the command line's own summaries: "512 bytes",
// "39.8 MB" (units of 1000, as the encoding list counts). The --json forms
// give bytes.

#include <cstdint>
#include <string>

std::string PlainSize(int64_t bytes);
