#pragma once
// libavcodec and libswscale print warnings on stderr by themselves ("vbv
// buffer overflow", damaged-stream notes). Core code never prints: the codec
// classes call this before their first use, which silences libav's log for
// the whole process. Failures still reach the user through return values.

void QuietLibav();
