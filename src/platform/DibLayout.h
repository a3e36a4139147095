#pragma once
// Layout of a packed DIB (BITMAPINFOHEADER, colour table, pixels) as the
// decoder hands it out and the compressors take it in. Every function checks
// its input against the bytes actually present, because headers come from
// files written by others.

#include "platform/AviTypes.h"

#include <cstddef>
#include <cstdint>

constexpr uint32_t BI_BITFIELDS = 3;

// Entries of 4 bytes in the colour table: biClrUsed, or 2^biBitCount when it
// is 0 and the frame has 8 bits or fewer; for deeper frames biClrUsed, plus 3
// masks for BI_BITFIELDS. -1 when the count is absurd (over 256 for palette
// frames, or over 2^16 otherwise).
int64_t DibColourTableEntries(const BitmapInfoHeader& header);

// Bytes from the header start to the first pixel (biSize is taken as at least
// 40), or -1 when the colour table count is absurd.
int64_t DibPixelOffset(const BitmapInfoHeader& header);

// Bytes in one stored row: rows are padded to 4 bytes. 0 for a bad size.
int64_t DibStride(int32_t width, int bitCount);

// Bytes of all stored rows (|biHeight| rows); 0 for a bad size.
int64_t DibImageBytes(const BitmapInfoHeader& header);

// The unpadded size the media layer works with: width x height x (bits / 8).
int64_t DibUnpaddedBytes(const BitmapInfoHeader& header);
