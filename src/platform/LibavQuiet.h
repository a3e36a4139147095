#pragma once
// libavcodec and libswscale print warnings on stderr by themselves ("vbv
// buffer overflow", damaged-stream notes). Core code never prints: the codec
// classes call this before their first use, which keeps libav's log off
// stderr for the whole process. Failures still reach the user through return
// values, and those can name libav's own reason (LastLibavError).

#include <string>

void QuietLibav();

// The last error libav logged on the calling thread since ClearLibavError,
// or "" when none: the encoder's own words for why a call failed.
std::string LastLibavError();
void ClearLibavError();
