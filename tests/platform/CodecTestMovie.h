#pragma once
// Pictures and small movies for the codec tests: a moving, textured scene as
// uncompressed DIB frames, encoded into in-memory streams or AVI files, and
// ffmpeg's own decode of a file for comparison.

#include "MemoryAviStream.h"

#include "platform/CodecOptions.h"

#include <cstdint>
#include <string>
#include <vector>

// BITMAPINFOHEADER (+ colour table for 8 bits) of a BI_RGB frame, bottom-up.
std::vector<uint8_t> TestDibFormat(int width, int height, int bitCount);
// The pixels of frame i (rows padded to 4 bytes, bottom-up) in that format.
std::vector<uint8_t> TestDibPixels(int width, int height, int bitCount, int frame);

// Encodes `frames` frames of the test scene with these options into stream,
// requesting a key frame at each position in keyRequests. Returns the
// compressed stream's error text ("" on success).
std::string EncodeTestMovie(CMemoryAviStream& stream, const CodecOptions& options, int width, int height,
                            int frames, const std::vector<int>& keyRequests);

// Writes the stream's chunks into an AVI file with our writer; "" on success.
std::string WriteStreamToAvi(CMemoryAviStream& stream, const std::string& path);
// Loads the first video stream of an AVI file with our reader.
std::string ReadAviIntoStream(const std::string& path, CMemoryAviStream& stream);

// ffmpeg's decode of the first video stream as 24-bit BGR, one vector per
// frame, rows bottom-up and padded to 4 bytes like our DIB pixels.
std::vector<std::vector<uint8_t>> FfmpegBgrFrames(const std::string& path, int width, int height);

// Rewrites an MPEG-4 stream with one B-frame between references the way
// DivX 5 stored it: each reference travels together with the B-frame that
// follows it in decoding order, the next chunk is a tiny placeholder VOP,
// and the first chunk says "packed" in its DivX user data.
CMemoryAviStream PackBFrames(CMemoryAviStream& plain);

// Largest difference of two equally long byte runs (256 when sizes differ).
int LargestDifference(const uint8_t* a, const uint8_t* b, size_t size);
