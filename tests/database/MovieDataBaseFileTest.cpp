// The data base file: export (the example byte for byte), import, the codec
// sections, the compatibility check, and files written by hostile hands.

#include "database/CMovieDataBase.h"
#include "encoding/EncodingPart.h"
#include "media/CAVIFile.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CodecOptions.h"
#include "platform/EncoderSettings.h"
#include "support/CHostRecorder.h"
#include "support/CommaDecimalLocale.h"
#include "support/TestMovies.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

CodecOptions ExampleOptions(uint8_t firstByte) {
    CodecOptions options;
    options.fccType = MakeFourCC('v', 'i', 'd', 's');
    options.dwQuality = 10000;
    options.lpParms = {firstByte, 0};
    return options;
}

class MovieDataBaseFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new CTempDir;
        fmtest::FfmpegMovie spec;
        spec.frames = 60;
        std::string error;
        ASSERT_TRUE(MakeTestMovie(Movie(), spec, &error)) << error;
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string Movie() { return s_dir->File("movie.avi"); }

    // A data base loaded from `text` (lines joined by CR LF).
    void Load(CMovieDataBase& base, const std::vector<std::string>& lines) {
        const std::string path = m_dir.File("in.vdb");
        const std::string text = CrLfLines(lines);
        WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        ASSERT_TRUE(base.LoadFromFile(path));
    }

    static CTempDir* s_dir;
    CTempDir m_dir;
    CHostRecorder m_host;
};
CTempDir* MovieDataBaseFile::s_dir = nullptr;

} // namespace

