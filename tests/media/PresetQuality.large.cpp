// Measures the two DivX-style presets on the sample movie, one key-frame
// interval (one second) at a time: the low-motion preset must give the
// better picture in calm scenes, the fast-motion preset in busy ones, at
// comparable total size. Prints the table (interval, scene, PSNR and bytes
// of both) so the presets can be tuned against it.

#include "media/CSampleMovie.h"
#include "platform/CAviCompressedStream.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/CCompressorRegistry.h"
#include "platform/DibLayout.h"

#include "../platform/MemoryAviStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kFps = 25;

struct IntervalResult {
    double squaredError = 0;
    double samples = 0;
    int64_t bytes = 0;
    double Psnr() const {
        const double mse = squaredError / samples;
        return mse <= 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
    }
};

std::vector<IntervalResult> Measure(const CSampleMovie& movie, const SampleMovieOptions& options,
                                    const std::string& spec) {
    CodecOptions codec;
    std::string error;
    EXPECT_TRUE(CCompressorRegistry::ParseSettings(spec, codec, &error)) << error;
    CMemoryAviStream stream(kFps, 1);
    auto compressed = CAviCompressedStream::Create(&stream, codec, &error);
    EXPECT_TRUE(compressed) << error;
    BitmapInfoHeader h;
    h.biWidth = options.width;
    h.biHeight = options.height;
    h.biBitCount = 24;
    std::vector<uint8_t> format(kBitmapInfoHeaderSize);
    WriteBitmapInfoHeader(h, format.data());
    EXPECT_EQ(compressed->SetFormat(format.data(), format.size()), AVIERR_OK) << compressed->LastError();
    std::vector<uint8_t> pixels(movie.FrameBytes());
    for (int i = 0; i < options.frames; ++i) {
        movie.RenderFrame(i, pixels.data());
        EXPECT_EQ(compressed->Write(i, 1, pixels.data(), static_cast<int32_t>(pixels.size()),
                                    i % kFps == 0 ? AVIIF_KEYFRAME : 0, nullptr, nullptr),
                  AVIERR_OK);
    }
    EXPECT_TRUE(compressed->Finish());

    std::vector<IntervalResult> results(static_cast<size_t>(options.frames / kFps));
    auto decoder = CAviFrameDecoder::Open(&stream);
    EXPECT_TRUE(decoder);
    for (int i = 0; i < static_cast<int>(results.size()) * kFps; ++i) {
        IntervalResult& r = results[static_cast<size_t>(i / kFps)];
        r.bytes += static_cast<int64_t>(stream.Chunks()[static_cast<size_t>(i)].data.size());
        movie.RenderFrame(i, pixels.data());
        const uint8_t* dib = decoder->GetFrame(i);
        EXPECT_TRUE(dib);
        if (!dib)
            continue;
        const uint8_t* decoded = dib + kBitmapInfoHeaderSize;
        for (size_t b = 0; b < pixels.size(); ++b) {
            const double d = double(pixels[b]) - double(decoded[b]);
            r.squaredError += d * d;
        }
        r.samples += double(pixels.size());
    }
    return results;
}

const char* SceneName(CSampleMovie::EScene scene) {
    switch (scene) {
    case CSampleMovie::EScene::Still:
        return "still";
    case CSampleMovie::EScene::Pan:
        return "pan";
    default:
        return "busy";
    }
}
} // namespace

TEST(PresetQuality, LowWinsCalmScenesFastWinsBusyScenes) {
    SampleMovieOptions options;
    options.frames = 600;
    options.audioRate = 0;
    const char* frames = std::getenv("FLINTMOOR_PRESET_FRAMES");
    if (frames)
        options.frames = std::atoi(frames);
    CSampleMovie movie(options);
    const char* lowSettings = std::getenv("FLINTMOOR_LOW_SETTINGS");
    const char* fastSettings = std::getenv("FLINTMOOR_FAST_SETTINGS");
    const auto low = Measure(movie, options, lowSettings ? lowSettings : "DIV3");
    const auto fast = Measure(movie, options, fastSettings ? fastSettings : "DIV4");

    std::printf("interval  scene  PSNR LOW  PSNR FAST  bytes LOW  bytes FAST\n");
    int64_t lowTotal = 0;
    int64_t fastTotal = 0;
    int calmWins = 0;
    int calm = 0;
    int busyWins = 0;
    int busy = 0;
    for (size_t k = 0; k < low.size(); ++k) {
        const CSampleMovie::EScene scene = movie.SceneAt(static_cast<int>(k) * kFps);
        std::printf("%8zu  %-5s  %8.2f  %9.2f  %9lld  %10lld\n", k, SceneName(scene), low[k].Psnr(),
                    fast[k].Psnr(), static_cast<long long>(low[k].bytes),
                    static_cast<long long>(fast[k].bytes));
        lowTotal += low[k].bytes;
        fastTotal += fast[k].bytes;
        if (scene == CSampleMovie::EScene::Busy) {
            ++busy;
            busyWins += fast[k].Psnr() > low[k].Psnr();
        } else {
            ++calm;
            calmWins += low[k].Psnr() > fast[k].Psnr();
        }
    }
    std::printf("total bytes LOW %lld FAST %lld\n", static_cast<long long>(lowTotal),
                static_cast<long long>(fastTotal));
    // Every interval but the one a scene change falls into goes to its preset.
    EXPECT_GE(calmWins, calm * 9 / 10);
    EXPECT_GE(busyWins, busy * 9 / 10);
    EXPECT_LT(std::abs(double(lowTotal - fastTotal)) / double(lowTotal), 0.15);
}
