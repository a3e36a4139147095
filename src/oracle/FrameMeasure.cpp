#include "oracle/FrameMeasure.h"

#include <algorithm>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

// Per-chunk sums in 32 bits let the compiler vectorise the loops; a chunk of
// 2^20 bytes adds at most 2 x 255 per byte, far below 2^32.
constexpr int64_t kChunk = int64_t(1) << 20;

inline uint32_t AbsDiff(uint8_t a, uint8_t b) {
    const int d = int(a) - int(b);
    return uint32_t(d < 0 ? -d : d);
}

// |row[j] - row[j + 3]| + |row[j] - next[j]| over j < count: the pairs of
// one row with its right and its lower neighbours. psadbw sums the absolute
// differences of 16 byte pairs at once, several times faster than the loop
// the compiler makes of the two sums together.
uint64_t PairSum(const uint8_t* row, const uint8_t* next, int64_t count) {
    uint64_t total = 0;
    int64_t j = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    __m128i acc = _mm_setzero_si128();
    for (; j + 16 <= count; j += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
        const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j + 3));
        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + j));
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_sad_epu8(here, right), _mm_sad_epu8(here, below)));
    }
    total = uint64_t(_mm_cvtsi128_si64(acc)) + uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
#endif
    // Two separate sums vectorise where the one above is not available.
    total += uint64_t(DifferenceSum(row + j, row + j + 3, count - j));
    total += uint64_t(DifferenceSum(row + j, next + j, count - j));
    return total;
}

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
        sum += PairSum(row, row + rowBytes, pairsPerRow);
    }
    return static_cast<int64_t>(sum);
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
