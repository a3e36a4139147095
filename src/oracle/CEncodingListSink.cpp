#include "oracle/CEncodingListSink.h"

#include "encoding/CEncodingList.h"

void CEncodingListSink::ClearRows() {
    m_list.Clear();
}

void CEncodingListSink::AddRun(bool isLow, int32_t start, int32_t end) {
    m_list.AddPart(isLow ? m_lowFile : m_fastFile, isLow ? EPartEncoding::Low : EPartEncoding::Fast, start,
                   end);
}
