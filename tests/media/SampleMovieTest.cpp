// The sample movie's content: deterministic, and with the scenes the oracle
// needs to make real choices (nothing moves, a little moves, much moves).

#include "media/CSampleMovie.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
// Mean absolute difference per byte between two frames.
double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += static_cast<uint64_t>(std::abs(int(a[i]) - int(b[i])));
    return double(sum) / double(a.size());
}

// What is left of frame b after the best shift of frame a within +-4
// pixels (an encoder's motion search, in one block): mean absolute
// difference per byte over the inner part of the picture.
double ResidualAfterBestShift(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width,
                              int height) {
    const int stride = (width * 3 + 3) & ~3;
    double best = 1e9;
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            uint64_t sum = 0, n = 0;
            for (int y = 8; y < height - 8; ++y)
                for (int x = 8; x < width - 8; ++x)
                    for (int c = 0; c < 3; ++c, ++n)
                        sum += static_cast<uint64_t>(
                            std::abs(int(b[size_t(y * stride + x * 3 + c)]) -
                                     int(a[size_t((y + dy) * stride + (x + dx) * 3 + c)])));
            best = std::min(best, double(sum) / double(n));
        }
    return best;
}
} // namespace

TEST(SampleMovie, ScenesCarryLittleOrMuchMotionAndRepeatExactly) {
    SampleMovieOptions options; // 320x240, 25 fps: scenes of 100 frames
    CSampleMovie movie(options);
    ASSERT_EQ(movie.SceneLength(), 100);
    std::vector<uint8_t> a(movie.FrameBytes()), b(movie.FrameBytes());
    auto diff = [&](int i, int j) {
        movie.RenderFrame(i, a.data());
        movie.RenderFrame(j, b.data());
        return MeanDifference(a, b);
    };
    EXPECT_EQ(movie.SceneAt(10), CSampleMovie::EScene::Still);
    EXPECT_EQ(movie.SceneAt(110), CSampleMovie::EScene::Pan);
    EXPECT_EQ(movie.SceneAt(210), CSampleMovie::EScene::Busy);
    EXPECT_EQ(movie.SceneAt(310), CSampleMovie::EScene::Still);

    auto residual = [&](int i) {
        movie.RenderFrame(i, a.data());
        movie.RenderFrame(i + 1, b.data());
        return ResidualAfterBestShift(a, b, options.width, options.height);
    };
    EXPECT_EQ(diff(10, 11), 0.0);  // still
    EXPECT_GT(diff(110, 111), 5);  // the pan moves detail...
    EXPECT_LT(residual(110), 0.5); // ...in a way motion search follows
    EXPECT_GT(residual(210), 20);  // busy motion it cannot follow
    EXPECT_GT(diff(99, 100), 5);   // scene cuts are real cuts

    // The picture has detail: neighbouring pixels differ.
    movie.RenderFrame(0, a.data());
    EXPECT_GT(MeanDifference(std::vector<uint8_t>(a.begin() + 3, a.end()),
                             std::vector<uint8_t>(a.begin(), a.end() - 3)),
              5.0);
    // Padding bytes of odd widths stay zero, and frames are reproducible.
    CSampleMovie odd(SampleMovieOptions{33, 17, 25, 1, 300, 0, 2});
    std::vector<uint8_t> c(odd.FrameBytes(), 0xAA), d(odd.FrameBytes(), 0x55);
    ASSERT_EQ(odd.FrameBytes(), 100u * 17);
    odd.RenderFrame(250, c.data());
    odd.RenderFrame(250, d.data());
    EXPECT_EQ(c, d);
    for (int row = 0; row < 17; ++row)
        EXPECT_EQ(c[size_t(row) * 100 + 99], 0);
}

TEST(SampleMovie, AudioIsAToneWithoutClicksAtSceneChanges) {
    SampleMovieOptions options;
    options.audioChannels = 2;
    CSampleMovie movie(options);
    EXPECT_EQ(movie.AudioSamples(), 300 * 44100 / 25);
    std::vector<int16_t> s(size_t(movie.AudioSamples()) * 2);
    movie.RenderAudio(0, static_cast<int>(movie.AudioSamples()), s.data());
    int peak = 0, maxStep = 0;
    for (size_t i = 2; i < s.size(); ++i) {
        peak = std::max(peak, std::abs(int(s[i])));
        maxStep = std::max(maxStep, std::abs(int(s[i]) - int(s[i - 2])));
    }
    EXPECT_GT(peak, 4000);    // audible
    EXPECT_LT(peak, 32767);   // not clipped
    EXPECT_LT(maxStep, 2500); // smooth, also across the scene borders
    std::vector<int16_t> again(200);
    movie.RenderAudio(176400 - 50, 100, again.data()); // any block renders alike
    EXPECT_TRUE(std::equal(again.begin(), again.end(), s.begin() + (176400 - 50) * 2));
}
