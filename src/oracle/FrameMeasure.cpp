#include "oracle/FrameMeasure.h"

#include <algorithm>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define FLINTMOOR_HAVE_AVX2_PATH 1
#endif

namespace {

// Per-chunk sums in 32 bits let the compiler vectorise the loops; a chunk of
// 2^20 bytes adds at most 2 x 255 per byte, far below 2^32.
constexpr int64_t kChunk = int64_t(1) << 20;

inline uint32_t AbsDiff(uint8_t a, uint8_t b) {
    const int d = int(a) - int(b);
    return uint32_t(d < 0 ? -d : d);
}

// |row[j] - row[j + step]| + |row[j] - next[j]| over j < count: the pairs of
// one row with its right and its lower neighbours (step 3 in packed pixels,
// 1 in a plane). psadbw sums the absolute differences of 16 byte pairs at
// once, several times faster than the loop the compiler makes of the two sums
// together.
template <int step> uint64_t PairSum(const uint8_t* row, const uint8_t* next, int64_t count) {
    uint64_t total = 0;
    int64_t j = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    __m128i acc = _mm_setzero_si128();
    for (; j + 16 <= count; j += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
        const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j + step));
        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + j));
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_sad_epu8(here, right), _mm_sad_epu8(here, below)));
    }
    if (j < count && count >= 16) {
        // The last few pairs: one more step ending at the row's end, with
        // the pairs already counted masked out (zero on both sides).
        alignas(16) static const uint8_t kMaskTable[32] = {
            0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
            0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
        const int64_t last = count - 16;
        const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kMaskTable + (count - j)));
        const __m128i here =
            _mm_and_si128(mask, _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + last)));
        const __m128i right =
            _mm_and_si128(mask, _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + last + step)));
        const __m128i below =
            _mm_and_si128(mask, _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + last)));
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_sad_epu8(here, right), _mm_sad_epu8(here, below)));
        j = count;
    }
    total = uint64_t(_mm_cvtsi128_si64(acc)) + uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
#endif
    // Two separate sums vectorise where the one above is not available.
    total += uint64_t(DifferenceSum(row + j, row + j + step, count - j));
    total += uint64_t(DifferenceSum(row + j, next + j, count - j));
    return total;
}

#ifdef FLINTMOOR_HAVE_AVX2_PATH
// PairSum<1> over the first whole steps of 32 bytes; `done` says how far.
__attribute__((target("avx2"))) uint64_t PlanePairsAvx2(const uint8_t* row, const uint8_t* other,
                                                        int64_t count, int64_t& done) {
    __m256i acc = _mm256_setzero_si256();
    int64_t j = 0;
    for (; j + 32 <= count; j += 32) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + j));
        const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + j + 1));
        const __m256i there = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(other + j));
        acc = _mm256_add_epi64(acc,
                               _mm256_add_epi64(_mm256_sad_epu8(here, right), _mm256_sad_epu8(here, there)));
    }
    done = j;
    const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    return uint64_t(_mm_cvtsi128_si64(half)) + uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(half, half)));
}

const bool kAvx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

int64_t DetailSum(const uint8_t* pixels, int64_t size, int32_t width, int32_t height) {
    if (pixels == nullptr || width < 2 || height < 2 || size <= 0) {
        return 0;
    }
    const int64_t rowBytes = 3 * int64_t(width);
    const int64_t rows = std::min<int64_t>(height, size / rowBytes);
    // The last column and the last row only appear as neighbours.
    const int64_t pairsPerRow = 3 * (int64_t(width) - 1);
    uint64_t sum = 0;
    for (int64_t r = 0; r + 1 < rows; ++r) {
        const uint8_t* row = pixels + r * rowBytes;
        sum += PairSum<3>(row, row + rowBytes, pairsPerRow);
    }
    return static_cast<int64_t>(sum);
}

int64_t PlaneRowDetail(const uint8_t* row, const uint8_t* other, int64_t count) {
    if (row == nullptr || other == nullptr || count <= 0) {
        return 0;
    }
    uint64_t total = 0;
#ifdef FLINTMOOR_HAVE_AVX2_PATH
    if (kAvx2) {
        int64_t done = 0;
        total = PlanePairsAvx2(row, other, count, done);
        row += done;
        other += done;
        count -= done;
    }
#endif
    return static_cast<int64_t>(total + PairSum<1>(row, other, count));
}

int64_t DifferenceSum(const uint8_t* a, const uint8_t* b, int64_t count) {
    if (a == nullptr || b == nullptr || count <= 0) {
        return 0;
    }
    uint64_t total = 0;
    for (int64_t begin = 0; begin < count; begin += kChunk) {
        const int64_t end = std::min(count, begin + kChunk);
        uint32_t part = 0;
        for (int64_t i = begin; i < end; ++i) {
            part += AbsDiff(a[i], b[i]);
        }
        total += part;
    }
    return static_cast<int64_t>(total);
}

int64_t SquaredDifferenceSum(const uint8_t* a, const uint8_t* b, int64_t count) {
    if (a == nullptr || b == nullptr || count <= 0) {
        return 0;
    }
    // 2^16 squares of at most 255^2 still fit a 32-bit partial sum.
    constexpr int64_t kSquareChunk = int64_t(1) << 16;
    uint64_t total = 0;
    for (int64_t begin = 0; begin < count; begin += kSquareChunk) {
        const int64_t end = std::min(count, begin + kSquareChunk);
        uint32_t part = 0;
        for (int64_t i = begin; i < end; ++i) {
            const int d = int(a[i]) - int(b[i]);
            part += uint32_t(d * d);
        }
        total += part;
    }
    return static_cast<int64_t>(total);
}
