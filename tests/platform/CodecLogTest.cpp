// FFmpeg's own log, kept per codec: a damaged stream's decoder notes reach
// that decoder and no other even when two decode at once, the list stays
// bounded, and an encoder that refuses to open says why in its own words.

#include "CodecTestMovie.h"

#include "platform/CAviCompressedStream.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/CCodecLog.h"
#include "platform/CCompressorRegistry.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {
CodecOptions Options(const std::string& spec) {
    CodecOptions options;
    std::string error;
    EXPECT_TRUE(CCompressorRegistry::ParseSettings(spec, options, &error)) << error;
    return options;
}

void Garble(CMemoryAviStream& stream, unsigned seed) {
    std::mt19937 noise(seed);
    for (size_t chunk = 3; chunk < stream.Chunks().size(); chunk += 4)
        for (size_t i = stream.Chunks()[chunk].data.size() / 4; i < stream.Chunks()[chunk].data.size(); ++i)
            stream.Chunks()[chunk].data[i] = static_cast<uint8_t>(noise());
}
} // namespace

TEST(CodecLog, NotesReachTheDecoderTheyComeFromWhileTwoDecodeAtOnce) {
    for (const char* spec : {"DIV3", "DX50"}) {
        SCOPED_TRACE(spec);
        CMemoryAviStream clean;
        ASSERT_EQ(EncodeTestMovie(clean, Options(spec), 96, 64, 60, {0, 20, 40}), "");
        CMemoryAviStream damaged = clean;
        Garble(damaged, 7);
        auto cleanDecoder = CAviFrameDecoder::Open(&clean);
        auto damagedDecoder = CAviFrameDecoder::Open(&damaged);
        ASSERT_TRUE(cleanDecoder && damagedDecoder);
        // Several rounds, so that both threads log and look up at once.
        std::thread other([&] {
            for (int round = 0; round < 3; ++round)
                for (int i = 59; i >= 0; i -= 3)
                    damagedDecoder->GetFrame(i);
        });
        for (int round = 0; round < 3; ++round)
            for (int i = 0; i < 60; ++i)
                EXPECT_TRUE(cleanDecoder->GetFrame(i)) << i;
        other.join();

        EXPECT_TRUE(cleanDecoder->Log().Notes().empty()) << cleanDecoder->Log().Notes().front().text;
        const std::vector<CodecNote> notes = damagedDecoder->Log().Notes();
        ASSERT_FALSE(notes.empty());
        for (const CodecNote& note : notes) {
            EXPECT_FALSE(note.text.empty());
            EXPECT_NE(note.text.back(), '\n');
            EXPECT_EQ(note.text.find(" @ 0x"), std::string::npos) << note.text; // no context prefix
            EXPECT_GE(note.count, 1);
        }
    }
}

// Equal lines are counted once, at most kMaxNotes distinct lines are kept,
// and a detached context's messages go nowhere.
TEST(CodecLog, StaysBoundedAndEndsWithDetach) {
    int context = 0;
    CCodecLog log;
    log.Attach(&context);
    for (int round = 0; round < 3; ++round)
        for (size_t i = 0; i < CCodecLog::kMaxNotes + 10; ++i)
            CCodecLog::Deliver(&context, i % 2 == 0, "line " + std::to_string(i));
    const std::vector<CodecNote> notes = log.Notes();
    ASSERT_EQ(notes.size(), CCodecLog::kMaxNotes);
    EXPECT_EQ(notes[0].text, "line 0");
    EXPECT_TRUE(notes[0].error);
    EXPECT_EQ(notes[0].count, 3);
    EXPECT_EQ(log.NotesLeftOut(), 30);
    EXPECT_EQ(log.LastError(), "line 58");
    log.ClearLastError();
    EXPECT_EQ(log.LastError(), "");

    log.Detach();
    EXPECT_FALSE(CCodecLog::IsAttached(&context));
    CCodecLog::Deliver(&context, true, "after");
    EXPECT_EQ(log.LastError(), "");
}

// The encoder's reason for refusing a picture size is its own log line
// (MPEG-4 has 13 bits for a width).
TEST(CodecLog, AnEncoderThatCannotOpenNamesItsOwnReason) {
    CMemoryAviStream target;
    std::string error;
    auto stream = CAviCompressedStream::Create(&target, Options("DX50"), &error);
    ASSERT_TRUE(stream) << error;
    const std::vector<uint8_t> format = TestDibFormat(8192, 16, 24);
    ASSERT_NE(stream->SetFormat(format.data(), format.size()), AVIERR_OK);
    EXPECT_NE(stream->LastError().find("dimensions too large for MPEG-4"), std::string::npos)
        << stream->LastError();
}
