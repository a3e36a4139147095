// The writer's files as other programs see them: ffprobe/ffmpeg read and
// decode them without a word, they are interleaved whatever order the streams
// were written in, and past the RIFF limit they continue in OpenDML form with
// indexes that point at the right chunks.

#include "AviFileWalk.h"
#include "AviWriterTestMovie.h"

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {
// ffmpeg at warning level: anything it finds odd while decoding everything.
// A plain WAVEFORMATEX carries no channel mask, so ffmpeg always says it
// guessed the stereo layout; that line is about the caller's format.
std::string FfmpegWarnings(const std::string& path) {
    auto r = RunCommand({"ffmpeg", "-v", "warning", "-nostdin", "-i", path, "-f", "null", "-"});
    std::string out;
    size_t at = 0;
    while (at < r.err.size()) {
        size_t end = r.err.find('\n', at);
        end = end == std::string::npos ? r.err.size() : end + 1;
        const std::string line = r.err.substr(at, end - at);
        if (line.find("Guessed Channel Layout") == std::string::npos)
            out += line;
        at = end;
    }
    return out + (r.exitCode != 0 ? "exit status " + std::to_string(r.exitCode) : "");
}

// Largest amount by which a chunk's play time lies behind the latest play
// time already passed in file order.
double InterleaveDrift(const AviWalk& w) {
    std::map<int, uint64_t> samplesBefore;
    double latest = 0, drift = 0;
    for (const WalkChunk& c : w.chunks) {
        const int s = WalkStreamOf(c.id);
        const WalkStream& st = w.streams.at(static_cast<size_t>(s));
        const double samples =
            st.dwSampleSize > 0 ? double(samplesBefore[s]) / st.dwSampleSize : double(samplesBefore[s]);
        samplesBefore[s] += st.dwSampleSize > 0 ? c.size : 1;
        const double t = samples * st.dwScale / st.dwRate;
        latest = std::max(latest, t);
        drift = std::max(drift, latest - t);
    }
    return drift;
}

std::vector<int64_t> ExpectedKeys(const fmtest::WriterMovie& spec) {
    std::vector<int64_t> keys;
    for (int i = 0; i < spec.frames; i += spec.keyEvery)
        if (i < spec.gapAt || i >= spec.gapAt + spec.gapLength)
            keys.push_back(i);
    return keys;
}

// Everything ffprobe and ffmpeg should agree on for a movie made by
// WriteTestMovie, plus the structure every file must have.
void CheckMovie(const std::string& path, const fmtest::WriterMovie& spec) {
    EXPECT_EQ(FfmpegWarnings(path), "");

    const auto streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), spec.audioRate ? 2u : 1u);
    EXPECT_EQ(streams[0].codecName, "rawvideo");
    EXPECT_EQ(streams[0].width, spec.width);
    EXPECT_EQ(streams[0].height, spec.height);
    EXPECT_EQ(streams[0].rFrameRate, std::to_string(spec.fps) + "/1");

    // Dropped frames are empty chunks: counted in the header, skipped as
    // packets, so the frame after a gap keeps its own time stamp. (ffmpeg
    // marks every raw-video packet key; key flags are checked on the indexes.)
    EXPECT_EQ(streams[0].nbFrames, spec.frames);
    std::vector<int64_t> expectedPts, pts;
    for (int i = 0; i < spec.frames; ++i)
        if (i < spec.gapAt || i >= spec.gapAt + spec.gapLength)
            expectedPts.push_back(i);
    for (const auto& p : ProbePackets(path, "v:0")) {
        pts.push_back(p.pts);
        EXPECT_EQ(p.size, spec.width * 3 * spec.height);
    }
    EXPECT_EQ(pts, expectedPts);

    if (spec.audioRate) {
        EXPECT_EQ(streams[1].codecName, "pcm_s16le");
        EXPECT_EQ(streams[1].sampleRate, static_cast<int>(spec.audioRate));
        EXPECT_EQ(streams[1].channels, spec.channels);
        int64_t bytes = 0;
        for (const auto& p : ProbePackets(path, "a:0"))
            bytes += p.size;
        EXPECT_EQ(bytes, TestAudioBytes(spec));
    }

    const AviWalk w = WalkAvi(path);
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.microSecPerFrame, 1000000u / spec.fps);
    EXPECT_EQ(w.avihFlags & 0x110u, 0x110u);
    EXPECT_EQ(w.width, static_cast<uint32_t>(spec.width));
    EXPECT_EQ(w.height, static_cast<uint32_t>(spec.height));
    ASSERT_EQ(w.streams.size(), spec.audioRate ? 2u : 1u);
    EXPECT_EQ(w.streams[0].dwLength, static_cast<uint32_t>(spec.frames));
    EXPECT_EQ(w.streams[0].dwSuggestedBufferSize, static_cast<uint32_t>(spec.width * 3 * spec.height));
    if (spec.audioRate) {
        EXPECT_EQ(w.streams[1].dwLength, static_cast<uint32_t>(TestAudioBytes(spec) / (2 * spec.channels)));
    }
    EXPECT_LE(InterleaveDrift(w), 1.0);

    // idx1 lists the first RIFF's chunks in file order, movi-relative, with
    // the key flag on key frames and on every audio chunk.
    const std::vector<int64_t> expectedKeys = ExpectedKeys(spec);
    std::vector<WalkIdx1Entry> expected;
    int64_t frame = 0;
    for (const WalkChunk& c : w.chunks) {
        const bool isVideo = WalkStreamOf(c.id) == 0;
        const bool key = !isVideo || std::binary_search(expectedKeys.begin(), expectedKeys.end(), frame);
        frame += isVideo ? 1 : 0;
        if (c.part == 0)
            expected.push_back(
                {c.id, key ? 0x10u : 0u, static_cast<uint32_t>(c.dataPos - 8 - w.moviFourCC), c.size});
    }
    ASSERT_EQ(w.idx1.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(w.idx1[i].id, expected[i].id) << i;
        EXPECT_EQ(w.idx1[i].flags, expected[i].flags) << i;
        EXPECT_EQ(w.idx1[i].offset, expected[i].offset) << i;
        EXPECT_EQ(w.idx1[i].size, expected[i].size) << i;
    }
}
} // namespace

