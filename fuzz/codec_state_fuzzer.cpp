// Feeds arbitrary compressor records to the code that reads them: the state
// block and fields a data base from someone else carries, or a setting
// string from the command line. A record that is accepted must be shown as
// a setting string that gives it again, and must open an encoder that takes
// a few frames without harm.
//
// Input: byte 0 chooses the route (bit 0: the input is a setting string;
// bit 1: the state block's checksum is made to match, so that mutations
// reach the field checks; bits 2-4: the compressor). Then the dwFlags byte,
// dwKeyFrameEvery and dwBytesPerSecond (4 bytes each, little-endian), and
// the state block.

#include "platform/CAviCompressedStream.h"
#include "platform/CCompressorRegistry.h"
#include "platform/EncoderSettings.h"

#include "platform/MemoryAviStream.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
constexpr size_t kHeaderBytes = 9; // dwFlags, dwKeyFrameEvery, dwBytesPerSecond
constexpr size_t kPayloadAt = 7;
constexpr size_t kPayloadBytes = 24;
constexpr int kSide = 32;
constexpr int kFrames = 3;

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void MatchChecksum(std::vector<uint8_t>& block) {
    if (block.size() != kPayloadAt + kPayloadBytes + 4)
        return;
    uint32_t hash = 2166136261u;
    for (size_t i = kPayloadAt; i < kPayloadAt + kPayloadBytes; ++i) {
        hash ^= block[i];
        hash *= 16777619u;
    }
    for (int i = 0; i < 4; ++i)
        block[kPayloadAt + kPayloadBytes + static_cast<size_t>(i)] = static_cast<uint8_t>(hash >> (8 * i));
}

// A few 24-bit frames through a compressing stream made from the record, in
// one pass or two as the record asks.
void Encode(const CodecOptions& options) {
    CMemoryAviStream target;
    std::string error;
    auto stream = CAviCompressedStream::Create(&target, options, &error);
    if (!stream)
        return;
    BitmapInfoHeader header;
    header.biWidth = kSide;
    header.biHeight = kSide;
    header.biBitCount = 24;
    header.biSizeImage = kSide * kSide * 3;
    uint8_t format[kBitmapInfoHeaderSize];
    WriteBitmapInfoHeader(header, format);
    if (stream->SetFormat(format, sizeof format) != AVIERR_OK)
        return;
    stream->SetExpectedFrames(kFrames);
    std::vector<uint8_t> pixels(header.biSizeImage);
    auto writeAll = [&] {
        for (int i = 0; i < kFrames; ++i) {
            for (size_t p = 0; p < pixels.size(); ++p)
                pixels[p] = static_cast<uint8_t>(p * 7 + static_cast<size_t>(i) * 31);
            if (stream->Write(i, 1, pixels.data(), static_cast<int32_t>(pixels.size()),
                              i == 0 ? AVIIF_KEYFRAME : 0, nullptr, nullptr) != AVIERR_OK)
                return false;
        }
        return true;
    };
    if (stream->WantsTwoPasses()) {
        if (!stream->StartAnalysis())
            return;
        const bool analysed = writeAll();
        stream->EndAnalysis();
        if (!analysed)
            return;
    }
    if (writeAll())
        (void)stream->Finish();
}

// An accepted record's setting string must be accepted again and describe
// the same settings.
void CheckText(const CodecOptions& options) {
    const std::string text = CCompressorRegistry::SettingsText(options);
    CodecOptions again;
    std::string error;
    if (!CCompressorRegistry::ParseSettings(text, again, &error))
        std::abort();
    if (CCompressorRegistry::SettingsText(again) != text)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t route = data[0];
    CodecOptions options;
    if (route & 1) {
        std::string error;
        if (!CCompressorRegistry::ParseSettings(std::string(data + 1, data + size), options, &error))
            return 0;
    } else {
        if (size < 1 + kHeaderBytes)
            return 0;
        const auto& compressors = CCompressorRegistry::Compressors();
        const size_t choice = (route >> 2) & 7;
        options.fccType = streamtypeVIDEO;
        options.fccHandler =
            choice < compressors.size() ? compressors[choice].fourcc : MakeFourCC('d', 'i', 'v', 'x');
        options.dwFlags = data[1];
        options.dwKeyFrameEvery = Get32(data + 2);
        options.dwBytesPerSecond = Get32(data + 6);
        options.lpParms.assign(data + 1 + kHeaderBytes, data + size);
        if (route & 2)
            MatchChecksum(options.lpParms);
    }
    EncoderSettings settings;
    std::string error;
    (void)CCompressorRegistry::Describe(options);
    if (!CCompressorRegistry::EffectiveSettings(options, nullptr, settings, &error))
        return 0;
    CheckText(options);
    Encode(options);
    return 0;
}
