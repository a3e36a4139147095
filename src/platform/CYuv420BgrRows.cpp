#include "platform/CYuv420BgrRows.h"

#include "platform/CFrameConverter.h"
#include "platform/DibLayout.h"

#include <algorithm>
#include <map>
#include <mutex>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define FLINTMOOR_HAVE_AVX2_PATH 1
#endif

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace {

// The fixed-point form of the BT.601 limited-range conversion that swscale's
// unscaled vector code uses for a context left at its defaults (brightness 0,
// contrast and saturation 1): samples carry three extra bits, coefficients
// are the 16.16 weights shifted up by 13, and each product keeps its high
// 16 bits.
struct Coefficients {
    int y = 0;
    int yOffset = 0;
    int vr = 0;
    int ub = 0;
    int ug = 0;
    int vg = 0;
};

constexpr int kChromaCentre = 128 << 3;
constexpr int32_t kCheckRows = 64;
constexpr int64_t kCombinations = int64_t(1) << 24; // every Y, U and V

int RoundToInt16(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>((value + (1 << 15)) >> 16, -32768, 32767));
}

Coefficients DefaultCoefficients() {
    const int* table = sws_getCoefficients(SWS_CS_DEFAULT);
    const int64_t crv = table[0];
    const int64_t cbu = table[1];
    const int64_t cgu = -int64_t{table[2]};
    const int64_t cgv = -int64_t{table[3]};
    const int64_t cy = (int64_t(1) << 16) * 255 / 219;
    const int64_t oy = int64_t(16) << 16;
    Coefficients c;
    c.y = RoundToInt16(cy * (1 << 13));
    c.yOffset = RoundToInt16(oy * (1 << 3));
    c.vr = RoundToInt16(crv * (1 << 13));
    c.ub = RoundToInt16(cbu * (1 << 13));
    c.ug = RoundToInt16(cgu * (1 << 13));
    c.vg = RoundToInt16(cgv * (1 << 13));
    return c;
}

const Coefficients& Coeffs() {
    static const Coefficients c = DefaultCoefficients();
    return c;
}

inline int MulHigh(int a, int b) {
    return (a * b) >> 16;
}

inline int Sat16(int v) {
    return std::clamp(v, -32768, 32767);
}

inline uint8_t Clip8(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

void ConvertPixels(const Coefficients& c, const uint8_t* y, const uint8_t* u, const uint8_t* v, int32_t from,
                   int32_t to, uint8_t* blue, uint8_t* green, uint8_t* red) {
    for (int32_t x = from; x < to; ++x) {
        const int cu = Sat16(u[x / 2] * 8 - kChromaCentre);
        const int cv = Sat16(v[x / 2] * 8 - kChromaCentre);
        const int luma = MulHigh(static_cast<int16_t>(y[x] * 8 - c.yOffset), c.y);
        blue[x] = Clip8(Sat16(luma + MulHigh(cu, c.ub)));
        green[x] = Clip8(Sat16(luma + Sat16(MulHigh(cu, c.ug) + MulHigh(cv, c.vg))));
        red[x] = Clip8(Sat16(luma + MulHigh(cv, c.vr)));
    }
}

#ifdef FLINTMOOR_HAVE_AVX2_PATH
// A colour term added to the even and the odd pixels' luma, 32 bytes stored.
__attribute__((target("avx2"))) inline void StoreAvx2(const __m256i& term, const __m256i& even,
                                                      const __m256i& odd, uint8_t* plane) {
    const __m256i e = _mm256_adds_epi16(term, even);
    const __m256i o = _mm256_adds_epi16(term, odd);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(plane),
                        _mm256_unpacklo_epi8(_mm256_packus_epi16(e, e), _mm256_packus_epi16(o, o)));
}

// 32 pixels at a time; returns how many pixels it did. Every step keeps the
// lanes in pixel order: chroma widens to 16 words in order, the even and odd
// luma bytes of 32 pixels are 16 words each, and packing then interleaving
// within each 128-bit half gives pixels 0-15 and 16-31.
__attribute__((target("avx2"))) int32_t ConvertAvx2(const Coefficients& c, const uint8_t* y, const uint8_t* u,
                                                    const uint8_t* v, int32_t width, uint8_t* blue,
                                                    uint8_t* green, uint8_t* red) {
    const __m256i lowBytes = _mm256_set1_epi16(0x00ff);
    const __m256i centre = _mm256_set1_epi16(kChromaCentre);
    const __m256i yOffset = _mm256_set1_epi16(static_cast<int16_t>(c.yOffset));
    const __m256i cy = _mm256_set1_epi16(static_cast<int16_t>(c.y));
    const __m256i cub = _mm256_set1_epi16(static_cast<int16_t>(c.ub));
    const __m256i cug = _mm256_set1_epi16(static_cast<int16_t>(c.ug));
    const __m256i cvg = _mm256_set1_epi16(static_cast<int16_t>(c.vg));
    const __m256i cvr = _mm256_set1_epi16(static_cast<int16_t>(c.vr));
    int32_t x = 0;
    for (; x + 32 <= width; x += 32) {
        const __m256i luma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + x));
        __m256i cu = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2)));
        __m256i cv = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2)));
        cu = _mm256_subs_epi16(_mm256_slli_epi16(cu, 3), centre);
        cv = _mm256_subs_epi16(_mm256_slli_epi16(cv, 3), centre);
        __m256i even = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_and_si256(luma, lowBytes), 3), yOffset);
        __m256i odd = _mm256_sub_epi16(_mm256_slli_epi16(_mm256_srli_epi16(luma, 8), 3), yOffset);
        even = _mm256_mulhi_epi16(even, cy);
        odd = _mm256_mulhi_epi16(odd, cy);
        const __m256i ub = _mm256_mulhi_epi16(cu, cub);
        const __m256i vr = _mm256_mulhi_epi16(cv, cvr);
        const __m256i g = _mm256_adds_epi16(_mm256_mulhi_epi16(cu, cug), _mm256_mulhi_epi16(cv, cvg));
        StoreAvx2(ub, even, odd, blue + x);
        StoreAvx2(g, even, odd, green + x);
        StoreAvx2(vr, even, odd, red + x);
    }
    return x;
}

