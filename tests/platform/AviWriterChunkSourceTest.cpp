// Chunks handed to the writer by where they lie in another file rather than
// by their bytes: the finished file holds exactly those bytes, mixed freely
// with chunks written the usual way, in one RIFF or several; the input stays
// protected until the writer is done with it; an input cut in the meantime
// fails the close instead of leaving a damaged movie behind.

#include "AviWriterTestMovie.h"

#include "platform/COpenFileRegistry.h"
#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
constexpr int kFrames = 60;

// Odd and even sizes (pad bytes), an empty chunk (a dropped frame) and bytes
// that differ per frame, so a chunk copied from the wrong place shows.
std::vector<uint8_t> SourceChunk(int frame) {
    if (frame == 17)
        return {};
    std::vector<uint8_t> data(static_cast<size_t>(700 + frame * 37 % 501));
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 31 + static_cast<size_t>(frame) * 7);
    return data;
}

bool IsKey(int frame) {
    return frame % 10 == 0;
}

std::string WriteSource(const std::string& path) {
    fmtest::WriterMovie spec;
    std::string error;
    auto file = AviCreate(path, AviWriterOptions(), &error);
    if (!file)
        return error;
    IAviStream* video = file->CreateStream(VideoInfo(spec));
    // A compressed format nobody decodes: ffmpeg then keeps the key flags of
    // the index (it marks every frame of an intra-only format key).
    auto format = BgrVideoFormat(spec.width, spec.height);
    BitmapInfoHeader bih;
    ParseBitmapInfoHeader(format.data(), format.size(), bih);
    bih.biCompression = MakeFourCC('F', 'L', 'M', 'R');
    WriteBitmapInfoHeader(bih, format.data());
    video->SetFormat(format.data(), format.size());
    IAviStream* audio = file->CreateStream(PcmInfo(spec.audioRate, spec.channels));
    const auto pcmFormat = PcmFormat(spec.audioRate, spec.channels);
    audio->SetFormat(pcmFormat.data(), pcmFormat.size());
    const std::vector<uint8_t> pcm = TestAudio([] {
        fmtest::WriterMovie s;
        s.frames = kFrames;
        return s;
    }());
    for (int i = 0; i < kFrames; ++i) {
        const auto chunk = SourceChunk(i);
        video->Write(i, 1, chunk.data(), static_cast<int32_t>(chunk.size()), IsKey(i) ? AVIIF_KEYFRAME : 0,
                     nullptr, nullptr);
    }
    audio->Write(0, static_cast<int32_t>(pcm.size() / 4), pcm.data(), static_cast<int32_t>(pcm.size()),
                 AVIIF_KEYFRAME, nullptr, nullptr);
    return file->Close(&error) ? "" : error;
}

std::vector<uint8_t> ReadChunk(IAviStream& s, int32_t sample) {
    int32_t bytes = 0;
    EXPECT_EQ(s.Read(sample, 1, nullptr, 0, &bytes, nullptr), AVIERR_OK);
    std::vector<uint8_t> data(static_cast<size_t>(bytes) + 1);
    EXPECT_EQ(s.Read(sample, 1, data.data(), bytes, &bytes, nullptr), AVIERR_OK);
    data.resize(static_cast<size_t>(bytes));
    return data;
}

// The source's video and audio into a new file: every third frame and the
// audio by their bytes, the other frames by reference.
std::unique_ptr<IAviFile> CopyMovie(IAviFile& in, const std::string& path, uint64_t riffLimit) {
    AviWriterOptions options;
    options.riffLimit = riffLimit;
    std::string error;
    auto out = AviCreate(path, options, &error);
    EXPECT_TRUE(out) << error;
    if (!out)
        return nullptr;
    IAviStream* src = in.GetStream(0);
    IAviStream* video = out->CreateStream(src->Info());
    video->SetFormat(src->Format().data(), src->Format().size());
    for (int32_t i = 0; i < src->Length(); ++i) {
        const uint32_t flags = src->FindSample(i, FIND_PREV | FIND_KEY) == i ? AVIIF_KEYFRAME : 0;
        AviChunkSource where;
        if (i % 3 != 0 && src->GetChunkSource(i, &where)) {
            EXPECT_EQ(video->WriteChunkSource(i, where, flags), AVIERR_OK);
            continue;
        }
        const auto bytes = ReadChunk(*src, i);
        EXPECT_EQ(
            video->Write(i, 1, bytes.data(), static_cast<int32_t>(bytes.size()), flags, nullptr, nullptr),
            AVIERR_OK);
    }
    IAviStream* srcAudio = in.GetStream(1);
    IAviStream* audio = out->CreateStream(srcAudio->Info());
    audio->SetFormat(srcAudio->Format().data(), srcAudio->Format().size());
    std::vector<uint8_t> block(8192);
    for (int32_t s = 0; s < srcAudio->Length();) {
        int32_t bytes = 0, samples = 0;
        EXPECT_EQ(srcAudio->Read(s, 2048, block.data(), static_cast<int32_t>(block.size()), &bytes, &samples),
                  AVIERR_OK);
        if (samples <= 0)
            break;
        audio->Write(s, samples, block.data(), bytes, AVIIF_KEYFRAME, nullptr, nullptr);
        s += samples;
    }
    return out;
}

