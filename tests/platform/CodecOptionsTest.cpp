// The compressor choice in text form and the encoder state block: what is
// accepted, what is refused (with a reason), and what encoding then uses.

#include "platform/CAviCompressedStream.h"
#include "platform/CCompressorRegistry.h"
#include "platform/EncoderSettings.h"

#include "MemoryAviStream.h"

#include <gtest/gtest.h>

namespace {
EncoderSettings SettingsOf(const CodecOptions& options) {
    EncoderSettings s;
    std::string error;
    EXPECT_TRUE(CCompressorRegistry::EffectiveSettings(options, nullptr, s, &error)) << error;
    return s;
}
} // namespace

TEST(CompressorSettings, BuildsCompleteRecordsThatRoundTripThroughText) {
    CodecOptions low;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV3", low, nullptr));
    EXPECT_EQ(low.fccType, streamtypeVIDEO);
    EXPECT_EQ(low.fccHandler, MakeFourCC('D', 'I', 'V', '3'));
    EXPECT_EQ(SettingsOf(low), CCompressorRegistry::Find(low.fccHandler)->defaults);

    CodecOptions fast;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("div4:bitrate=1200,keyint=250,mbd=1", fast, nullptr));
    EXPECT_EQ(fast.fccHandler, MakeFourCC('D', 'I', 'V', '4'));
    EncoderSettings s = SettingsOf(fast);
    EXPECT_EQ(s.bitrateKbps, 1200u);
    EXPECT_EQ(s.keyInterval, 250u);
    EXPECT_EQ(s.mbDecision, 1);
    EXPECT_EQ(s.qcompressPercent, 100); // the rest stays the fast preset's
    EXPECT_EQ(fast.dwFlags, AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE);
    EXPECT_EQ(fast.dwKeyFrameEvery, 250u);
    EXPECT_EQ(fast.dwBytesPerSecond, 150000u);

    for (const char* text : {"DIV3", "DIV4:q=5,keyint=0", "XVID:preset=low,cbr=0,dia=-2", "HFYU"}) {
        CodecOptions first;
        CodecOptions again;
        ASSERT_TRUE(CCompressorRegistry::ParseSettings(text, first, nullptr)) << text;
        ASSERT_TRUE(
            CCompressorRegistry::ParseSettings(CCompressorRegistry::SettingsText(first), again, nullptr))
            << text;
        EXPECT_EQ(first, again) << CCompressorRegistry::SettingsText(first);
    }
    EXPECT_NE(CCompressorRegistry::Describe(fast).find("fast-motion"), std::string::npos);
}

TEST(CompressorSettings, RefusesTextItDoesNotUnderstand) {
    for (const char* text :
         {"", "DIV", "ABCD", "DIV3:", "DIV3:bitrate", "DIV3:bitrate=", "DIV3:bitrate=abc", "DIV3:bitrate=5",
          "DIV3:bitrate=900,", "DIV3:foo=1", "DIV3:q=1e3", "DIV3:q=32", "DIV3:qmin=20,qmax=10",
          "DIV3:preset=medium", "HFYU:bitrate=900", "DIV3:keyint=99999999999999999999"}) {
        CodecOptions options;
        options.fccHandler = 7;
        std::string error;
        EXPECT_FALSE(CCompressorRegistry::ParseSettings(text, options, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(options.fccHandler, 7u) << "a refused text leaves the record alone: " << text;
    }
}

// The state block comes from data bases written by others: every damaged,
// cut, lengthened or out-of-range block is refused with a reason.
TEST(EncoderStateBlock, RefusesEveryDamagedBlock) {
    EncoderSettings settings;
    settings.bitrateKbps = 777;
    settings.diaSize = -3;
    const std::vector<uint8_t> block = SerializeEncoderSettings(settings);
    EncoderSettings back;
    std::string reason;
    ASSERT_TRUE(ParseEncoderSettings(block.data(), block.size(), back, &reason)) << reason;
    EXPECT_EQ(back, settings);

    for (size_t i = 0; i < block.size(); ++i) {
        std::vector<uint8_t> damaged = block;
        damaged[i] ^= 0x40;
        EXPECT_FALSE(ParseEncoderSettings(damaged.data(), damaged.size(), back, &reason)) << "byte " << i;
    }
    for (size_t size = 0; size < block.size(); ++size)
        EXPECT_FALSE(ParseEncoderSettings(block.data(), size, back, &reason)) << size;
    std::vector<uint8_t> longer = block;
    longer.push_back(0);
    EXPECT_FALSE(ParseEncoderSettings(longer.data(), longer.size(), back, &reason));
    EXPECT_FALSE(ParseEncoderSettings(nullptr, 35, back, &reason));

    EncoderSettings wild = settings; // a well-formed block with a value out of range
    wild.quantiser = 0;
    std::vector<uint8_t> wildBlock = SerializeEncoderSettings(wild);
    reason.clear();
    EXPECT_FALSE(ParseEncoderSettings(wildBlock.data(), wildBlock.size(), back, &reason));
    EXPECT_NE(reason.find("quantiser"), std::string::npos);
    EXPECT_EQ(back, settings) << "a refused block leaves the output alone";
}

// What encoding uses: the block, the record's flagged fields over it, the
// preset for an empty block; foreign or damaged blocks stop the stream.
TEST(EncoderStateBlock, RecordFieldsAndRefusalReachTheCompressedStream) {
    CodecOptions options;
    ASSERT_TRUE(CCompressorRegistry::ParseSettings("DIV4:bitrate=900", options, nullptr));
    options.dwFlags |= AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
    options.dwKeyFrameEvery = 50;
    options.dwBytesPerSecond = 100000;
    EncoderSettings s = SettingsOf(options);
    EXPECT_EQ(s.keyInterval, 50u);
    EXPECT_EQ(s.bitrateKbps, 800u);

    CodecOptions bare;
    bare.fccHandler = MakeFourCC('X', 'V', 'I', 'D');
    EXPECT_EQ(SettingsOf(bare), CCompressorRegistry::Find(bare.fccHandler)->defaults);

    CMemoryAviStream target;
    std::string error;
    CodecOptions foreign = options;
    foreign.lpParms = {0x44, 0x49, 0x56, 0x58, 0x01, 0x02}; // another codec's private state
    EXPECT_FALSE(CAviCompressedStream::Create(&target, foreign, &error));
    EXPECT_NE(error.find("refused"), std::string::npos) << error;
    CodecOptions none; // an all-zero record, as a data base without the section gives
    EXPECT_FALSE(CAviCompressedStream::Create(&target, none, &error));
    EXPECT_FALSE(error.empty());
}
