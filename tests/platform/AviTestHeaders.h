#pragma once
// Pieces for hand-made AVI files in reader tests (built with CRiffBuilder):
// FourCCs from text, chunks whose position is needed later, and the fixed
// header records.

#include "platform/AviTypes.h"
#include "platform/CRiffBuilder.h"

#include <cstdint>
#include <vector>

inline FOURCC Fcc(const char* id) {
    return MakeFourCC(id[0], id[1], id[2], id[3]);
}

// Appends a whole chunk and returns the position of its header.
size_t PutChunkAt(CRiffBuilder& r, const char* id, const std::vector<uint8_t>& data);
void Patch64(CRiffBuilder& r, size_t pos, uint64_t v);

// 56-byte strh contents.
std::vector<uint8_t> TestStrh(const char* type, const char* handler, uint32_t scale, uint32_t rate,
                              uint32_t length, uint32_t sampleSize);
// 56-byte avih contents.
std::vector<uint8_t> TestAvih(uint32_t frames, uint32_t streams, uint32_t width, uint32_t height);
