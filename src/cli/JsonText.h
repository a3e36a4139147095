#pragma once
// Text in JSON form for the command line's machine-readable output.

#include <string>

// `text` as a quoted JSON string. Quotes, backslashes and control characters
// are escaped; valid UTF-8 passes through unchanged. A byte that is not part
// of valid UTF-8 (file names on Linux are bytes) becomes the escape \udcXX
// (XX its value), the form Python's "surrogateescape" reads back to the very
// same byte, so a name survives the round trip.
std::string JsonString(const std::string& text);
