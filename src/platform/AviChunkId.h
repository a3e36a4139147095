#pragma once
// Small helpers for reading RIFF AVI structures: little-endian fields and the
// meaning of chunk ids ("01wb" = stream 1, audio bytes).

#include "platform/AviTypes.h"

#include <cstdint>

inline uint16_t AviGet16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t AviGet32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t AviGet64(const uint8_t* p) {
    return static_cast<uint64_t>(AviGet32(p)) | (static_cast<uint64_t>(AviGet32(p + 4)) << 32);
}

constexpr FOURCC kFccRIFF = MakeFourCC('R', 'I', 'F', 'F');
constexpr FOURCC kFccLIST = MakeFourCC('L', 'I', 'S', 'T');
constexpr FOURCC kFccJUNK = MakeFourCC('J', 'U', 'N', 'K');
constexpr FOURCC kFccAVI = MakeFourCC('A', 'V', 'I', ' ');
constexpr FOURCC kFccAVIX = MakeFourCC('A', 'V', 'I', 'X');
constexpr FOURCC kFccHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr FOURCC kFccAvih = MakeFourCC('a', 'v', 'i', 'h');
constexpr FOURCC kFccStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr FOURCC kFccStrh = MakeFourCC('s', 't', 'r', 'h');
constexpr FOURCC kFccStrf = MakeFourCC('s', 't', 'r', 'f');
constexpr FOURCC kFccStrn = MakeFourCC('s', 't', 'r', 'n');
constexpr FOURCC kFccIndx = MakeFourCC('i', 'n', 'd', 'x');
constexpr FOURCC kFccOdml = MakeFourCC('o', 'd', 'm', 'l');
constexpr FOURCC kFccDmlh = MakeFourCC('d', 'm', 'l', 'h');
constexpr FOURCC kFccMovi = MakeFourCC('m', 'o', 'v', 'i');
constexpr FOURCC kFccRec = MakeFourCC('r', 'e', 'c', ' ');
constexpr FOURCC kFccIdx1 = MakeFourCC('i', 'd', 'x', '1');

// The stream number of a sample chunk id "NNxx" (two decimal digits and two
// letters), or -1 when the id is not one.
int AviChunkStream(FOURCC id);
// True for the two-letter kinds that carry samples: dc, db (video), wb
// (audio), tx (text). Palette changes ("pc") are chunks but not samples.
bool AviIsSampleKind(FOURCC id);
// "ix00" .. "ix99": an OpenDML standard index inside movi.
bool AviIsStdIndexId(FOURCC id);
