#pragma once
// How close a movie's pictures come to the source's: the PSNR over all
// frames, both decoded by our own decoder as 24-bit pictures.

#include <optional>
#include <string>

class IHost;

// PSNR in dB of the first video stream of `movie` against that of `source`
// over the frames both have (the mean squared error of every byte of every
// frame). Nothing when a file does not open, the pictures differ in size or
// are not 24-bit, or a frame cannot be decoded; identical pictures give
// infinity.
std::optional<double> MoviePsnr(IHost& host, const std::string& source, const std::string& movie);
