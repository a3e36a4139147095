#pragma once
// Reads the AVI 1.0 index (idx1) into a chunk list. Its offsets count from
// the 'movi' FourCC in most files and from the start of the file in some;
// the first entry that names a sample chunk decides which, by looking for
// that chunk's header at both places.

#include "platform/AviLayout.h"
#include "platform/CAviChunkList.h"

#include <string>

class CReadOnlyFile;

class CAviIdx1Parser {
public:
    CAviIdx1Parser(const CReadOnlyFile& file, const AviLayout& layout) : m_file(file), m_layout(layout) {}

    // False with a reason when idx1 does not describe the chunks of the file.
    bool Parse(CAviChunkList& list, bool& absolute, std::string* why);

private:
    bool FindBase(const uint8_t* entry, uint64_t& base, bool& absolute) const;
    bool ChunkAt(uint64_t pos, FOURCC id, uint32_t size) const;
    bool MoreChunksAfter(uint64_t pos) const;
    void ReserveRoom(CAviChunkList& list) const;

    const CReadOnlyFile& m_file;
    const AviLayout& m_layout;
};
