#pragma once
// Movies for the media tests, made by ffmpeg, and what ffmpeg hears in them.

#include "support/TestUtil.h"

#include <string>
#include <vector>

// A 160x120 MS-MPEG-4 v3 ("DIV3") movie of `seconds` at 25 frames per second
// with key frames every 25 frames (plus `extraKeys`, e.g. "expr:eq(n,3)"),
// and audio encoded with `audioArgs` (e.g. {"-c:a", "pcm_s16le"}; empty: no
// audio). Fails the calling test when ffmpeg fails.
std::string MakeMovie(const CTempDir& dir, const std::string& name, const std::vector<std::string>& audioArgs,
                      int seconds = 3, const std::string& extraKeys = "");

// Hash of all packet data of one stream ("v:0", "a:0"), however it is chunked.
std::string StreamMd5(const std::string& path, const std::string& stream);

// The loudest decoded audio sample in dB (volumedetect); 0 when not found.
double MaxVolumeDb(const std::string& path);
