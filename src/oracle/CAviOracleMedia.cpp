#include "oracle/CAviOracleMedia.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "oracle/FrameMeasure.h"
#include "platform/CYuv420BgrRows.h"

namespace {

// DetailSum of the packed bottom-up picture, summed over top-down rows of
// planes: each pair of neighbouring rows counts once in either order. Only
// pictures whose packed rows carry no padding (a width that is a multiple of
// 4) read the same both ways: with padding, DetailSum's rows of 3 x width
// bytes drift across the picture's rows, so those keep the packed picture.
class CDetailRows : public IBgrRowSink {
public:
    CDetailRows(int32_t width, int32_t height) : m_wantWidth(width), m_wantHeight(height) {}

    bool Begin(int32_t width, int32_t height) override {
        const bool ownShape = m_wantWidth <= 0 || m_wantHeight <= 0;
        if (!ownShape && (width != m_wantWidth || height != m_wantHeight)) {
            return false;
        }
        m_width = width;
        m_height = height;
        return width >= 2 && height >= 2 && width % 4 == 0;
    }

    void Row(int32_t y, const uint8_t* blue, const uint8_t* green, const uint8_t* red) override {
        if (y > 0) {
            const int64_t pairs = m_width - 1;
            m_sum += PlaneRowDetail(blue, m_blue, pairs) + PlaneRowDetail(green, m_green, pairs) +
                     PlaneRowDetail(red, m_red, pairs);
        }
        m_blue = blue;
        m_green = green;
        m_red = red;
    }

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int64_t Sum() const { return m_sum; }

private:
    const int32_t m_wantWidth;
    const int32_t m_wantHeight;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int64_t m_sum = 0;
    const uint8_t* m_blue = nullptr;
    const uint8_t* m_green = nullptr;
    const uint8_t* m_red = nullptr;
};

} // namespace

CAVIStream* CAviOracleMedia::Video() const {
    if (!m_file.IsOpen() || m_file.GetVideoIndex() < 0) {
        return nullptr;
    }
    return m_file.GetStream(m_file.GetVideoIndex());
}

CAVIStream* CAviOracleMedia::Audio() const {
    if (!m_file.IsOpen() || m_file.GetAudioIndex() < 0) {
        return nullptr;
    }
    return m_file.GetStream(m_file.GetAudioIndex());
}

int32_t CAviOracleMedia::GetLength() const {
    return m_file.IsOpen() ? m_file.GetLength() : 0;
}

int32_t CAviOracleMedia::GetVideoLength() const {
    const CAVIStream* video = Video();
    return video != nullptr ? video->GetLength() : 0;
}

int32_t CAviOracleMedia::NextKeyFrame(int32_t frame) const {
    const CAVIStream* video = Video();
    return video != nullptr ? video->NextKeyFrame(frame) : -1;
}

int64_t CAviOracleMedia::VideoBytes(int32_t first, int32_t end) const {
    const CAVIStream* video = Video();
    return video != nullptr ? video->ByteCount(first, end) : 0;
}

int64_t CAviOracleMedia::AudioBytes(int32_t first, int32_t end) const {
    const CAVIStream* video = Video();
    const CAVIStream* audio = Audio();
    if (video == nullptr || audio == nullptr) {
        return 0;
    }
    // The audio samples that play from the first frame's time to the end frame's.
    const int32_t from = audio->MapSample(*video, first);
    const int32_t to = audio->MapSample(*video, end);
    if (from < 0 || to < 0) {
        return 0;
    }
    return audio->ByteCount(from, to);
}

uint8_t* CAviOracleMedia::GetBitmapBuffer(bool raw, int32_t frame, int32_t* size, uint8_t* buffer,
                                          int32_t* width, int32_t* height) {
    CAVIStream* video = Video();
    if (video == nullptr) {
        return nullptr;
    }
    return video->GetBitmapBuffer(raw, frame, size, buffer, width, height);
}

bool CAviOracleMedia::MeasureDetail(int32_t frame, int32_t detailWidth, int32_t detailHeight, int64_t* detail,
                                    int32_t* size, int32_t* width, int32_t* height) {
    CAVIStream* video = Video();
    CDetailRows rows(detailWidth, detailHeight);
    if (video == nullptr || !video->VisitFrameRows(frame, rows)) {
        return false;
    }
    *detail = rows.Sum();
    *size = 3 * rows.Width() * rows.Height();
    *width = rows.Width();
    *height = rows.Height();
    return true;
}
