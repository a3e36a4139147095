#pragma once
// The runs the oracle lists, as (isLow, start, end).

#include "oracle/IOracleListSink.h"

#include <cstdint>
#include <tuple>
#include <vector>

class CRecordingListSink : public IOracleListSink {
public:
    using Run = std::tuple<bool, int32_t, int32_t>;
    void ClearRows() override { m_runs.clear(); }
    void AddRun(bool isLow, int32_t start, int32_t end) override { m_runs.emplace_back(isLow, start, end); }
    std::vector<Run> m_runs;
};