const bool kAvx2 = __builtin_cpu_supports("avx2");
#else
const bool kAvx2 = false;
#endif

// One row: 32 pixels at a time, the rest one by one.
void ConvertRow(const Coefficients& c, const uint8_t* y, const uint8_t* u, const uint8_t* v, int32_t width,
                uint8_t* blue, uint8_t* green, uint8_t* red) {
    int32_t x = 0;
#ifdef FLINTMOOR_HAVE_AVX2_PATH
    if (kAvx2)
        x = ConvertAvx2(c, y, u, v, width, blue, green, red);
#endif
    ConvertPixels(c, y, u, v, x, width, blue, green, red);
}

// Compares the rows with the converter's bottom-up picture.
class CCompareSink : public IBgrRowSink {
public:
    CCompareSink(const std::vector<uint8_t>& dib, int32_t width, int32_t height)
        : m_dib(dib), m_width(width), m_height(height), m_stride(DibStride(width, 24)) {}
    bool Begin(int32_t, int32_t) override { return true; }
    void Row(int32_t y, const uint8_t* blue, const uint8_t* green, const uint8_t* red) override {
        const uint8_t* row = m_dib.data() + kBitmapInfoHeaderSize + (m_height - 1 - y) * m_stride;
        for (int32_t x = 0; x < m_width && m_same; ++x)
            m_same = row[3 * x] == blue[x] && row[3 * x + 1] == green[x] && row[3 * x + 2] == red[x];
    }
    bool Same() const { return m_same; }

private:
    const std::vector<uint8_t>& m_dib;
    const int32_t m_width;
    const int32_t m_height;
    const int64_t m_stride;
    bool m_same = true;
};

// Every combination of Y, U and V, in pictures of the given width: each
// chroma sample with four luma values, strip after strip.
bool CheckWidth(int32_t width) {
    AVFrame* frame = av_frame_alloc();
    if (frame == nullptr)
        return false;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = kCheckRows;
    bool same = av_frame_get_buffer(frame, 0) == 0;
    CFrameConverter converter;
    CYuv420BgrRows rows;
    std::vector<uint8_t> dib;
    const int32_t chromaWidth = width / 2;
    for (int64_t next = 0; same && next < kCombinations;) {
        for (int32_t cy = 0; cy < kCheckRows / 2; ++cy) {
            for (int32_t cx = 0; cx < chromaWidth; ++cx) {
                const int64_t k = next % kCombinations;
                frame->data[1][cy * frame->linesize[1] + cx] = static_cast<uint8_t>(k >> 16);
                frame->data[2][cy * frame->linesize[2] + cx] = static_cast<uint8_t>(k >> 8);
                for (int i = 0; i < 4; ++i)
                    frame->data[0][(2 * cy + i / 2) * frame->linesize[0] + 2 * cx + i % 2] =
                        static_cast<uint8_t>(k + i);
                next += 4;
            }
        }
        same = converter.Convert(*frame, dib);
        if (same) {
            CCompareSink compare(dib, width, kCheckRows);
            rows.VisitRows(*frame, compare);
            same = compare.Same();
        }
    }
    av_frame_free(&frame);
    return same;
}

} // namespace

bool CYuv420BgrRows::Exact(int32_t width, int32_t height) {
    // Without AVX2 the rows would be made one pixel at a time, slower than
    // the converter's packed picture. Odd sizes take other paths through
    // swscale.
    if (!kAvx2 || width < 16 || width % 2 != 0 || height < 2 || height % 2 != 0 || width > 32768)
        return false;
    static std::mutex mutex;
    static std::map<int32_t, bool> checked;
    std::lock_guard<std::mutex> lock(mutex);
    const auto known = checked.find(width);
    if (known != checked.end())
        return known->second;
    const bool exact = CheckWidth(width);
    checked.emplace(width, exact);
    return exact;
}

bool CYuv420BgrRows::Visit(const AVFrame& frame, IBgrRowSink& sink) {
    // The sink first: a shape it declines needs no check.
    if (frame.format != AV_PIX_FMT_YUV420P || !sink.Begin(frame.width, frame.height) ||
        !Exact(frame.width, frame.height))
        return false;
    VisitRows(frame, sink);
    return true;
}

void CYuv420BgrRows::VisitRows(const AVFrame& frame, IBgrRowSink& sink) {
    const Coefficients& c = Coeffs();
    const size_t width = static_cast<size_t>(frame.width);
    m_rows.resize(6 * width);
    for (int32_t y = 0; y < frame.height; ++y) {
        uint8_t* blue = m_rows.data() + (y % 2) * 3 * width;
        uint8_t* green = blue + width;
        uint8_t* red = green + width;
        ConvertRow(c, frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0],
                   frame.data[1] + static_cast<ptrdiff_t>(y / 2) * frame.linesize[1],
                   frame.data[2] + static_cast<ptrdiff_t>(y / 2) * frame.linesize[2], frame.width, blue,
                   green, red);
        sink.Row(y, blue, green, red);
    }
}