TEST(MovieDataBaseExport, WritesTheExampleByteForByteWhateverTheLocale) {
    CTempDir dir;
    fmtest::FfmpegMovie spec;
    spec.frames = 500;
    spec.size = "640x272";
    std::string error;
    ASSERT_TRUE(MakeTestMovie(dir.File("source.avi"), spec, &error)) << error;
    const std::vector<EncodingPart> rows = {
        EncodingPart::Make(EPartEncoding::Low, 0, 250, 500, 1000, 100, 0, 10000),
        EncodingPart::Make(EPartEncoding::Fast, 250, 500, 500, 1000, 100, 10000, 20000)};
    CHostRecorder host;
    std::string status;
    const std::string path = dir.File("movie.vdb");
    ASSERT_TRUE(CMovieDataBase::Export(host, dir.File("source.avi"), rows, ExampleOptions(3),
                                       ExampleOptions(4), path, status));
    EXPECT_EQ(status, path + " sucessfully exported.");
    const std::string example =
        ReadFileText(std::string(FLINTMOOR_TEST_DATA) + "/example_movie_database.vdb");
    EXPECT_EQ(ReadFileText(path), example);

    // On a desktop with a decimal comma the file is the same, and it reads
    // back as written.
    {
        CCommaDecimalLocale german;
        ASSERT_TRUE(german.Active()) << german.Why();
        const std::string there = dir.File("german.vdb");
        ASSERT_TRUE(CMovieDataBase::Export(host, dir.File("source.avi"), rows, ExampleOptions(3),
                                           ExampleOptions(4), there, status));
        EXPECT_EQ(ReadFileText(there), example);
        CMovieDataBase base(host);
        CodecOptions low;
        CodecOptions fast;
        ASSERT_TRUE(base.Import(there, low, fast, status)) << status;
        EXPECT_EQ(low, ExampleOptions(3));
        EXPECT_EQ(fast, ExampleOptions(4));
        float version = 0;
        EXPECT_TRUE(base.GetStore().GetFloat(CMovieDataBase::SECTION_DATABASE, "Version", version));
        EXPECT_EQ(version, 1.0f);
        CMovieDataBase::Interval interval;
        ASSERT_TRUE(base.GetInterval(1, interval));
        EXPECT_EQ(interval.startMs, 10000);
        EXPECT_EQ(interval.endMs, 20000);
        EXPECT_FALSE(interval.isLow);
    }

    // An empty list: every other section, but no intervals and no comment.
    ASSERT_TRUE(CMovieDataBase::Export(host, dir.File("source.avi"), {}, ExampleOptions(3), ExampleOptions(4),
                                       path, status));
    const std::string text = ReadFileText(path);
    EXPECT_EQ(text.find("TimeIntervalls"), std::string::npos);
    EXPECT_EQ(text.find("List of encoding parts"), std::string::npos);
    EXPECT_NE(text.find("[CheckPoints]\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("Version=1.000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Low-Codec]"), std::string::npos);
    EXPECT_NE(text.find("[Fast-Codec]"), std::string::npos);
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(MovieDataBaseFile, ExportIsRefusedWithoutAnOpenSourceAndReportsSaveFailures) {
    std::string status;
    const std::string path = m_dir.File("out.vdb");
    EXPECT_FALSE(CMovieDataBase::Export(m_host, m_dir.File("missing.avi"), {}, CodecOptions(), CodecOptions(),
                                        path, status));
    EXPECT_EQ(status, "Error: Can´t open the original movie " + m_dir.File("missing.avi"));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(m_host.HasMessage("Failed to open AVI File"));

    const std::string unwritable = m_dir.File("no/such/dir/out.vdb");
    EXPECT_FALSE(
        CMovieDataBase::Export(m_host, Movie(), {}, CodecOptions(), CodecOptions(), unwritable, status));
    EXPECT_EQ(status, "Error: Can´t save " + unwritable);
}

TEST_F(MovieDataBaseFile, ImportRoundTripsBothCompressorRecords) {
    CodecOptions low;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3:bitrate=700", low, nullptr));
    low.dwInterleaveEvery = 0x80000001u; // top bit set: written negative
    low.lpFormat = {1, 2, 3};            // never stored
    CodecOptions fast;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV4", fast, nullptr));
    fast.lpParms.clear();
    const std::vector<EncodingPart> rows = {
        EncodingPart::Make(EPartEncoding::Fast, 25, 50, 60, 0, 0, 1000, 2000)};
    std::string status;
    const std::string path = m_dir.File("round.vdb");
    ASSERT_TRUE(CMovieDataBase::Export(m_host, Movie(), rows, low, fast, path, status));
    EXPECT_NE(ReadFileText(path).find("LowdwInterleaveEvery=-2147483647\r\n"), std::string::npos);

    CMovieDataBase base(m_host);
    CodecOptions lowRead, fastRead;
    ASSERT_TRUE(base.Import(path, lowRead, fastRead, status));
    EXPECT_EQ(status, path + " sucessfully imported.");
    CodecOptions expected = low;
    expected.lpFormat.clear();
    EXPECT_EQ(lowRead, expected);
    EXPECT_EQ(fastRead, fast);
    CMovieDataBase::Interval interval;
    ASSERT_TRUE(base.GetInterval(0, interval));
    EXPECT_EQ(interval.startMs, 1000);
    EXPECT_EQ(interval.endMs, 2000);
    EXPECT_FALSE(interval.isLow);
    EXPECT_EQ(base.CountIntervals(), 1);

    // A file that cannot be read empties the store but leaves the records.
    EXPECT_FALSE(base.Import(m_dir.File("missing.vdb"), lowRead, fastRead, status));
    EXPECT_EQ(status, "Error: Can´t load " + m_dir.File("missing.vdb"));
    EXPECT_EQ(lowRead, expected);
    EXPECT_EQ(base.CountIntervals(), 0);
}

TEST_F(MovieDataBaseFile, CodecSectionsReadAsWritten) {
    CMovieDataBase base(m_host);
    CodecOptions options;
    options.lpParms = {0x00, 0x7F, 0xFF};
    base.SaveLowCodec(options);
    std::string value;
    EXPECT_TRUE(base.GetStore().GetString("Low-Codec", "LowBufferSize", value) && value == "3");
    EXPECT_TRUE(base.GetStore().GetString("Low-Codec", "Byte2", value) && value == "255");
    CodecOptions read;
    ASSERT_TRUE(base.LoadLowCodec(&read));
    EXPECT_EQ(read.lpParms, options.lpParms);
    EXPECT_FALSE(base.LoadLowCodec(nullptr));

    // Hand-edited values: cut to 8 bits, letters read as 0, surplus bytes
    // ignored; a missing section gives an all-zero record.
    Load(base, {"[Fast-Codec]", "FastBufferSize=3", "Byte0=300", "Byte1=abc", "Byte2=-1", "Byte3=9",
                "FastfccHandler=-1", "[Low-Codec]", "Byte0=7"});
    ASSERT_TRUE(base.LoadFastCodec(&read));
    EXPECT_EQ(read.lpParms, (std::vector<uint8_t>{44, 0, 255}));
    EXPECT_EQ(read.fccHandler, 0xFFFFFFFFu);
    ASSERT_TRUE(base.LoadLowCodec(&read));
    EXPECT_EQ(read, CodecOptions());
    EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(MovieDataBaseFile, RefusesStateBlocksNoCompressorCanHave) {
    CMovieDataBase base(m_host);
    for (const std::string& size :
         std::vector<std::string>{"2000000000", "-5", std::to_string(kMaxEncoderSettingsBytes + 1)}) {
        m_host.Clear();
        Load(base, {"[Low-Codec]", "LowBufferSize=" + size, "LowfccHandler=1", "Byte0=1", "[Fast-Codec]",
                    "FastBufferSize=0"});
        CodecOptions read;
        read.dwQuality = 5;
        EXPECT_FALSE(base.LoadLowCodec(&read)) << size;
        EXPECT_EQ(read, CodecOptions()) << size;
        ASSERT_EQ(m_host.Messages().size(), 1u) << size;
        EXPECT_NE(m_host.Messages()[0].text.find("[Low-Codec]"), std::string::npos);
    }
    // The largest block the layout allows is read (and left to the
    // registry to judge).
    Load(base, {"[Low-Codec]", "LowBufferSize=" + std::to_string(kMaxEncoderSettingsBytes)});
    CodecOptions read;
    EXPECT_TRUE(base.LoadLowCodec(&read));
    EXPECT_EQ(read.lpParms.size(), kMaxEncoderSettingsBytes);

    // Import refuses the whole data base when a section is refused.
    const std::string path = m_dir.File("huge.vdb");
    const std::string text = "[Fast-Codec]\r\nFastBufferSize=99999999\r\n";
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    CodecOptions low, fast;
    std::string status;
    EXPECT_FALSE(base.Import(path, low, fast, status));
    EXPECT_EQ(status, "Error: Can´t load " + path);
}

TEST_F(MovieDataBaseFile, CompatibilityAsksOnlyWhenTheSizesDiffer) {
    CAVIFile movie(m_host);
    ASSERT_TRUE(movie.Open(Movie()));
    CMovieDataBase base(m_host);
    EXPECT_TRUE(base.CheckCompatibility(nullptr));

    Load(base, {"[Movie]", "ResolutionX=64", "ResolutionY=48"});
    EXPECT_TRUE(base.CheckCompatibility(&movie));
    EXPECT_TRUE(m_host.Messages().empty());

    Load(base, {"[Movie]", "ResolutionX=640", "ResolutionY=48"});
    m_host.QueueAnswer(IDNO);
    EXPECT_FALSE(base.CheckCompatibility(&movie));
    ASSERT_EQ(m_host.Messages().size(), 1u);
    EXPECT_EQ(m_host.Messages()[0].caption, "Warning!");
    EXPECT_EQ(m_host.Messages()[0].buttons, EMessageButtons::YesNo);
    EXPECT_EQ(m_host.Messages()[0].text,
              "Warning: Movie Data Base is not compatible with the current source movie.\r\n\r\n"
              "Source Movie Resolution: 64 x 48\r\nMovie Data Base Resolution: 640 x 48");
    m_host.QueueAnswer(IDYES);
    EXPECT_TRUE(base.CheckCompatibility(&movie));

    // Without the width: a warning, then the question with a width of 0.
    m_host.Clear();
    Load(base, {"[Movie]", "ResolutionY=48"});
    m_host.QueueAnswer(IDOK);
    m_host.QueueAnswer(IDNO);
    EXPECT_FALSE(base.CheckCompatibility(&movie));
    ASSERT_EQ(m_host.Messages().size(), 2u);
    EXPECT_EQ(m_host.Messages()[0].text, "Warning: Original Movie Width not found!");
    EXPECT_NE(m_host.Messages()[1].text.find("Movie Data Base Resolution: 0 x 48"), std::string::npos);
}

TEST_F(MovieDataBaseFile, HostileIntervalsStayInsideTheMovie) {
    CAVIFile movie(m_host);
    ASSERT_TRUE(movie.Open(Movie()));
    CMovieDataBase base(m_host);
    // 60 frames at 25 per second: 2400 ms. Out of order, overlapping, beyond
    // the end, reversed, garbage and extreme numbers.
    Load(base, {"[TimeIntervalls]", "StartTime0=2000", "EndTime0=1000000", "StartTime1=0", "EndTime1=400",
                "StartTime2=200", "EndTime2=600", "StartTime3=2147483647", "EndTime3=-2147483648",
                "StartTime4=abc", "EndTime4=xyz", "StartTime5=-2147483648", "EndTime5=2147483647",
                "Part5=banana", "StartTime7=0", "EndTime7=2400"});
    EXPECT_EQ(base.CountIntervals(), 6); // 6 is missing: 7 is never reached
    CMovieDataBase::Interval interval;
    ASSERT_TRUE(base.GetInterval(5, interval));
    EXPECT_FALSE(interval.isLow); // "banana" reads as 0: FAST
    ASSERT_TRUE(base.GetInterval(4, interval));
    EXPECT_TRUE(interval.isLow); // no "Part": LOW
    // 10 (2000 ms to the end) + 10 + 10 + 0 + 0 + 60.
    EXPECT_EQ(base.CountFrames(movie), 90);

    // Thousands of intervals, each claiming far more than the movie: each
    // is cut to it.
    std::vector<std::string> lines = {"[TimeIntervalls]"};
    for (int n = 0; n < 5000; ++n) {
        lines.push_back("StartTime" + std::to_string(n) + "=-2147483648");
        lines.push_back("EndTime" + std::to_string(n) + "=2147483647");
    }
    Load(base, lines);
    EXPECT_EQ(base.CountIntervals(), 5000);
    EXPECT_EQ(base.CountFrames(movie), 5000 * 60);
}
