#pragma once
// Silence in the format of one audio stream, for padding audio that is
// shorter than its video. PCM gets zero samples (the mid value 0x80 for 8-bit
// PCM, whose samples are unsigned). MPEG audio (layers I, II and III) gets
// frames of the stream's own sample rate, channels, version and layer whose
// bit allocation / side information is all zero and which carry no main
// data: every decoder turns them into silence. Other formats cannot be padded.

#include "platform/AviTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CSilenceMaker {
public:
    // Largest chunk NextChunk makes (unless a single frame is larger).
    static constexpr size_t kBlockBytes = 32768;

    // False, with a text for the status line in *reason, when silence cannot
    // be made for a stream with this header and format.
    bool Init(const AviStreamInfo& info, const uint8_t* format, size_t formatSize, std::string* reason);

    // The next chunk of silence while `remaining` (> 0) stream samples are
    // still wanted. Returns the stream samples the chunk stands for (at least
    // 1 unless the stream's sample size exceeds the chunk). A byte-based MPEG
    // stream is padded with whole frames, so the last chunk may cover a little
    // more than was asked for.
    int32_t NextChunk(int64_t remaining, std::vector<uint8_t>& chunk);

private:
    enum class EKind { None, Pcm, Mpeg };

    bool InitPcm(const AviStreamInfo& info, const WaveFormatEx& wf, std::string* reason);
    bool InitMpeg(const WaveFormatEx& wf, int layer, std::string* reason);
    void AppendMpegFrame(std::vector<uint8_t>& out);

    EKind m_kind = EKind::None;
    uint32_t m_nSampleSize = 0; // dwSampleSize: 0 = one chunk per sample
    // PCM
    uint8_t m_fill = 0;
    uint32_t m_nBlockAlign = 0;
    uint32_t m_nChunkBytes = 0; // one-chunk-per-sample PCM: bytes of one sample
    // MPEG
    int m_nLayer = 0;
    int m_nVersionBits = 0; // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
    int m_nRateIndex = 0;
    int m_nBitRateIndex = 0;
    int m_nBitRate = 0;
    bool m_bMono = false;
    uint64_t m_nSlotNumerator = 0; // slots per frame = numerator / sample rate
    uint32_t m_nSlotBytes = 1;
    uint32_t m_nSampleRate = 0;
    uint64_t m_nPadAccumulator = 0;
};
