#include "platform/IAviFile.h"

#include "media/CSampleMovie.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {
constexpr int kMaxDimension = 4096;
constexpr int kMaxFrames = 1000000;
constexpr int kSceneSeconds = 4;

uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

uint8_t Clamp8(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// One period of a sine, computed once: the tones need no trigonometry per
// sample.
const std::array<int16_t, 4096>& SineTable() {
    static const std::array<int16_t, 4096> table = [] {
        std::array<int16_t, 4096> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = static_cast<int16_t>(
                std::lround(32767.0 * std::sin(2.0 * M_PI * double(i) / double(t.size()))));
        return t;
    }();
    return table;
}

int Sine(int64_t sample, double frequency, uint32_t audioRate) {
    const auto inc = static_cast<uint64_t>(frequency * 4294967296.0 / audioRate);
    const auto phase = static_cast<uint32_t>(static_cast<uint64_t>(sample) * inc);
    return SineTable()[phase >> 20];
}

// Value noise on a lattice of `cell` pixels that wraps at the world size.
int LatticeNoise(int x, int y, int cell, int worldW, int worldH, uint32_t layer) {
    const int nx = worldW / cell, ny = worldH / cell;
    const int cx = x / cell, cy = y / cell, fx = x % cell, fy = y % cell;
    auto at = [&](int i, int j) {
        return static_cast<int>(Hash(uint32_t(i % nx), uint32_t(j % ny), layer) & 255);
    };
    const int top = at(cx, cy) * (cell - fx) + at(cx + 1, cy) * fx;
    const int bottom = at(cx, cy + 1) * (cell - fx) + at(cx + 1, cy + 1) * fx;
    return (top * (cell - fy) + bottom * fy) / (cell * cell);
}
} // namespace

CSampleMovie::CSampleMovie(const SampleMovieOptions& options) : m_options(options) {
    m_stride = (options.width * 3 + 3) & ~3;
    if (options.rate > 0 && options.scale > 0)
        m_sceneFrames =
            static_cast<int>(std::max<uint64_t>(1, uint64_t(kSceneSeconds) * options.rate / options.scale));
    BuildWorld();
}

std::string CSampleMovie::Validate(const SampleMovieOptions& o) {
    if (o.width < 16 || o.width > kMaxDimension || o.height < 16 || o.height > kMaxDimension)
        return "the size must lie between 16x16 and " + std::to_string(kMaxDimension) + "x" +
               std::to_string(kMaxDimension);
    if (o.frames < 1 || o.frames > kMaxFrames)
        return "the frame count must lie between 1 and " + std::to_string(kMaxFrames);
    if (o.rate == 0 || o.scale == 0 || o.rate > 1000u * o.scale || uint64_t(o.rate) * 10 < o.scale)
        return "the frame rate must lie between 1/10 and 1000 frames per second";
    if (o.audioRate != 0) {
        if (o.audioRate < 8000 || o.audioRate > 192000)
            return "the audio rate must lie between 8000 and 192000 Hz";
        if (o.audioChannels < 1 || o.audioChannels > 8)
            return "the audio must have 1 to 8 channels";
        // Sample numbers are 32-bit.
        if (uint64_t(o.frames) * o.scale * o.audioRate / o.rate > 0x7FFFFFFFu)
            return "the movie is too long for its audio";
    }
    return "";
}

