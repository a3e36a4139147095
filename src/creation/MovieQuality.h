#pragma once
// How close a movie comes to its source, measured as a new user would with
// ffmpeg: both decoded to 4:2:0 planes (the decoder's own where it has
// them), PSNR from the mean squared error over all planes of all frames
// (ffmpeg's psnr filter's average), SSIM as its ssim filter's "All", the
// video bytes, and the key-frame interval that comes out worst.

#include <cstdint>
#include <optional>
#include <string>

class IHost;

struct MovieQuality {
    int64_t videoBytes = 0;
    int32_t frames = 0; // compared: those both movies have
    // Infinite when the pictures are identical.
    double psnr = 0.0;
    double ssim = 0.0;
    // The key-frame interval [worstStart, worstEnd) with the lowest PSNR.
    int32_t worstStart = 0;
    int32_t worstEnd = 0;
    double worstPsnr = 0.0;
};

// Nothing, with the reason in `error`, when a file does not open, has no
// video, the pictures differ in size or a frame cannot be decoded.
std::optional<MovieQuality> MeasureMovieQuality(IHost& host, const std::string& source,
                                                const std::string& movie, std::string* error);

// PSNR in dB of a mean squared error on 8-bit samples; infinite for 0.
double PsnrFromMse(double mse);
