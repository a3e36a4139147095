#pragma once
// An input movie of the oracle served from a CAVIFile: its first video stream
// gives the frame grid, sizes and decoded frames, its first audio stream the
// audio sizes.

#include "oracle/IOracleMedia.h"

class CAVIFile;
class CAVIStream;

class CAviOracleMedia : public IOracleMedia {
public:
    explicit CAviOracleMedia(CAVIFile& file) : m_file(file) {}

    int32_t GetLength() const override;
    bool HasVideo() const override { return Video() != nullptr; }
    int32_t GetVideoLength() const override;
    int32_t NextKeyFrame(int32_t frame) const override;
    int64_t VideoBytes(int32_t first, int32_t end) const override;
    int64_t AudioBytes(int32_t first, int32_t end) const override;
    uint8_t* GetBitmapBuffer(bool raw, int32_t frame, int32_t* size, uint8_t* buffer, int32_t* width,
                             int32_t* height) override;
    bool MeasureDetail(int32_t frame, int32_t detailWidth, int32_t detailHeight, int64_t* detail,
                       int32_t* size, int32_t* width, int32_t* height) override;

private:
    CAVIStream* Video() const;
    CAVIStream* Audio() const;

    CAVIFile& m_file;
};