void CSampleMovie::BuildWorld() {
    auto roundUp = [](int v) { return (v + 31) / 32 * 32; };
    m_worldWidth = roundUp(std::max(2 * m_options.width, 64));
    m_worldHeight = roundUp(std::max(2 * m_options.height, 64));
    m_world.assign(size_t(m_worldWidth) * size_t(m_worldHeight) * 3, 0);
    for (int y = 0; y < m_worldHeight; ++y) {
        uint8_t* row = &m_world[size_t(y) * size_t(m_worldWidth) * 3];
        for (int x = 0; x < m_worldWidth; ++x) {
            // Broad colour areas, finer structure on top, a little grain and
            // a grid of thin lines: detail an encoder has to spend bits on.
            const int broad = LatticeNoise(x, y, 32, m_worldWidth, m_worldHeight, 1);
            const int fine = LatticeNoise(x, y, 8, m_worldWidth, m_worldHeight, 2) - 128;
            const int grain = static_cast<int>(Hash(uint32_t(x), uint32_t(y), 3) & 31) - 16;
            const bool line = x % 48 == 0 || y % 40 == 0;
            int b = 40 + broad / 2 + fine / 3 + grain;
            int g = 30 + broad * 3 / 4 + fine / 3 + grain;
            int r = 230 - broad * 2 / 3 + fine / 3 + grain;
            if (line)
                b = g = r = 20;
            row[x * 3] = Clamp8(b);
            row[x * 3 + 1] = Clamp8(g);
            row[x * 3 + 2] = Clamp8(r);
        }
    }
    // Discs of solid colour with sharp edges, one per 64x64 cell.
    for (int cy = 0; cy + 64 <= m_worldHeight; cy += 64)
        for (int cx = 0; cx + 64 <= m_worldWidth; cx += 64) {
            const uint32_t h = Hash(uint32_t(cx), uint32_t(cy), 4);
            const int radius = 8 + int(h % 16), mx = cx + 32 + int(h >> 8) % 9 - 4,
                      my = cy + 32 + int(h >> 12) % 9 - 4;
            for (int y = my - radius; y <= my + radius; ++y)
                for (int x = mx - radius; x <= mx + radius; ++x)
                    if ((x - mx) * (x - mx) + (y - my) * (y - my) <= radius * radius) {
                        uint8_t* p = &m_world[(size_t(y) * size_t(m_worldWidth) + size_t(x)) * 3];
                        p[0] = uint8_t(h >> 16);
                        p[1] = uint8_t(h >> 24);
                        p[2] = uint8_t(h >> 4);
                    }
        }
}

CSampleMovie::EScene CSampleMovie::SceneAt(int frame) const {
    switch ((frame / m_sceneFrames) % 3) {
    case 0:
        return EScene::Still;
    case 1:
        return EScene::Pan;
    default:
        return EScene::Busy;
    }
}

void CSampleMovie::RenderView(int offsetX, int offsetY, uint8_t* pixels) const {
    const int w = m_options.width, h = m_options.height;
    const int x0 = ((offsetX % m_worldWidth) + m_worldWidth) % m_worldWidth;
    const int first = std::min(w, m_worldWidth - x0);
    for (int y = 0; y < h; ++y) {
        const int wy = ((offsetY + y) % m_worldHeight + m_worldHeight) % m_worldHeight;
        const uint8_t* src = &m_world[size_t(wy) * size_t(m_worldWidth) * 3];
        uint8_t* dst = pixels + size_t(h - 1 - y) * size_t(m_stride); // bottom-up rows
        std::memcpy(dst, src + size_t(x0) * 3, size_t(first) * 3);
        if (first < w)
            std::memcpy(dst + size_t(first) * 3, src, size_t(w - first) * 3);
        std::memset(dst + size_t(w) * 3, 0, size_t(m_stride - w * 3));
    }
}

