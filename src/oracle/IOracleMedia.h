#pragma once
// What the oracle needs of one input movie (LOW, FAST or source): its frame
// grid, compressed sizes and decoded frames. CAviOracleMedia serves it from a
// CAVIFile; tests serve synthetic movies.

#include <cstdint>

class IOracleMedia {
public:
    virtual ~IOracleMedia() = default;

    // Frames of the movie (the file's length).
    virtual int32_t GetLength() const = 0;
    virtual bool HasVideo() const = 0;
    // Frames of the video stream: frames at or beyond it are never measured.
    virtual int32_t GetVideoLength() const = 0;
    // The first key frame after `frame`; negative when there is none.
    virtual int32_t NextKeyFrame(int32_t frame) const = 0;
    // Compressed bytes of video frames first .. end-1.
    virtual int64_t VideoBytes(int32_t first, int32_t end) const = 0;
    // Bytes of the audio that plays with video frames first .. end-1; 0 without audio.
    virtual int64_t AudioBytes(int32_t first, int32_t end) const = 0;
    // As CAVIStream::GetBitmapBuffer on the video stream: raw (the decoder's
    // own pixels) or copied into `buffer` (a new[] buffer when null); null
    // after the decoder's own message when the frame cannot be decoded.
    virtual uint8_t* GetBitmapBuffer(bool raw, int32_t frame, int32_t* size, uint8_t* buffer, int32_t* width,
                                     int32_t* height) = 0;
    // The frame's DetailSum over its 24-bit picture read as detailWidth x
    // detailHeight (its own shape when those are not positive), where the
    // movie can measure it without making the picture; true with the detail
    // and GetBitmapBuffer's raw size, width and height set. False leaves the
    // frame to GetBitmapBuffer (the default).
    virtual bool MeasureDetail(int32_t /*frame*/, int32_t /*detailWidth*/, int32_t /*detailHeight*/,
                               int64_t* /*detail*/, int32_t* /*size*/, int32_t* /*width*/,
                               int32_t* /*height*/) {
        return false;
    }
};
