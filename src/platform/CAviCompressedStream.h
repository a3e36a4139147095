#pragma once
// A compressing stream in front of a video stream of a file being written
// (what AVIMakeCompressedStream made): SetFormat fixes the uncompressed input
// format and sets the target's compressed format and handler; every Write
// takes one uncompressed frame and writes its compressed chunk at the same
// position, flagged as key frame exactly when the encoder made one. A key
// frame request (AVIIF_KEYFRAME in flags) always gives a key frame. Finish
// (or destruction) writes what the encoder still holds.
//
// One instance serves one thread; two instances may encode side by side.

#include "platform/CVideoEncoder.h"
#include "platform/CodecOptions.h"
#include "platform/EncoderSettings.h"
#include "platform/IAviFile.h"

#include <deque>
#include <memory>
#include <string>

struct CompressorInfo;

class CAviCompressedStream : public IAviStream {
public:
    // Null with a message when the options name no compressor we offer or
    // their state block is refused. The target stays owned by its file.
    static std::unique_ptr<CAviCompressedStream> Create(IAviStream* target, const CodecOptions& options,
                                                        std::string* error);
    ~CAviCompressedStream() override;

    AviStreamInfo Info() const override { return m_target->Info(); }
    // The uncompressed input format given to SetFormat.
    const std::vector<uint8_t>& Format() const override { return m_inputFormat; }
    // Opens the encoder for frames of this format (BITMAPINFOHEADER and
    // colour table). Once only; AVIERR_* with LastError() on failure.
    int SetFormat(const void* data, size_t size) override;

    int32_t Start() const override { return 0; }
    int32_t Length() const override { return m_target->Length(); }
    int Read(int32_t, int32_t, void*, int32_t, int32_t*, int32_t*) override { return AVIERR_UNSUPPORTED; }
    // n must be 1: one uncompressed frame of the input format.
    int Write(int32_t start, int32_t n, const void* buffer, int32_t size, uint32_t flags,
              int32_t* samplesWritten, int32_t* bytesWritten) override;

    int32_t FindSample(int32_t pos, uint32_t flags) const override {
        return m_target->FindSample(pos, flags);
    }
    int32_t SampleToTime(int32_t sample) const override { return m_target->SampleToTime(sample); }
    int32_t TimeToSample(int32_t ms) const override { return m_target->TimeToSample(ms); }

    // One frame in 4:2:0 planes, for compressors that code them
    // (AcceptsPlanes): no conversion on the way. Otherwise as Write.
    int WritePlanes(int32_t start, const YuvPicture& picture, uint32_t flags);
    bool AcceptsPlanes() const { return m_encoder && m_encoder->AcceptsPlanes(); }

    // Two passes (settings passes=2 with a bit rate): between StartAnalysis
    // and EndAnalysis every write goes to a measuring encoder and nothing is
    // written; EndAnalysis hands what it measured to the real encoder, which
    // then shares the bits out over the frames written again from the first.
    bool WantsTwoPasses() const;
    bool StartAnalysis();
    void EndAnalysis();

    // How many frames will be written, so that a bit rate is shared out over
    // them (0: unknown).
    void SetExpectedFrames(int64_t frames);

    // Writes the frames the encoder still holds. False with LastError().
    bool Finish();
    const std::string& LastError() const { return m_error; }

private:
    CAviCompressedStream(IAviStream* target, const CompressorInfo& compressor,
                         const EncoderSettings& settings);
    int WritePackets(int32_t* bytesWritten);
    // The checks and bookkeeping of a write around `encode`.
    template <typename Encode> int WriteWith(int32_t start, int32_t* bytesWritten, Encode encode);

    IAviStream* m_target;
    const CompressorInfo& m_compressor;
    EncoderSettings m_settings;
    std::unique_ptr<CVideoEncoder> m_encoder;
    std::unique_ptr<CVideoEncoder> m_analysis; // the first pass's, while it runs
    std::vector<uint8_t> m_inputFormat;
    std::vector<CVideoEncoder::Packet> m_packets;
    std::deque<int32_t> m_positions; // positions of frames given to the encoder, not yet written
    int64_t m_expectedFrames = 0;
    bool m_finished = false;
    bool m_finishedWell = true;
    std::string m_error;
};
