#pragma once
// Conversion between sample numbers and milliseconds for one stream, the way
// the classic AVI services round, but in 64-bit integers so long movies keep
// their precision. Inputs and results are clamped to [start, start + length].

#include <cstdint>

int32_t AviSampleToTime(uint32_t rate, uint32_t scale, int64_t start, int64_t length, int64_t sample);
int32_t AviTimeToSample(uint32_t rate, uint32_t scale, int64_t start, int64_t length, int64_t ms);
