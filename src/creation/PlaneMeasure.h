#pragma once
// Measures of one picture plane against the same plane of the source, the
// way ffmpeg's psnr and ssim filters take them. Planes are rows of `width`
// bytes without padding.

#include <cstdint>

// Sum of squared differences over every byte of the plane.
int64_t PlaneSquaredError(const uint8_t* a, const uint8_t* b, int32_t width, int32_t height);

// Structural similarity: the mean over every 8x8 window at 4-pixel steps
// (sums of 4x4 blocks, two by two), with the usual constants for 8 bits.
// A plane smaller than two blocks either way gives 1 when it is equal,
// else 0.
double PlaneSsim(const uint8_t* a, const uint8_t* b, int32_t width, int32_t height);
