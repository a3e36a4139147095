#include "media/CSilenceMaker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr uint16_t kFormatIeeeFloat = 0x0003;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint16_t kMpegHeadLayer1 = 1; // fwHeadLayer of MPEG1WAVEFORMAT
constexpr uint16_t kMpegHeadLayer3 = 4;
// One-chunk-per-sample PCM: a sample longer than this is no sane stream.
constexpr uint64_t kMaxPcmChunk = 16u * 1024 * 1024;

// Bit rates in kbit/s by [low sampling frequency][layer - 1][index].
constexpr int kBitRates[2][3][15] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                     {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};

struct RateEntry {
    uint32_t rate;
    int versionBits;
    int index;
};
constexpr RateEntry kSampleRates[] = {
    {44100, 3, 0}, {48000, 3, 1}, {32000, 3, 2}, // MPEG-1
    {22050, 2, 0}, {24000, 2, 1}, {16000, 2, 2}, // MPEG-2
    {11025, 0, 0}, {12000, 0, 1}, {8000, 0, 2},  // MPEG-2.5
};

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string CannotPad(const std::string& what) {
    return "Audio format cannot be padded with silence: " + what;
}

std::string TagText(uint16_t tag) {
    char text[32];
    std::snprintf(text, sizeof text, "format tag 0x%04X", static_cast<unsigned>(tag));
    return text;
}

// MPEG-1 layer II forbids some bit rates with some channel modes.
bool LayerTwoAllows(int kbps, bool mono) {
    if (mono)
        return kbps != 224 && kbps != 256 && kbps != 320 && kbps != 384;
    return kbps != 32 && kbps != 48 && kbps != 56 && kbps != 80;
}
} // namespace

bool CSilenceMaker::Init(const AviStreamInfo& info, const uint8_t* format, size_t formatSize,
                         std::string* reason) {
    m_kind = EKind::None;
    m_nSampleSize = info.dwSampleSize;
    m_nPadAccumulator = 0;
    WaveFormatEx wf;
    if (info.fccType != streamtypeAUDIO || !ParseWaveFormatEx(format, formatSize, wf)) {
        if (reason)
            *reason = CannotPad("no audio stream format");
        return false;
    }
    uint16_t tag = wf.wFormatTag;
    if (tag == kFormatExtensible && formatSize >= 40 && wf.cbSize >= 22)
        tag = Get16(format + 24); // the sub-format GUID starts with the plain tag
    if (tag == WAVE_FORMAT_PCM || tag == kFormatIeeeFloat)
        return InitPcm(info, wf, reason);
    if (tag == WAVE_FORMAT_MPEGLAYER3)
        return InitMpeg(wf, 3, reason);
    if (tag == WAVE_FORMAT_MPEG) {
        // MPEG1WAVEFORMAT names the layer; without it layer II is by far the
        // most likely for this tag.
        int layer = 2;
        if (formatSize >= 20) {
            const uint16_t head = Get16(format + 18);
            layer = head == kMpegHeadLayer1 ? 1 : head == kMpegHeadLayer3 ? 3 : 2;
        }
        return InitMpeg(wf, layer, reason);
    }
    if (reason)
        *reason = CannotPad(TagText(wf.wFormatTag));
    return false;
}

bool CSilenceMaker::InitPcm(const AviStreamInfo& info, const WaveFormatEx& wf, std::string* reason) {
    if (wf.nBlockAlign == 0 || wf.wBitsPerSample == 0) {
        if (reason)
            *reason = CannotPad("PCM without block size");
        return false;
    }
    m_nBlockAlign = wf.nBlockAlign;
    m_fill = wf.wBitsPerSample <= 8 ? 0x80 : 0x00;
    if (m_nSampleSize == 0) {
        // One chunk per sample: a chunk lasts dwScale / dwRate seconds.
        if (info.dwRate == 0 || info.dwScale == 0) {
            if (reason)
                *reason = CannotPad("PCM stream without a sample rate");
            return false;
        }
        const uint64_t frames =
            (static_cast<uint64_t>(wf.nSamplesPerSec) * info.dwScale + info.dwRate / 2) / info.dwRate;
        const uint64_t bytes = std::max<uint64_t>(frames, 1) * m_nBlockAlign;
        if (bytes > kMaxPcmChunk) {
            if (reason)
                *reason = CannotPad("PCM samples of implausible size");
            return false;
        }
        m_nChunkBytes = static_cast<uint32_t>(bytes);
    }
    m_kind = EKind::Pcm;
    return true;
}

