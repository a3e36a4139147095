#pragma once
// Where the oracle puts its runs of equal decisions: the encoding list, each
// run measured in the file it comes from.

#include <cstdint>

class IOracleListSink {
public:
    virtual ~IOracleListSink() = default;
    virtual void ClearRows() = 0;
    // Frames start .. end-1 taken from the LOW file (isLow) or the FAST file.
    virtual void AddRun(bool isLow, int32_t start, int32_t end) = 0;
};
