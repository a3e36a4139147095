// The oracle with the source movie, on every kind of source the reader
// takes, against a reference computed here from ffmpeg's decode of the three
// files. LOW and FAST are lossless (FFV1), so the reference is exact and the
// oracle file must equal it byte for byte. Sources whose frames are not
// 24-bit must stop with the size message, as the measure compares bytes.

#include "oracle/COracle.h"
#include "support/CHostRecorder.h"
#include "support/Ffprobe.h"
#include "support/TestMovies.h"

#include "CRecordingListSink.h"
#include "platform/CodecTestMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr int kWidth = 50; // 150-byte rows: 24-bit rows of the file are padded
constexpr int kHeight = 36;
constexpr int kFrames = 12;
constexpr int kKeyEvery = 5;

enum class EMake { Plain, BottomUp, PackedBFrames };

struct SourceKind {
    const char* name;
    std::vector<std::string> codec; // ffmpeg's output options
    EMake make;
    int bytesPerPixel; // of the frames the reader hands out
};

void PrintTo(const SourceKind& kind, std::ostream* os) {
    *os << kind.name;
}

void PackFile(const std::string& path) {
    CMemoryAviStream plain;
    ASSERT_EQ(ReadAviIntoStream(path, plain), "");
    CMemoryAviStream packed = PackBFrames(plain);
    ASSERT_TRUE(std::any_of(packed.Chunks().begin(), packed.Chunks().end(),
                            [](const auto& chunk) { return chunk.data.size() == 6; })); // a placeholder
    ASSERT_EQ(WriteStreamToAvi(packed, path), "");
}

void AppendLittleEndian(double value, std::vector<uint8_t>& out) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