bool CSilenceMaker::InitMpeg(const WaveFormatEx& wf, int layer, std::string* reason) {
    const RateEntry* rate = nullptr;
    for (const auto& entry : kSampleRates)
        if (entry.rate == wf.nSamplesPerSec)
            rate = &entry;
    const bool channelsOk = wf.nChannels == 1 || wf.nChannels == 2;
    // MPEG-2.5 exists for layer III only.
    if (!rate || !channelsOk || (rate->versionBits == 0 && layer != 3)) {
        if (reason) {
            char text[96];
            std::snprintf(text, sizeof text, "MPEG audio layer %d at %u Hz with %u channels", layer,
                          static_cast<unsigned>(wf.nSamplesPerSec), static_cast<unsigned>(wf.nChannels));
            *reason = CannotPad(text);
        }
        return false;
    }
    m_nLayer = layer;
    m_nVersionBits = rate->versionBits;
    m_nRateIndex = rate->index;
    m_nSampleRate = rate->rate;
    m_bMono = wf.nChannels == 1;
    const int lsf = m_nVersionBits == 3 ? 0 : 1;
    const int* table = kBitRates[lsf][layer - 1];

    // Chunk-per-frame streams time each frame by itself, so the smallest
    // frame will do; byte-based streams time by bytes and need the stream's
    // own bit rate, or the padding would last longer or shorter than asked.
    const int64_t wanted = m_nSampleSize == 0 ? 0 : static_cast<int64_t>(wf.nAvgBytesPerSec) * 8;
    int best = 0;
    for (int i = 1; i < 15; ++i) {
        if (layer == 2 && lsf == 0 && !LayerTwoAllows(table[i], m_bMono))
            continue;
        if (best == 0 || std::llabs(table[i] * 1000LL - wanted) < std::llabs(table[best] * 1000LL - wanted))
            best = i;
    }
    m_nBitRateIndex = best;
    m_nBitRate = table[best];

    const uint32_t samplesPerFrame = layer == 1 ? 384 : (layer == 3 && lsf) ? 576 : 1152;
    m_nSlotBytes = layer == 1 ? 4 : 1;
    m_nSlotNumerator = static_cast<uint64_t>(samplesPerFrame / 8 / m_nSlotBytes) * m_nBitRate * 1000;
    m_kind = EKind::Mpeg;
    return true;
}

void CSilenceMaker::AppendMpegFrame(std::vector<uint8_t>& out) {
    // Padding slots keep the average bit rate exact where a frame is not a
    // whole number of slots (44.1 kHz and its kin).
    m_nPadAccumulator += m_nSlotNumerator % m_nSampleRate;
    int pad = 0;
    if (m_nPadAccumulator >= m_nSampleRate) {
        m_nPadAccumulator -= m_nSampleRate;
        pad = 1;
    }
    const size_t bytes = static_cast<size_t>((m_nSlotNumerator / m_nSampleRate + pad) * m_nSlotBytes);
    const size_t at = out.size();
    out.resize(at + bytes, 0);
    const int layerBits = 4 - m_nLayer; // I = 3, II = 2, III = 1
    out[at] = 0xFF;
    // Sync, version, layer, no CRC.
    out[at + 1] = static_cast<uint8_t>(0xE0 | (m_nVersionBits << 3) | (layerBits << 1) | 1);
    out[at + 2] = static_cast<uint8_t>((m_nBitRateIndex << 4) | (m_nRateIndex << 2) | (pad << 1));
    // Channel mode: 3 = single channel, 0 = stereo; no mode extension,
    // copyright, original or emphasis. Everything after the header stays zero:
    // no allocated sub-bands (I, II), or empty granules with main data
    // starting here (III).
    out[at + 3] = static_cast<uint8_t>(m_bMono ? 0xC0 : 0x00);
}

int32_t CSilenceMaker::NextChunk(int64_t remaining, std::vector<uint8_t>& chunk) {
    chunk.clear();
    if (remaining <= 0 || m_kind == EKind::None)
        return 0;
    if (m_kind == EKind::Pcm) {
        if (m_nSampleSize == 0) {
            chunk.assign(m_nChunkBytes, m_fill);
            return 1;
        }
        const int64_t perBlock = std::max<int64_t>(1, static_cast<int64_t>(kBlockBytes / m_nSampleSize));
        uint64_t bytes = static_cast<uint64_t>(std::min(remaining, perBlock)) * m_nSampleSize;
        bytes = (bytes + m_nBlockAlign - 1) / m_nBlockAlign * m_nBlockAlign; // whole sample frames
        chunk.assign(static_cast<size_t>(bytes), m_fill);
        return static_cast<int32_t>(bytes / m_nSampleSize);
    }
    if (m_nSampleSize == 0) {
        AppendMpegFrame(chunk);
        return 1;
    }
    const uint64_t wantBytes = static_cast<uint64_t>(std::min<int64_t>(remaining, INT32_MAX)) * m_nSampleSize;
    const size_t frameMax = static_cast<size_t>((m_nSlotNumerator / m_nSampleRate + 1) * m_nSlotBytes);
    do {
        AppendMpegFrame(chunk);
    } while (chunk.size() < wantBytes && chunk.size() + frameMax <= kBlockBytes);
    return static_cast<int32_t>(chunk.size() / m_nSampleSize);
}
