#include "AviWriterTestMovie.h"

#include <algorithm>

std::vector<uint8_t> TestFrame(int width, int height, int frame) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<uint8_t>(x * 4 + frame);
            p[1] = static_cast<uint8_t>(y * 4 + frame * 3);
            p[2] = static_cast<uint8_t>((x ^ y) + frame * 7);
        }
    return pixels;
}

std::vector<uint8_t> BgrVideoFormat(int width, int height) {
    BitmapInfoHeader bih;
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = static_cast<uint32_t>(((width * 3 + 3) & ~3) * height);
    std::vector<uint8_t> f(kBitmapInfoHeaderSize);
    WriteBitmapInfoHeader(bih, f.data());
    return f;
}

std::vector<uint8_t> PcmFormat(uint32_t rate, int channels) {
    WaveFormatEx wf;
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = static_cast<uint16_t>(channels);
    wf.nSamplesPerSec = rate;
    wf.nBlockAlign = static_cast<uint16_t>(2 * channels);
    wf.nAvgBytesPerSec = rate * wf.nBlockAlign;
    wf.wBitsPerSample = 16;
    std::vector<uint8_t> f(18);
    WriteWaveFormatEx(wf, f.data());
    return f;
}

AviStreamInfo VideoInfo(const fmtest::WriterMovie& spec) {
    AviStreamInfo info;
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = spec.fps;
    info.dwQuality = 0xFFFFFFFF;
    info.rcFrame = {0, 0, spec.width, spec.height};
    info.szName = "Test video";
    return info;
}

AviStreamInfo PcmInfo(uint32_t rate, int channels) {
    AviStreamInfo info;
    info.fccType = streamtypeAUDIO;
    info.dwScale = static_cast<uint32_t>(2 * channels);
    info.dwRate = rate * info.dwScale;
    info.dwSampleSize = static_cast<uint32_t>(2 * channels);
    info.dwQuality = 0xFFFFFFFF;
    return info;
}

int64_t TestAudioBytes(const fmtest::WriterMovie& spec) {
    return static_cast<int64_t>(spec.frames) * spec.audioRate / spec.fps * 2 * spec.channels;
}

std::vector<uint8_t> TestAudio(const fmtest::WriterMovie& spec) {
    std::vector<uint8_t> pcm(static_cast<size_t>(TestAudioBytes(spec)));
    const int block = 2 * spec.channels;
    for (size_t s = 0; s < pcm.size() / size_t(block); ++s) {
        // A tone whose pitch steps every second; a triangle wave keeps it
        // free of any trigonometry.
        const int period = 100 + 20 * static_cast<int>(s / spec.audioRate % 5);
        const int phase = static_cast<int>(s % size_t(period));
        const int v = (phase < period / 2 ? phase : period - phase) * 8000 / (period / 2) - 4000;
        for (int c = 0; c < spec.channels; ++c) {
            pcm[s * size_t(block) + size_t(c) * 2] = static_cast<uint8_t>(v & 0xFF);
            pcm[s * size_t(block) + size_t(c) * 2 + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
    }
    return pcm;
}

std::string WriteTestMovie(const std::string& path, const fmtest::WriterMovie& spec) {
    AviWriterOptions options;
    options.riffLimit = spec.riffLimit;
    std::string error;
    auto file = AviCreate(path, options, &error);
    if (!file)
        return "create: " + error;
    IAviStream* video = file->CreateStream(VideoInfo(spec));
    const auto vf = BgrVideoFormat(spec.width, spec.height);
    if (!video || video->SetFormat(vf.data(), vf.size()) != AVIERR_OK)
        return "video stream";
    for (int i = 0; i < spec.frames; ++i) {
        if (i >= spec.gapAt && i < spec.gapAt + spec.gapLength)
            continue;
        const auto frame = TestFrame(spec.width, spec.height, i);
        const uint32_t flags = i % spec.keyEvery == 0 ? AVIIF_KEYFRAME : 0;
        if (video->Write(i, 1, frame.data(), static_cast<int32_t>(frame.size()), flags, nullptr, nullptr) !=
            AVIERR_OK)
            return "video write " + std::to_string(i);
    }
    if (spec.audioRate > 0) {
        IAviStream* audio = file->CreateStream(PcmInfo(spec.audioRate, spec.channels));
        const auto af = PcmFormat(spec.audioRate, spec.channels);
        if (!audio || audio->SetFormat(af.data(), af.size()) != AVIERR_OK)
            return "audio stream";
        const std::vector<uint8_t> pcm = TestAudio(spec);
        const int64_t total = static_cast<int64_t>(pcm.size());
        const int block = 2 * spec.channels;
        int64_t sample = 0;
        for (int64_t done = 0; done < total;) {
            const int64_t n = std::min<int64_t>(spec.audioBlock, total - done) / block;
            int32_t written = 0;
            if (audio->Write(static_cast<int32_t>(sample), static_cast<int32_t>(n), &pcm[size_t(done)],
                             static_cast<int32_t>(n * block), AVIIF_KEYFRAME, &written, nullptr) != AVIERR_OK)
                return "audio write";
            sample += written;
            done += n * block;
        }
    }
    if (!file->Close(&error))
        return "close: " + error;
    return "";
}