// A source movie on disk, open for reading.
class AviWriterChunkSourceLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(WriteSource(m_src), "");
        m_in = AviOpenRead(m_src, &m_error);
        ASSERT_TRUE(m_in) << m_error;
    }

    CTempDir m_dir;
    const std::string m_src = m_dir.File("src.avi");
    const std::string m_dst = m_dir.File("out.avi");
    std::unique_ptr<IAviFile> m_in;
    std::string m_error;
};

class AviWriterChunkSource : public AviWriterChunkSourceLifetime,
                             public ::testing::WithParamInterface<uint64_t> {};
} // namespace

TEST_P(AviWriterChunkSource, CopiedChunksArriveByteForByteAndInterleaved) {
    auto out = CopyMovie(*m_in, m_dst, GetParam());
    ASSERT_TRUE(out);
    // Before the close the new stream answers reads from the source file.
    for (int32_t i : {1, 17, 59})
        EXPECT_EQ(ReadChunk(*out->GetStream(0), i), SourceChunk(i)) << i;
    ASSERT_TRUE(out->Close(&m_error)) << m_error;

    // ffmpeg sees the same packets (size, hash, key flag) in both files.
    const auto sourcePackets = FramemD5Copy(m_src, "v:0");
    EXPECT_EQ(sourcePackets.size(), static_cast<size_t>(kFrames - 1)); // not the empty chunk
    EXPECT_EQ(FramemD5Copy(m_dst, "v:0"), sourcePackets);
    EXPECT_FALSE(FramemD5Copy(m_src, "a:0").empty());
    EXPECT_EQ(FramemD5Copy(m_dst, "a:0"), FramemD5Copy(m_src, "a:0"));
    // ffmpeg skips the empty chunk of the dropped frame.
    std::vector<bool> keys;
    for (const ProbePacket& p : ProbePackets(m_dst, "v:0"))
        keys.push_back(p.key);
    std::vector<bool> expected;
    for (int i = 0; i < kFrames; ++i)
        if (i != 17)
            expected.push_back(IsKey(i));
    EXPECT_EQ(keys, expected);
    // And so does our reader, chunk by chunk.
    auto back = AviOpenRead(m_dst, &m_error);
    ASSERT_TRUE(back) << m_error;
    EXPECT_EQ(back->Report().opendml, GetParam() < (1u << 20));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_EQ(ReadChunk(*back->GetStream(0), i), SourceChunk(i)) << i;
}

// 16 KiB cuts the copy into several RIFF parts with their own ix## indexes.
INSTANTIATE_TEST_SUITE_P(RiffLimits, AviWriterChunkSource, ::testing::Values(1ull << 30, 16ull << 10));

TEST_F(AviWriterChunkSourceLifetime, TheInputStaysOpenAndProtectedUntilTheWriterIsDone) {
    auto out = CopyMovie(*m_in, m_dst, 1ull << 30);
    ASSERT_TRUE(out);
    // The reader is gone, but the writer still copies from its file: nobody
    // may create (and so truncate) it meanwhile.
    m_in.reset();
    EXPECT_TRUE(COpenFileRegistry::IsOpen(m_src));
    EXPECT_FALSE(AviCreate(m_src, AviWriterOptions(), &m_error));
    ASSERT_TRUE(out->Close(&m_error)) << m_error;
    EXPECT_FALSE(COpenFileRegistry::IsOpen(m_src));
    EXPECT_EQ(FramemD5Copy(m_dst, "v:0"), FramemD5Copy(m_src, "v:0"));
}

TEST_F(AviWriterChunkSourceLifetime, AnInputCutBeforeTheCloseFailsItAndLeavesNoFile) {
    auto out = CopyMovie(*m_in, m_dst, 1ull << 30);
    ASSERT_TRUE(out);
    std::filesystem::resize_file(m_src, std::filesystem::file_size(m_src) / 3);
    EXPECT_FALSE(out->Close(&m_error));
    EXPECT_NE(m_error.find(m_dst), std::string::npos) << m_error;
    EXPECT_NE(m_error.find(m_src + " was cut short"), std::string::npos) << m_error;
    EXPECT_FALSE(std::filesystem::exists(m_dst));
}

TEST_F(AviWriterChunkSourceLifetime, ChunksTheInputNoLongerHoldsAreNotOffered) {
    IAviStream* video = m_in->GetStream(0);
    AviChunkSource where;
    ASSERT_TRUE(video->GetChunkSource(kFrames - 1, &where));
    EXPECT_EQ(where.size, SourceChunk(kFrames - 1).size());
    EXPECT_FALSE(video->GetChunkSource(kFrames, &where));
    EXPECT_FALSE(video->GetChunkSource(-1, &where));
    // Fixed-size audio is no one-chunk-per-sample stream.
    EXPECT_FALSE(m_in->GetStream(1)->GetChunkSource(0, &where));
    std::filesystem::resize_file(m_src, std::filesystem::file_size(m_src) / 2);
    EXPECT_FALSE(video->GetChunkSource(kFrames - 1, &where));
}
