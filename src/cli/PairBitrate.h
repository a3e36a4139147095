#pragma once
// One bit rate for the LOW and the FAST compressor, so that the two
// encodings cost about the same and the oracle's choice is one of quality:
// given with --bitrate, or proposed from the source's picture size and rate.

#include <cstdint>
#include <string>

class CAVIStream;
class IHost;
struct CodecOptions;

// kbit/s for a picture of width x height at framesPerSecond: 0.12 bits per
// pixel, rounded to tens, at least 50.
uint32_t ProposeBitrateKbps(int32_t width, int32_t height, double framesPerSecond);

// Sets `kbps` (or, when `text` is empty, the proposal for `video`) as the bit
// rate of every compressor whose setting string names no rate of its own ("bitrate=" or
// "q="). "" when done, else what is wrong with `text`. `said` gets a line for
// the user.
std::string ApplyPairBitrate(const std::string& text, const CAVIStream& video, const std::string& lowSettings,
                             CodecOptions& low, const std::string& fastSettings, CodecOptions& fast,
                             std::string* said);

// The same for the video of the movie at `source`, opened for it. False when
// the movie does not open or has no video (the host has said why), or, with
// `usage` set, when `text` is wrong.
bool ApplyPairBitrateFor(IHost& host, const std::string& source, const std::string& text,
                         const std::string& lowSettings, CodecOptions& low, const std::string& fastSettings,
                         CodecOptions& fast, std::string* said, std::string* usage);
