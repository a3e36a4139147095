#pragma once
// The oracle's runs as rows of the encoding list, each measured (times and
// sizes) in the movie it is taken from.

#include "oracle/IOracleListSink.h"

class CAVIFile;
class CEncodingList;

class CEncodingListSink : public IOracleListSink {
public:
    CEncodingListSink(CEncodingList& list, const CAVIFile& lowFile, const CAVIFile& fastFile)
        : m_list(list), m_lowFile(lowFile), m_fastFile(fastFile) {}

    void ClearRows() override;
    void AddRun(bool isLow, int32_t start, int32_t end) override;

private:
    CEncodingList& m_list;
    const CAVIFile& m_lowFile;
    const CAVIFile& m_fastFile;
};
