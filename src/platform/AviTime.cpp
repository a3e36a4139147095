#include "platform/AviTime.h"

#include <algorithm>

namespace {
int64_t Clamp(int64_t v, int64_t lo, int64_t hi) {
    return std::max(lo, std::min(v, hi));
}
int32_t ToInt32(int64_t v) {
    return static_cast<int32_t>(Clamp(v, INT32_MIN, INT32_MAX));
}
} // namespace

// Streams with fewer than 1000 samples per second (video) round down; faster
// streams (audio) round up, so that a time maps to the sample that covers it.
int32_t AviSampleToTime(uint32_t rate, uint32_t scale, int64_t start, int64_t length, int64_t sample) {
    if (rate == 0 || scale == 0)
        return 0;
    sample = Clamp(sample, start, start + std::max<int64_t>(length, 0));
    const int64_t num = sample * static_cast<int64_t>(scale) * 1000;
    if (rate / scale < 1000)
        return ToInt32(num / rate);
    return ToInt32((num + rate - 1) / rate);
}

int32_t AviTimeToSample(uint32_t rate, uint32_t scale, int64_t start, int64_t length, int64_t ms) {
    if (rate == 0 || scale == 0)
        return 0;
    const int64_t den = static_cast<int64_t>(scale) * 1000;
    int64_t s;
    if (rate / scale < 1000)
        s = static_cast<int64_t>(rate) * ms / den;
    else
        s = (static_cast<int64_t>(rate) * ms + den - 1) / den;
    return ToInt32(Clamp(s, start, start + std::max<int64_t>(length, 0)));
}