TEST(AviWriter, VideoFirstThenAudioComesOutInterleaved) {
    CTempDir dir;
    fmtest::WriterMovie spec;
    spec.frames = 150;
    spec.gapAt = 42; // frames 42..44 dropped: empty chunks, counted
    spec.gapLength = 3;
    const std::string path = dir.File("movie.avi");
    ASSERT_EQ(WriteTestMovie(path, spec), "");
    CheckMovie(path, spec);

    const AviWalk w = WalkAvi(path);
    EXPECT_EQ(w.riffSizes.size(), 1u);
    EXPECT_EQ(w.totalFrames, 150u);
    EXPECT_EQ(w.dmlhFrames, -1); // room reserved as JUNK only
    EXPECT_FALSE(w.streams[0].hasIndx);
    // Nothing but the movie is left in the directory (the spool is gone).
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(AviWriter, PastTheRiffLimitContinuesInOpenDmlForm) {
    CTempDir dir;
    fmtest::WriterMovie spec;
    spec.frames = 150;
    spec.gapAt = 70;
    spec.gapLength = 2;
    spec.riffLimit = 256 * 1024;
    const std::string path = dir.File("odml.avi");
    ASSERT_EQ(WriteTestMovie(path, spec), "");
    CheckMovie(path, spec);

    const AviWalk w = WalkAvi(path);
    ASSERT_GT(w.riffSizes.size(), 3u);
    for (uint64_t size : w.riffSizes)
        EXPECT_LE(size, spec.riffLimit);
    EXPECT_EQ(w.dmlhFrames, spec.frames);
    int framesInFirst = 0;
    for (const WalkChunk& c : w.chunks)
        framesInFirst += c.part == 0 && WalkStreamOf(c.id) == 0;
    EXPECT_EQ(w.totalFrames, static_cast<uint32_t>(framesInFirst));

    // Each stream's indx -> ix## entries name exactly its chunks, in order,
    // pointing at their data, with the key bit clear only on delta frames.
    const std::vector<int64_t> keys = ExpectedKeys(spec);
    for (size_t s = 0; s < w.streams.size(); ++s) {
        ASSERT_TRUE(w.streams[s].hasIndx);
        std::vector<WalkOdmlEntry> expected;
        for (const WalkChunk& c : w.chunks) {
            if (WalkStreamOf(c.id) != static_cast<int>(s))
                continue;
            const int64_t frame = static_cast<int64_t>(expected.size());
            const bool key = s == 1 || std::binary_search(keys.begin(), keys.end(), frame);
            expected.push_back({c.dataPos, c.size, key});
        }
        const auto& got = w.streams[s].odml;
        ASSERT_EQ(got.size(), expected.size()) << "stream " << s;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].dataPos, expected[i].dataPos) << s << "/" << i;
            EXPECT_EQ(got[i].size, expected[i].size) << s << "/" << i;
            EXPECT_EQ(got[i].key, expected[i].key) << s << "/" << i;
        }
    }
}
