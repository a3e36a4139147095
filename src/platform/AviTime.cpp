#include "platform/AviTime.h"

#include <algorithm>

namespace {
// Products of a 32-bit scale, a sample number and 1000 pass 64 bits when a
// header carries extreme values; 128 bits hold every one of them.
__extension__ typedef __int128 Wide;

int64_t Clamp(int64_t v, int64_t lo, int64_t hi) {
    return std::max(lo, std::min(v, hi));
}
int32_t ToInt32(Wide v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}
} // namespace

// Streams with fewer than 1000 samples per second (video) round down; faster
// streams (audio) round up, so that a time maps to the sample that covers it.
int32_t AviSampleToTime(uint32_t rate, uint32_t scale, int64_t start, int64_t length, int64_t sample) {
    if (rate == 0 || scale == 0)
        return 0;
    sample = Clamp(sample, start, start + std::max<int64_t>(length, 0));
    const Wide num = static_cast<Wide>(sample) * scale * 1000;
    if (rate / scale < 1000)
        return ToInt32(num / rate);
    return ToInt32((num + rate - 1) / rate);
}

int32_t AviTimeToSample(uint32_t rate, uint32_t scale, int64_t start, int64_t length, int64_t ms) {
    if (rate == 0 || scale == 0)
        return 0;
    const Wide den = static_cast<Wide>(scale) * 1000;
    Wide s;
    if (rate / scale < 1000)
        s = static_cast<Wide>(rate) * ms / den;
    else
        s = (static_cast<Wide>(rate) * ms + den - 1) / den;
    const Wide lo = start, hi = start + std::max<int64_t>(length, 0);
    return ToInt32(s < lo ? lo : s > hi ? hi : s);
}
