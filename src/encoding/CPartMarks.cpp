#include "encoding/CPartMarks.h"

void CPartMarks::SetStart(int32_t slider) {
    m_nStart = slider;
    if (m_nEnd < m_nStart)
        m_nEnd = m_nStart;
}

void CPartMarks::SetEnd(int32_t slider, int32_t lowLength) {
    m_nEnd = slider;
    if (m_nEnd < m_nStart)
        m_nStart = m_nEnd;
    if (int64_t{lowLength} == int64_t{m_nEnd} + 1)
        m_nEnd = lowLength;
}

void CPartMarks::AddPart(CEncodingList& list, const CAVIFile& file, EPartEncoding encoding) {
    list.AddPart(file, encoding, m_nStart, m_nEnd);
    m_nStart = m_nEnd;
}

void CPartMarks::Reselect(const CEncodingList& list, int row) {
    const PartRange range = list.GetPartRange(row);
    m_nStart = range.start;
    m_nEnd = range.end;
}

void CPartMarks::Toggle(CEncodingList& list, int row, const CAVIFile& lowFile, const CAVIFile& fastFile) {
    const PartRange range = list.TogglePart(row, lowFile, fastFile);
    m_nStart = range.start;
    m_nEnd = range.end;
}
