#pragma once
// The 24-bit BGR picture of an 8-bit 4:2:0 frame, a row at a time and one
// plane per colour, for measures that only sum over neighbouring pixels: they
// need neither the whole picture in memory nor its packed layout. The values
// are the ones the frame converter (swscale) gives, byte for byte: its
// vector code computes each pixel from Y, U and V in 16-bit lanes, which is
// done the same way here (with AVX2), and whether both agree on this machine
// is checked once per picture width over every combination of Y, U and V
// before the rows are used (a different FFmpeg, or a CPU without AVX2, falls
// back to the converter).

#include <cstdint>
#include <vector>

struct AVFrame;

class IBgrRowSink {
public:
    virtual ~IBgrRowSink() = default;
    // The picture's shape before its first row; false declines the rows.
    virtual bool Begin(int32_t width, int32_t height) = 0;
    // Row y (top-down), width bytes per plane. The previous row's planes stay
    // valid until this call returns.
    virtual void Row(int32_t y, const uint8_t* blue, const uint8_t* green, const uint8_t* red) = 0;
};

class CYuv420BgrRows {
public:
    // True when rows of this shape equal the frame converter's picture on
    // this machine (checked the first time a width is asked for).
    static bool Exact(int32_t width, int32_t height);

    // Hands the rows of a yuv420p frame to the sink. False, without a row,
    // when the frame is not 8-bit 4:2:0, the sink declines its shape or its
    // rows would not be exact.
    bool Visit(const AVFrame& frame, IBgrRowSink& sink);

    // The rows of any yuv420p frame, exact or not (for the check itself).
    void VisitRows(const AVFrame& frame, IBgrRowSink& sink);

private:
    std::vector<uint8_t> m_rows; // two rows of three planes, used in turns
};