void CSampleMovie::RenderBusy(int frame, uint8_t* pixels) const {
    const int w = m_options.width, h = m_options.height;
    // The background races across the world and every other frame a new set
    // of its 8x8 blocks flips colour: texture that never stays put.
    RenderView(frame * 37, frame * 11, pixels);
    for (int by = 0; by < h; by += 8)
        for (int bx = 0; bx < w; bx += 8) {
            if ((Hash(uint32_t(bx), uint32_t(by), uint32_t(frame / 2) + 100) & 3) != 0)
                continue;
            for (int y = by; y < std::min(h, by + 8); ++y) {
                uint8_t* p = pixels + size_t(h - 1 - y) * size_t(m_stride) + size_t(bx) * 3;
                for (int i = 0; i < std::min(8, w - bx) * 3; ++i)
                    p[i] = uint8_t(255 - p[i]);
            }
        }
    // Objects bouncing between the edges, quickly, in all directions.
    const int objects = 48;
    for (int k = 0; k < objects; ++k) {
        const uint32_t hk = Hash(uint32_t(k), 7, 7);
        const int size = 4 + int(hk % uint32_t(std::max(4, h / 10)));
        const int spanX = std::max(1, w - 2 * size), spanY = std::max(1, h - 2 * size);
        const int vx = std::max(1, w / 64) + int((hk >> 8) % uint32_t(std::max(1, w / 24)));
        const int vy = std::max(1, h / 64) + int((hk >> 16) % uint32_t(std::max(1, h / 24)));
        auto bounce = [](int64_t v, int span) {
            const int64_t m = v % (2 * span);
            return int(m < span ? m : 2 * span - m);
        };
        const int cx = size + bounce(int64_t(hk % 997) + int64_t(vx) * frame, spanX);
        const int cy = size + bounce(int64_t(hk % 991) + int64_t(vy) * frame, spanY);
        const uint32_t colour = Hash(uint32_t(k), 9, 9);
        const bool disc = (k & 1) == 0;
        for (int y = std::max(0, cy - size); y < std::min(h, cy + size); ++y) {
            uint8_t* row = pixels + size_t(h - 1 - y) * size_t(m_stride);
            for (int x = std::max(0, cx - size); x < std::min(w, cx + size); ++x) {
                if (disc && (x - cx) * (x - cx) + (y - cy) * (y - cy) > size * size)
                    continue;
                row[x * 3] = uint8_t(colour);
                row[x * 3 + 1] = uint8_t(colour >> 8);
                row[x * 3 + 2] = uint8_t(colour >> 16);
            }
        }
    }
}

void CSampleMovie::RenderFrame(int frame, uint8_t* pixels) const {
    const int scene = frame / m_sceneFrames;
    const int t = frame % m_sceneFrames;
    switch (SceneAt(frame)) {
    case EScene::Still:
        RenderView(scene * 131, scene * 71, pixels);
        break;
    case EScene::Pan: {
        const int speed = std::max(1, m_options.width / 160);
        RenderView(scene * 131 + t * speed, scene * 71 + t * speed / 3, pixels);
        break;
    }
    case EScene::Busy:
        RenderBusy(frame, pixels);
        break;
    }
}

int64_t CSampleMovie::AudioSamples() const {
    if (m_options.audioRate == 0 || m_options.rate == 0)
        return 0;
    return int64_t(m_options.frames) * m_options.scale * m_options.audioRate / m_options.rate;
}

int16_t CSampleMovie::ToneSample(int64_t s, int channel) const {
    const SampleMovieOptions& o = m_options;
    // Scene of this sample, and where that scene starts and ends in samples.
    const int64_t frame = s * o.rate / (int64_t(o.scale) * o.audioRate);
    const int64_t scene = frame / m_sceneFrames;
    auto sampleOfFrame = [&](int64_t f) { return f * o.scale * o.audioRate / o.rate; };
    const int64_t start = sampleOfFrame(scene * m_sceneFrames),
                  end = sampleOfFrame((scene + 1) * m_sceneFrames);
    // Short fades at the scene borders keep the tone changes free of clicks.
    const int64_t fade = std::max<int64_t>(1, o.audioRate / 100);
    const int64_t gain = std::min<int64_t>({fade, s - start, end - s}) * 32768 / fade;

    static const double kChords[3][2] = {{220.0, 330.0}, {261.63, 392.0}, {329.63, 493.88}};
    const int kind = int(scene % 3);
    const int a = Sine(s, kChords[kind][0], o.audioRate);
    const int b = Sine(s, kChords[kind][1], o.audioRate);
    // Each channel leans towards one of the two notes.
    int64_t v = channel % 2 == 0 ? (a * 7000 + b * 4200) : (a * 4200 + b * 7000);
    v >>= 15;
    if (kind == 2) // the busy scenes tremble a little
        v = v * (24576 + Sine(s, 6.0, o.audioRate) / 4) >> 15;
    return static_cast<int16_t>(std::clamp<int64_t>(v * std::max<int64_t>(gain, 0) >> 15, -32768, 32767));
}

void CSampleMovie::RenderAudio(int64_t first, int count, int16_t* out) const {
    const int channels = m_options.audioChannels;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c)
            out[size_t(i) * size_t(channels) + size_t(c)] = ToneSample(first + i, c);
}

