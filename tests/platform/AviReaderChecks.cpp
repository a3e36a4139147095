#include "AviReaderChecks.h"

#include "support/Ffprobe.h"

#include <gtest/gtest.h>

ReaderDump DumpAvi(const std::string& path) {
    ReaderDump d;
    auto file = AviOpenRead(path, &d.error);
    if (!file)
        return d;
    d.opened = true;
    d.info = file->Info();
    d.report = file->Report();
    for (int i = 0; i < file->StreamCount(); ++i) {
        IAviStream* s = file->GetStream(i);
        ReaderStreamDump sd;
        sd.info = s->Info();
        sd.format = s->Format();
        const bool fixed = sd.info.fccType == streamtypeAUDIO && sd.info.dwSampleSize > 0;
        std::vector<uint8_t> all;
        for (int32_t pos = s->Start(); pos < s->Start() + s->Length();) {
            int32_t bytes = -1, samples = -1;
            EXPECT_EQ(s->Read(pos, fixed ? 4096 : 1, nullptr, 0, &bytes, &samples), AVIERR_OK);
            std::vector<uint8_t> buf(static_cast<size_t>(std::max(bytes, 0)) + 1);
            int32_t got = -1, gotSamples = -1;
            EXPECT_EQ(s->Read(pos, fixed ? 4096 : 1, buf.data(), static_cast<int32_t>(buf.size()), &got,
                              &gotSamples),
                      AVIERR_OK);
            EXPECT_EQ(got, bytes);
            if (gotSamples <= 0) {
                ADD_FAILURE() << "no progress reading stream " << i << " at " << pos;
                break;
            }
            buf.resize(static_cast<size_t>(got));
            if (fixed) {
                all.insert(all.end(), buf.begin(), buf.end());
            } else {
                sd.sizes.push_back(got);
                sd.keys.push_back(s->FindSample(pos, FIND_PREV | FIND_KEY) == pos);
                sd.data.push_back(std::move(buf));
            }
            pos += gotSamples;
        }
        if (fixed)
            sd.data.push_back(std::move(all));
        d.streams.push_back(std::move(sd));
    }
    return d;
}

void ExpectMatchesProbe(const std::string& path) {
    SCOPED_TRACE(path);
    ReaderDump d = DumpAvi(path);
    ASSERT_TRUE(d.opened) << d.error;
    int video = -1, audio = -1;
    for (size_t i = 0; i < d.streams.size(); ++i) {
        if (d.streams[i].info.fccType == streamtypeVIDEO && video < 0)
            video = static_cast<int>(i);
        if (d.streams[i].info.fccType == streamtypeAUDIO && audio < 0)
            audio = static_cast<int>(i);
    }
    if (video >= 0) {
        const auto packets = ProbePackets(path, "v:0");
        const ReaderStreamDump& v = d.streams[static_cast<size_t>(video)];
        // ffprobe leaves out empty chunks (dropped frames); its dts is the
        // frame number, so frames it does not list must be empty here.
        std::vector<int32_t> expected(v.sizes.size(), 0);
        std::vector<int64_t> keys, probeKeys;
        for (const auto& p : packets) {
            ASSERT_GE(p.dts, 0);
            ASSERT_LT(p.dts, static_cast<int64_t>(expected.size()));
            expected[static_cast<size_t>(p.dts)] = static_cast<int32_t>(p.size);
            if (p.key)
                probeKeys.push_back(p.dts);
        }
        EXPECT_EQ(v.sizes, expected);
        EXPECT_EQ(d.info.dwLength, v.sizes.size());
        for (const auto& s : ProbeStreams(path))
            if (s.codecType == "video" && s.nbFrames >= 0) {
                EXPECT_EQ(s.nbFrames, static_cast<int64_t>(v.sizes.size()));
            }
        for (size_t i = 0; i < v.keys.size(); ++i)
            if (v.keys[i])
                keys.push_back(static_cast<int64_t>(i));
        EXPECT_EQ(keys, probeKeys);
    }
    if (audio >= 0) {
        const auto packets = ProbePackets(path, "a:0");
        const ReaderStreamDump& a = d.streams[static_cast<size_t>(audio)];
        if (a.info.dwSampleSize == 0) {
            EXPECT_EQ(a.info.dwLength, packets.size());
        } else {
            int64_t total = 0;
            for (const auto& p : packets)
                total += p.size;
            EXPECT_EQ(a.info.dwLength, total / a.info.dwSampleSize);
            ASSERT_EQ(a.data.size(), 1u);
            EXPECT_EQ(static_cast<int64_t>(a.data[0].size()), total - total % a.info.dwSampleSize);
        }
    }
}

void ExpectSameContent(const ReaderDump& a, const ReaderDump& b) {
    ASSERT_TRUE(a.opened) << a.error;
    ASSERT_TRUE(b.opened) << b.error;
    EXPECT_EQ(a.info.dwLength, b.info.dwLength);
    ASSERT_EQ(a.streams.size(), b.streams.size());
    for (size_t i = 0; i < a.streams.size(); ++i) {
        SCOPED_TRACE("stream " + std::to_string(i));
        EXPECT_EQ(a.streams[i].info.dwLength, b.streams[i].info.dwLength);
        EXPECT_EQ(a.streams[i].sizes, b.streams[i].sizes);
        EXPECT_EQ(a.streams[i].keys, b.streams[i].keys);
        EXPECT_TRUE(a.streams[i].data == b.streams[i].data);
    }
}
