#pragma once
// A picture in 8-bit 4:2:0 planes (what MPEG-4 encoders take and decoders
// give): Y at full size, U and V at half size rounded up, rows top-down and
// without padding.

#include <cstddef>
#include <cstdint>
#include <vector>

struct YuvPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> y;
    std::vector<uint8_t> u;
    std::vector<uint8_t> v;

    int32_t ChromaWidth() const { return (width + 1) / 2; }
    int32_t ChromaHeight() const { return (height + 1) / 2; }
    // Sizes the planes for width x height.
    void Resize(int32_t w, int32_t h) {
        width = w;
        height = h;
        y.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        const size_t chroma = static_cast<size_t>(ChromaWidth()) * static_cast<size_t>(ChromaHeight());
        u.resize(chroma);
        v.resize(chroma);
    }
};