bool CSampleMovie::Write(const std::string& path, std::string* error,
                         const AviWriterOptions& writerOptions) const {
    const std::string invalid = Validate(m_options);
    if (!invalid.empty()) {
        if (error)
            *error = invalid;
        return false;
    }
    std::unique_ptr<IAviFile> file = AviCreate(path, writerOptions, error);
    if (!file)
        return false;
    std::string failure = WriteVideo(*file);
    if (failure.empty() && m_options.audioRate > 0)
        failure = WriteAudio(*file);
    if (!failure.empty()) {
        std::string ignored;
        file->Close(&ignored);
        ::unlink(path.c_str()); // an unfinished movie is no sample
        if (error)
            *error = failure;
        return false;
    }
    std::string closeError;
    if (!file->Close(&closeError)) {
        if (error)
            *error = closeError;
        return false;
    }
    return true;
}

std::string CSampleMovie::WriteVideo(IAviFile& file) const {
    AviStreamInfo vi;
    vi.fccType = streamtypeVIDEO;
    vi.dwScale = m_options.scale;
    vi.dwRate = m_options.rate;
    vi.dwQuality = 0xFFFFFFFFu;
    vi.dwSuggestedBufferSize = static_cast<uint32_t>(FrameBytes());
    vi.rcFrame = {0, 0, m_options.width, m_options.height};
    BitmapInfoHeader bih;
    bih.biWidth = m_options.width;
    bih.biHeight = m_options.height; // positive: bottom-up rows
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = static_cast<uint32_t>(FrameBytes());
    uint8_t bihBytes[kBitmapInfoHeaderSize];
    WriteBitmapInfoHeader(bih, bihBytes);
    IAviStream* video = file.CreateStream(vi);
    if (!video || video->SetFormat(bihBytes, sizeof bihBytes) != AVIERR_OK)
        return "cannot create the video stream";
    std::vector<uint8_t> pixels(FrameBytes());
    for (int i = 0; i < m_options.frames; ++i) {
        RenderFrame(i, pixels.data());
        if (video->Write(i, 1, pixels.data(), static_cast<int32_t>(pixels.size()), AVIIF_KEYFRAME, nullptr,
                         nullptr) != AVIERR_OK)
            return "cannot write frame " + std::to_string(i);
    }
    return std::string();
}

std::string CSampleMovie::WriteAudio(IAviFile& file) const {
    const auto block = static_cast<uint16_t>(2 * m_options.audioChannels);
    AviStreamInfo ai;
    ai.fccType = streamtypeAUDIO;
    ai.dwScale = block;
    ai.dwRate = m_options.audioRate * block;
    ai.dwSampleSize = block;
    ai.dwQuality = 0xFFFFFFFFu;
    WaveFormatEx wf;
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = static_cast<uint16_t>(m_options.audioChannels);
    wf.nSamplesPerSec = m_options.audioRate;
    wf.nAvgBytesPerSec = m_options.audioRate * block;
    wf.nBlockAlign = block;
    wf.wBitsPerSample = 16;
    uint8_t wfBytes[18];
    WriteWaveFormatEx(wf, wfBytes);
    IAviStream* audio = file.CreateStream(ai);
    if (!audio || audio->SetFormat(wfBytes, sizeof wfBytes) != AVIERR_OK)
        return "cannot create the audio stream";
    // A quarter of a second per chunk.
    const int perChunk = static_cast<int>(std::max<uint32_t>(1, m_options.audioRate / 4));
    std::vector<int16_t> samples(size_t(perChunk) * size_t(m_options.audioChannels));
    const int64_t total = AudioSamples();
    for (int64_t s = 0; s < total; s += perChunk) {
        const int n = static_cast<int>(std::min<int64_t>(perChunk, total - s));
        RenderAudio(s, n, samples.data());
        // PCM in AVI is little-endian, as is every machine this runs on.
        static_assert(std::endian::native == std::endian::little);
        if (audio->Write(static_cast<int32_t>(s), n, samples.data(), n * block, AVIIF_KEYFRAME, nullptr,
                         nullptr) != AVIERR_OK)
            return "cannot write the audio";
    }
    return std::string();
}
