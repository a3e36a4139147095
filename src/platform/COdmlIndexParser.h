#pragma once
// Reads the OpenDML indexes: each stream's super index ('indx' in its strl)
// lists standard indexes ('ix##' chunks), whose entries point at chunk data
// (not at the header) and mark delta frames with bit 31 of the size.

#include "platform/AviLayout.h"
#include "platform/CAviChunkList.h"

#include <string>

class CReadOnlyFile;

class COdmlIndexParser {
public:
    COdmlIndexParser(const CReadOnlyFile& file, const AviLayout& layout) : m_file(file), m_layout(layout) {}

    // True when every stream has a super index and they all check out.
    bool Parse(CAviChunkList& list, std::string* why);

private:
    struct IndexHeader {
        uint16_t longsPerEntry = 0;
        uint8_t subType = 0;
        uint8_t type = 0;
        uint32_t entriesInUse = 0;
        FOURCC chunkId = 0;
    };

    bool ReadHeader(uint64_t pos, uint32_t size, IndexHeader& h) const;
    bool ParseSuperIndex(uint16_t stream, const AviStreamHeaders& s, CAviChunkList& list, std::string* why);
    bool ParseStdIndex(uint16_t stream, uint64_t pos, uint32_t size, CAviChunkList& list, std::string* why);

    const CReadOnlyFile& m_file;
    const AviLayout& m_layout;
};
