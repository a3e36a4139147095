#pragma once
// One stretch of the movie from a key frame of the LOW file up to the next:
// its two quality values, its sizes in both encodings and the decision.

#include <cstdint>

struct OracleInterval {
    enum { CHOICE_NONE = 0, CHOICE_LOW = 1, CHOICE_FAST = 2 };

    // |lowValue - fastValue|: the order in which the size limit gives up quality.
    double valueDistance = 0.0;
    // A larger lowValue relative to fastValue speaks for FAST.
    double lowValue = -1.0;
    double fastValue = -1.0;
    int32_t start = 0;
    int32_t end = 0; // exclusive
    // 64-bit: byte counts of long stretches must not wrap.
    int64_t lowBytes = 0;
    int64_t fastBytes = 0;
    int64_t audioBytes = 0;
    bool decidedBySize = false;
    int32_t choice = CHOICE_NONE;
};
