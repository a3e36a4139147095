#pragma once
// The two per-frame measures of the oracle. Sums are 64-bit: a frame of
// 1920x1080 can already exceed what 32 bits hold.

#include <cstdint>

// Local detail of a frame of 3 bytes per pixel whose rows follow each other
// without gaps: over every pixel that has a right neighbour and a neighbour
// one row further, |X[p] - X[p+3]| + |X[p] - X[p+3*width]| for each of its
// three bytes. Reads no byte at or beyond `size`: only as many whole rows take
// part as the buffer holds.
int64_t DetailSum(const uint8_t* pixels, int64_t size, int32_t width, int32_t height);

// One plane's part of the detail between two neighbouring rows:
// |row[x] - row[x+1]| + |row[x] - other[x]| over x < count. Summed over the
// three colour planes and every pair of rows (each row but the last with the
// one after it) this gives DetailSum of the packed picture, in either row order.
int64_t PlaneRowDetail(const uint8_t* row, const uint8_t* other, int64_t count);

// Sum of |a[i] - b[i]| over i < count. A null buffer contributes nothing (0).
int64_t DifferenceSum(const uint8_t* a, const uint8_t* b, int64_t count);

// Sum of (a[i] - b[i])^2 over i < count: what the mean squared error and so
// the PSNR count. A null buffer contributes nothing (0).
int64_t SquaredDifferenceSum(const uint8_t* a, const uint8_t* b, int64_t count);
