#include "creation/PlaneMeasure.h"

#include <array>
#include <cstring>
#include <vector>

namespace {
// Sums of one 4x4 block: a, b, a*a + b*b, a*b.
using BlockSums = std::array<int64_t, 4>;

void BlockRow(const uint8_t* a, const uint8_t* b, int32_t width, int32_t blockRow,
              std::vector<BlockSums>& out) {
    for (size_t x = 0; x < out.size(); ++x) {
        BlockSums sums{};
        for (int32_t dy = 0; dy < 4; ++dy) {
            const size_t row = static_cast<size_t>(blockRow * 4 + dy) * static_cast<size_t>(width) + x * 4;
            for (int32_t dx = 0; dx < 4; ++dx) {
                const int64_t pa = a[row + static_cast<size_t>(dx)];
                const int64_t pb = b[row + static_cast<size_t>(dx)];
                sums[0] += pa;
                sums[1] += pb;
                sums[2] += pa * pa + pb * pb;
                sums[3] += pa * pb;
            }
        }
        out[x] = sums;
    }
}

// One 8x8 window from the sums of its four blocks.
double WindowSsim(const BlockSums& s) {
    constexpr double c1 = static_cast<int>(.01 * .01 * 255 * 255 * 64 + .5);
    constexpr double c2 = static_cast<int>(.03 * .03 * 255 * 255 * 64 * 63 + .5);
    const double s1 = static_cast<double>(s[0]);
    const double s2 = static_cast<double>(s[1]);
    const double vars = static_cast<double>(s[2]) * 64 - s1 * s1 - s2 * s2;
    const double covar = static_cast<double>(s[3]) * 64 - s1 * s2;
    return (2 * s1 * s2 + c1) * (2 * covar + c2) / ((s1 * s1 + s2 * s2 + c1) * (vars + c2));
}
} // namespace

int64_t PlaneSquaredError(const uint8_t* a, const uint8_t* b, int32_t width, int32_t height) {
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint64_t total = 0;
    for (size_t i = 0; i < count; ++i) {
        const int d = int(a[i]) - int(b[i]);
        total += static_cast<uint64_t>(d * d);
    }
    return static_cast<int64_t>(total);
}

double PlaneSsim(const uint8_t* a, const uint8_t* b, int32_t width, int32_t height) {
    const int32_t blocksX = width / 4;
    const int32_t blocksY = height / 4;
    if (blocksX < 2 || blocksY < 2) {
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        return count == 0 || std::memcmp(a, b, count) == 0 ? 1.0 : 0.0;
    }
    std::vector<BlockSums> above(static_cast<size_t>(blocksX));
    std::vector<BlockSums> below(static_cast<size_t>(blocksX));
    BlockRow(a, b, width, 0, above);
    double total = 0.0;
    for (int32_t y = 1; y < blocksY; ++y) {
        BlockRow(a, b, width, y, below);
        for (size_t x = 0; x + 1 < below.size(); ++x) {
            BlockSums window{};
            for (size_t k = 0; k < 4; ++k)
                window[k] = above[x][k] + above[x + 1][k] + below[x][k] + below[x + 1][k];
            total += WindowSsim(window);
        }
        above.swap(below);
    }
    return total / (static_cast<double>(blocksY - 1) * static_cast<double>(blocksX - 1));
}
