// Compressed video with real delta frames and variable-size audio (one MP3
// frame per chunk), made by ffmpeg as elementary streams and written through
// our writer in the final assembly's order: ffprobe must see the same key
// frames, the same audio frames, and ffmpeg must decode it all quietly.

#include "AviFileWalk.h"

#include "platform/IAviFile.h"
#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
struct Packet {
    std::vector<uint8_t> data;
    bool key = false;
};

// MPEG-4 part 2 frames: each starts at a VOP start code (00 00 01 B6); the
// stream headers before the first belong to the first frame. The two bits
// after the start code give the coding type (0: intra).
std::vector<Packet> SplitVops(const std::vector<uint8_t>& es) {
    std::vector<size_t> starts;
    for (size_t i = 0; i + 4 < es.size(); ++i)
        if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1 && es[i + 3] == 0xB6)
            starts.push_back(i);
    std::vector<Packet> packets;
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t from = k == 0 ? 0 : starts[k], to = k + 1 < starts.size() ? starts[k + 1] : es.size();
        packets.push_back({std::vector<uint8_t>(es.begin() + long(from), es.begin() + long(to)),
                           (es[starts[k] + 4] >> 6) == 0});
    }
    return packets;
}

// MP3 frames, cut where ffprobe finds them.
std::vector<Packet> SplitMp3(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    auto r =
        RunCommand({"ffprobe", "-v", "error", "-show_entries", "packet=size,pos", "-of", "csv=p=0", path});
    std::vector<Packet> packets;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        size_t size = 0, pos = 0;
        if (std::sscanf(line.c_str(), "%zu,%zu", &size, &pos) == 2 && pos + size <= bytes.size())
            packets.push_back(
                {std::vector<uint8_t>(bytes.begin() + long(pos), bytes.begin() + long(pos + size)), true});
    }
    return packets;
}
// The size and hash of framemd5 lines (time stamps differ by container).
std::vector<std::string> SizesAndHashes(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) {
        size_t cut = line.rfind(',');
        cut = cut == std::string::npos ? 0 : line.rfind(',', cut - 1);
        out.push_back(line.substr(cut == std::string::npos ? 0 : cut));
    }
    return out;
}
} // namespace

TEST(AviWriter, KeepsDeltaFramesAndVariableSizeAudioAsFfmpegMadeThem) {
    CTempDir dir;
    const std::string m4v = dir.File("v.m4v"), mp3 = dir.File("a.mp3");
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-frames:v", "75", "-c:v", "mpeg4",
                      "-g", "10", "-bf", "0", "-sc_threshold", "1000000000", "-f", "m4v", m4v})
                  .exitCode,
              0);
    ASSERT_EQ(Ffmpeg({"-f", "lavfi", "-i", "sine=f=440:r=44100", "-t", "3", "-ac", "2", "-c:a", "libmp3lame",
                      "-q:a", "4", "-f", "mp3", "-write_xing", "0", "-id3v2_version", "0", mp3})
                  .exitCode,
              0);
    const auto video = SplitVops(ReadFileBytes(m4v));
    const auto audio = SplitMp3(mp3);
    ASSERT_EQ(video.size(), 75u);
    ASSERT_GT(audio.size(), 100u);

    for (uint64_t limit : {uint64_t(1) << 30, uint64_t(16 * 1024)}) {
        SCOPED_TRACE(limit);
        const std::string out = dir.File("mixed.avi");
        AviWriterOptions options;
        options.riffLimit = limit;
        std::string error;
        auto file = AviCreate(out, options, &error);
        ASSERT_TRUE(file) << error;

        AviStreamInfo vi;
        vi.fccType = streamtypeVIDEO;
        vi.fccHandler = MakeFourCC('F', 'M', 'P', '4');
        vi.dwScale = 1;
        vi.dwRate = 25;
        vi.rcFrame = {0, 0, 96, 64};
        BitmapInfoHeader bih;
        bih.biWidth = 96;
        bih.biHeight = 64;
        bih.biBitCount = 24;
        bih.biCompression = MakeFourCC('F', 'M', 'P', '4');
        bih.biSizeImage = 96 * 64 * 3;
        uint8_t vf[kBitmapInfoHeaderSize];
        WriteBitmapInfoHeader(bih, vf);
        IAviStream* v = file->CreateStream(vi);
        ASSERT_EQ(v->SetFormat(vf, sizeof vf), AVIERR_OK);
        for (size_t i = 0; i < video.size(); ++i)
            ASSERT_EQ(v->Write(int32_t(i), 1, video[i].data.data(), int32_t(video[i].data.size()),
                               video[i].key ? AVIIF_KEYFRAME : 0, nullptr, nullptr),
                      AVIERR_OK);

        AviStreamInfo ai;
        ai.fccType = streamtypeAUDIO;
        ai.dwScale = 1152;
        ai.dwRate = 44100;
        ai.dwSampleSize = 0;
        WaveFormatEx wf;
        wf.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        wf.nChannels = 2;
        wf.nSamplesPerSec = 44100;
        wf.nAvgBytesPerSec = 16000;
        wf.nBlockAlign = 1152;
        uint8_t af[18];
        WriteWaveFormatEx(wf, af);
        IAviStream* a = file->CreateStream(ai);
        ASSERT_EQ(a->SetFormat(af, sizeof af), AVIERR_OK);
        for (size_t i = 0; i < audio.size(); ++i)
            ASSERT_EQ(a->Write(int32_t(i), 1, audio[i].data.data(), int32_t(audio[i].data.size()), 0, nullptr,
                               nullptr),
                      AVIERR_OK);
        EXPECT_EQ(a->Length(), int32_t(audio.size()));
        ASSERT_TRUE(file->Close(&error)) << error;

        const auto vp = ProbePackets(out, "v:0");
        ASSERT_EQ(vp.size(), video.size());
        for (size_t i = 0; i < vp.size(); ++i) {
            EXPECT_EQ(vp[i].key, video[i].key) << i;
            EXPECT_EQ(vp[i].size, int64_t(video[i].data.size())) << i;
        }
        EXPECT_EQ(ProbeVideoKeyFrames(out), (std::vector<int64_t>{0, 10, 20, 30, 40, 50, 60, 70}));
        EXPECT_EQ(ProbePackets(out, "a:0").size(), audio.size());
        EXPECT_EQ(SizesAndHashes(FramemD5Copy(out, "a:0")), SizesAndHashes(FramemD5Copy(mp3, "a:0")));
        auto r = RunCommand({"ffmpeg", "-v", "warning", "-nostdin", "-i", out, "-f", "null", "-"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");

        // One MP3 frame lasts 1152/44100 s: in file order the audio keeps
        // within a frame or two of the video.
        const AviWalk w = WalkAvi(out);
        ASSERT_EQ(w.error, "");
        EXPECT_EQ(w.riffSizes.size() > 1, limit < 1024 * 1024);
        size_t frames = 0, mp3Frames = 0;
        double worst = 0;
        for (const WalkChunk& c : w.chunks) {
            if (WalkStreamOf(c.id) == 0)
                ++frames;
            else
                ++mp3Frames;
            worst = std::max(worst, std::abs(frames / 25.0 - mp3Frames * 1152 / 44100.0));
        }
        EXPECT_LT(worst, 0.1);
    }
}
