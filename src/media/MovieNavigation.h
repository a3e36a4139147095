#pragma once
// Where the navigation commands of the preview move: every bound comes from
// the LOW movie (its frame count and the key frames of its first video
// stream), also when the FAST movie is longer or only the FAST one is open.

#include <cstdint>

class CAVIFile;

enum class ENavigation { First, Last, Prev, Next, PrevKey, NextKey };

// The new frame for `command` from slider position `p`; false when the
// command does nothing there (then *frame is untouched).
bool NavigateFrom(ENavigation command, int32_t p, const CAVIFile& low, int32_t* frame);

// The LOW movie's frame count; 0 when it is not open.
int32_t NavigationLength(const CAVIFile& low);

// Whether a part may start or end at `frame`: a key frame of the LOW movie's
// first video stream, or its last frame.
bool IsMarkableFrame(int32_t frame, const CAVIFile& low);
