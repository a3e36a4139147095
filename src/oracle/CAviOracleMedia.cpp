#include "oracle/CAviOracleMedia.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"

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
