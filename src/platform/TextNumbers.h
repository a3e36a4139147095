#pragma once
// Numbers to text and back in the classic "C" conventions (decimal point,
// no digit grouping), whatever locale the process runs under. The GUI toolkit
// switches the process to the user's locale at start-up; without this guard
// a German desktop would write "1,000000" into settings and data base files
// and fail to read the files of everyone else.

#include <cstdint>
#include <string>
#include <string_view>

// printf into a std::string, in the "C" locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Decimal integer conversion as atoi does it: leading white space skipped,
// optional sign, digits up to the first non-digit; no digits give 0. Values
// beyond the 32-bit range saturate instead of overflowing.
int32_t ParseDecimalInt(std::string_view text);

// The "%f" scan of sscanf (leading white space, sign, decimal or hex digits,
// exponent, "inf", "nan"), in the "C" locale. False when nothing could be
// scanned; the value is then left as it was.
bool ScanFloat(std::string_view text, float& value);
bool ScanDouble(std::string_view text, double& value);
