#pragma once
// A synthetic movie for the oracle's tests: frames of 3 bytes per pixel made
// by a function of the frame number, chosen key frames, sizes per frame, and
// a count of decodes.

#include "oracle/IOracleMedia.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

class CFakeOracleMedia : public IOracleMedia {
public:
    using Painter = std::function<void(int32_t frame, std::vector<uint8_t>& pixels)>;

    CFakeOracleMedia(int32_t frames, int32_t width, int32_t height, Painter painter = {})
        : m_nFrames(frames), m_nWidth(width), m_nHeight(height), m_painter(std::move(painter)),
          m_frameBytes(size_t(frames), 1000) {
        m_keys.insert(0);
    }

    void SetKeyFrames(std::set<int32_t> keys) { m_keys = std::move(keys); }
    void SetFrameBytes(int32_t frame, int64_t bytes) { m_frameBytes[size_t(frame)] = bytes; }
    void SetAudioBytesPerFrame(int64_t bytes) { m_nAudioPerFrame = bytes; }
    // Frames from this one on come out with another size (another pixel format).
    void SetBytesPerPixel(int32_t bytes) { m_nBytesPerPixel = bytes; }
    void FailFrame(int32_t frame) { m_failing.insert(frame); }
    void SetVideoLength(int32_t length) { m_nVideoLength = length; }
    int Decodes() const { return m_nDecodes; }

    int32_t GetLength() const override { return m_nFrames; }
    bool HasVideo() const override { return true; }
    int32_t GetVideoLength() const override { return m_nVideoLength >= 0 ? m_nVideoLength : m_nFrames; }
    int32_t NextKeyFrame(int32_t frame) const override {
        auto it = m_keys.upper_bound(frame);
        return it == m_keys.end() ? -1 : *it;
    }
    int64_t VideoBytes(int32_t first, int32_t end) const override {
        int64_t sum = 0;
        for (int32_t f = first; f < end && f < m_nFrames; ++f) {
            sum += m_frameBytes[size_t(f)];
        }
        return sum;
    }
    int64_t AudioBytes(int32_t first, int32_t end) const override { return (end - first) * m_nAudioPerFrame; }

    uint8_t* GetBitmapBuffer(bool raw, int32_t frame, int32_t* size, uint8_t* buffer, int32_t* width,
                             int32_t* height) override {
        ++m_nDecodes;
        if (m_failing.count(frame) != 0) {
            return nullptr;
        }
        m_picture.assign(size_t(m_nWidth) * size_t(m_nHeight) * size_t(m_nBytesPerPixel), 0);
        if (m_painter) {
            m_painter(frame, m_picture);
        }
        *size = static_cast<int32_t>(m_picture.size());
        if (width != nullptr) {
            *width = m_nWidth;
        }
        if (height != nullptr) {
            *height = m_nHeight;
        }
        if (raw) {
            return m_picture.data();
        }
        if (buffer == nullptr) {
            buffer = new uint8_t[m_picture.size()];
        }
        std::memcpy(buffer, m_picture.data(), m_picture.size());
        return buffer;
    }

private:
    int32_t m_nFrames;
    int32_t m_nWidth;
    int32_t m_nHeight;
    Painter m_painter;
    std::vector<int64_t> m_frameBytes;
    std::set<int32_t> m_keys;
    std::set<int32_t> m_failing;
    int64_t m_nAudioPerFrame = 0;
    int32_t m_nBytesPerPixel = 3;
    int32_t m_nVideoLength = -1;
    int m_nDecodes = 0;
    std::vector<uint8_t> m_picture;
};
