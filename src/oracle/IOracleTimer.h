#pragma once
// The elapsed/remaining time display the measuring feeds with frame numbers.

#include <cstdint>

class IOracleTimer {
public:
    virtual ~IOracleTimer() = default;
    virtual void SetTotal(int32_t total) = 0;
    virtual void SetCurrent(int32_t current) = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
};
