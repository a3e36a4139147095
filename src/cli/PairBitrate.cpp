#include "cli/PairBitrate.h"

#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/CCompressorRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kBitsPerPixel = 0.12;

// True when the setting string names a rate of its own ("DIV3:bitrate=800", "DIV4:q=5").
bool SettingsNameRate(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string settings = "," + text.substr(colon + 1);
    return settings.find(",bitrate=") != std::string::npos || settings.find(",q=") != std::string::npos;
}

// The bit rate into a compressor's record; lossless ones have none.
void SetBitrate(CodecOptions& options, uint32_t kbps) {
    const CompressorInfo* info = nullptr;
    EncoderSettings settings;
    if (!CCompressorRegistry::EffectiveSettings(options, &info, settings, nullptr) || info->lossless)
        return;
    settings.rateMode = EncoderSettings::RATE_BITRATE;
    settings.bitrateKbps = kbps;
    options = CCompressorRegistry::MakeOptions(*info, settings);
}
} // namespace

uint32_t ProposeBitrateKbps(int32_t width, int32_t height, double framesPerSecond) {
    const double kbps =
        kBitsPerPixel * std::max(width, 1) * std::max(height, 1) * std::max(framesPerSecond, 1.0) / 1000.0;
    return static_cast<uint32_t>(std::clamp(std::lround(kbps / 10.0) * 10L, 50L, 100000L));
}

std::string ApplyPairBitrate(const std::string& text, const CAVIStream& video, const std::string& lowSettings,
                             CodecOptions& low, const std::string& fastSettings, CodecOptions& fast,
                             std::string* said) {
    uint32_t kbps = 0;
    if (!text.empty()) {
        errno = 0;
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (errno != 0 || end != text.c_str() + text.size() || value < 8 || value > 100000)
            return "--bitrate: \"" + text + "\" is not a whole number of kbit/s from 8 to 100000";
        kbps = static_cast<uint32_t>(value);
        if (said)
            *said = "Bit rate of LOW and FAST: " + std::to_string(kbps) + " kbit/s";
    } else {
        BitmapInfoHeader header;
        const AviStreamInfo& info = video.GetInfo();
        const double fps = info.dwScale ? double(info.dwRate) / double(info.dwScale) : double(info.dwRate);
        int32_t width = 0, height = 0;
        if (video.GetFormat() &&
            ParseBitmapInfoHeader(video.GetFormat(), size_t(video.GetFormatSize()), header)) {
            width = header.biWidth;
            height = std::abs(header.biHeight);
        }
        kbps = ProposeBitrateKbps(width, height, fps);
        if (said)
            *said = "Bit rate of LOW and FAST: " + std::to_string(kbps) + " kbit/s (proposed for " +
                    std::to_string(width) + "x" + std::to_string(height) + "; --bitrate sets another)";
    }
    if (!SettingsNameRate(lowSettings))
        SetBitrate(low, kbps);
    if (!SettingsNameRate(fastSettings))
        SetBitrate(fast, kbps);
    return "";
}

bool ApplyPairBitrateFor(IHost& host, const std::string& source, const std::string& text,
                         const std::string& lowSettings, CodecOptions& low, const std::string& fastSettings,
                         CodecOptions& fast, std::string* said, std::string* usage) {
    CAVIFile probe(host);
    if (!probe.Open(source, true))
        return false;
    const CAVIStream* video = probe.GetStream(probe.GetVideoIndex());
    if (!video) {
        host.ShowError("The source " + source + " has no video stream.");
        return false;
    }
    *usage = ApplyPairBitrate(text, *video, lowSettings, low, fastSettings, fast, said);
    return usage->empty();
}
