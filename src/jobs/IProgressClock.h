#pragma once
// The progress timer's view of time: whole seconds since some fixed point and
// a wait between two ticks. Tests replace it so that tick patterns and long
// running times are checked without sleeping.

#include <cstdint>

class CManualResetEvent;

class IProgressClock {
public:
    virtual ~IProgressClock() = default;
    virtual int64_t NowSeconds() = 0;
    // Waits until `tick` is set or `milliseconds` have passed.
    virtual void WaitTick(CManualResetEvent& tick, int milliseconds) = 0;
};