class OracleSourceKinds : public ::testing::TestWithParam<SourceKind> {
protected:
    // LOW and FAST: two lossless versions of the clip that differ from it.
    static void SetUpTestSuite() {
        s_dir = new CTempDir;
        for (const auto& [name, filter] : {std::pair{"low.avi", "hflip"}, std::pair{"fast.avi", "vflip"}}) {
            const CommandResult r =
                Ffmpeg({"-f", "lavfi", "-i", Clip(), "-vf", filter, "-c:v", "ffv1", "-pix_fmt", "bgr0", "-g",
                        std::to_string(kKeyEvery), s_dir->File(name)});
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Clip() {
        return "testsrc2=size=" + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
               ":rate=25,trim=end_frame=" + std::to_string(kFrames);
    }

    std::string MakeSource(const SourceKind& kind) {
        const std::string path = m_dir.File("source.avi");
        std::vector<std::string> args{"-f", "lavfi", "-i", Clip()};
        if (kind.make == EMake::BottomUp) // stored turned over, so that it shows the clip upright
            args.insert(args.end(), {"-vf", "vflip"});
        args.insert(args.end(), kind.codec.begin(), kind.codec.end());
        args.push_back(path);
        const CommandResult r = Ffmpeg(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        if (kind.make == EMake::BottomUp) {
            EXPECT_TRUE(MarkRawAviBottomUp(path));
        }
        if (kind.make == EMake::PackedBFrames) {
            PackFile(path);
        }
        return path;
    }

    // The oracle file the measure gives: per interval (LOW key frame to the
    // next) the LOW and the FAST value, each the sum over the frames of the
    // frame's byte differences to the source divided by the interval length.
    static std::vector<uint8_t> ExpectedOracleFile(const std::string& source) {
        const auto src = FfmpegFramesBottomUp(source, kWidth, kHeight);
        const auto low = FfmpegFramesBottomUp(s_dir->File("low.avi"), kWidth, kHeight);
        const auto fast = FfmpegFramesBottomUp(s_dir->File("fast.avi"), kWidth, kHeight);
        EXPECT_EQ(src.size(), size_t(kFrames));
        EXPECT_EQ(low.size(), size_t(kFrames));
        EXPECT_EQ(fast.size(), size_t(kFrames));
        std::vector<int64_t> keys = ProbeVideoKeyFrames(s_dir->File("low.avi"));
        EXPECT_EQ(keys, (std::vector<int64_t>{0, 5, 10}));
        keys.push_back(kFrames);
        auto difference = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
            int64_t sum = 0;
            for (size_t i = 0; i < a.size() && i < b.size(); ++i)
                sum += std::abs(int{a[i]} - int{b[i]});
            return sum;
        };
        std::vector<uint8_t> file;
        for (size_t k = 0; k + 1 < keys.size() && src.size() == size_t(kFrames); ++k) {
            const double n = double(keys[k + 1] - keys[k]);
            double lowValue = 0.0;
            double fastValue = 0.0;
            for (int64_t f = keys[k]; f < keys[k + 1]; ++f) {
                lowValue += double(difference(src[size_t(f)], low[size_t(f)])) / n;
                fastValue += double(difference(src[size_t(f)], fast[size_t(f)])) / n;
            }
            AppendLittleEndian(lowValue, file);
            AppendLittleEndian(fastValue, file);
        }
        return file;
    }

    static CTempDir* s_dir;
    CTempDir m_dir;
    CHostRecorder m_host;
    CRecordingListSink m_sink;
};
CTempDir* OracleSourceKinds::s_dir = nullptr;

const char* const kSizeInvalidThree =
    "Buffer Size Invalid! This error happens, if one of the AVIs (Original, "
    "Low or Fast) is not compatible with the others.";

} // namespace

TEST_P(OracleSourceKinds, ValuesEqualTheReferenceByteForByte) {
    const SourceKind& kind = GetParam();
    const std::string source = MakeSource(kind);
    COracle oracle(m_host);
    ASSERT_TRUE(oracle.GetFiles().OpenLow(s_dir->File("low.avi")));
    ASSERT_TRUE(oracle.GetFiles().OpenFast(s_dir->File("fast.avi")));
    ASSERT_TRUE(oracle.GetFiles().OpenSource(source));
    oracle.SetListSink(&m_sink);
    oracle.SetUseSourceMovie(true);
    const std::string path = m_dir.File("oracle.dat");
    const bool measured = oracle.RunJob(path, 0, 0, false, 0);

    if (kind.bytesPerPixel != 3) {
        // The frames of the source are larger or smaller than LOW's.
        EXPECT_FALSE(measured);
        ASSERT_EQ(m_host.Messages().size(), 1u);
        EXPECT_EQ(m_host.Messages()[0].text.rfind(kSizeInvalidThree, 0), 0u) << m_host.Messages()[0].text;
        EXPECT_EQ(m_host.Messages()[0].caption, "Oracle Error");
        EXPECT_FALSE(std::filesystem::exists(path));
        return;
    }
    ASSERT_TRUE(measured);
    EXPECT_TRUE(m_host.Messages().empty());
    const std::vector<uint8_t> expected = ExpectedOracleFile(source);
    ASSERT_EQ(expected.size(), 48u);
    EXPECT_TRUE(ReadFileBytes(path) == expected);
    // FAST is the clip turned over: a source read upside down would equal
    // it and give FAST values of 0.
    for (const OracleInterval& interval : oracle.GetIntervals())
        EXPECT_GT(interval.fastValue, 0.0) << interval.start;
}

INSTANTIATE_TEST_SUITE_P(
    EveryReadableKind, OracleSourceKinds,
    ::testing::Values(
        SourceKind{"Bgr24TopDown", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, EMake::Plain, 3},
        SourceKind{"Bgr24BottomUp", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}, EMake::BottomUp, 3},
        SourceKind{"Bgra32TopDown", {"-c:v", "rawvideo", "-pix_fmt", "bgra"}, EMake::Plain, 4},
        SourceKind{"Bgra32BottomUp", {"-c:v", "rawvideo", "-pix_fmt", "bgra"}, EMake::BottomUp, 4},
        SourceKind{"Rgb555", {"-c:v", "rawvideo", "-pix_fmt", "rgb555le"}, EMake::Plain, 2},
        SourceKind{"Palette8", {"-c:v", "rawvideo", "-pix_fmt", "pal8"}, EMake::Plain, 1},
        SourceKind{"HuffYuv", {"-c:v", "huffyuv", "-pix_fmt", "yuv422p"}, EMake::Plain, 3},
        SourceKind{"Ffv1", {"-c:v", "ffv1"}, EMake::Plain, 3},
        SourceKind{"Mjpeg", {"-c:v", "mjpeg", "-q:v", "5"}, EMake::Plain, 3},
        SourceKind{"Mpeg4PackedBFrames",
                   {"-c:v", "mpeg4", "-vtag", "DX50", "-bf", "1", "-g", "12", "-q:v", "5"},
                   EMake::PackedBFrames,
                   3},
        SourceKind{"MsMpeg4", {"-c:v", "msmpeg4", "-q:v", "5"}, EMake::Plain, 3}),
    [](const ::testing::TestParamInfo<SourceKind>& info) { return std::string(info.param.name); });
