#pragma once
// One libavcodec video encoder fed with uncompressed DIB frames (8 bits with
// palette, 16, 24 or 32 bits, BI_RGB, bottom-up or top-down). Key frames come
// exactly where the caller asks for them, plus every keyInterval frames when
// the settings ask for that; the encoder adds none of its own (no scene-change
// or group-length key frames). No B-frames, so packets come out in frame order.
// An instance is used by one thread; separate instances run in parallel.

#include "platform/AviTypes.h"
#include "platform/CCodecLog.h"
#include "platform/CRateControl.h"
#include "platform/EncoderSettings.h"
#include "platform/YuvPicture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CompressorInfo;
struct AVCodec;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class CVideoEncoder {
public:
    struct Packet {
        std::vector<uint8_t> data;
        bool key = false;
    };

    // inputFormat: BITMAPINFOHEADER and colour table of the frames to come.
    // rate/scale: frames per second as a fraction. Null with a message when
    // the input format or the encoder cannot be set up.
    static std::unique_ptr<CVideoEncoder> Open(const CompressorInfo& compressor,
                                               const EncoderSettings& settings, const uint8_t* inputFormat,
                                               size_t formatSize, uint32_t rate, uint32_t scale,
                                               std::string* error);
    ~CVideoEncoder();
    CVideoEncoder(const CVideoEncoder&) = delete;
    CVideoEncoder& operator=(const CVideoEncoder&) = delete;

    // Encodes one frame; finished packets are appended to out (in frame
    // order). False with a message when the pixels are too few or the
    // encoder fails.
    bool Encode(const uint8_t* pixels, size_t size, bool requestKey, std::vector<Packet>& out,
                std::string* error);
    // How many frames the movie will have, so that the bit-rate mode shares
    // its budget out over them; 0 when unknown.
    void SetExpectedFrames(int64_t frames);
    // Encodes one frame given in 4:2:0 planes of the encoder's own picture
    // size, with no conversion on the way: only for encoders that code 4:2:0
    // (AcceptsPlanes).
    bool EncodePlanes(const YuvPicture& picture, bool requestKey, std::vector<Packet>& out,
                      std::string* error);
    bool AcceptsPlanes() const { return m_planar; }
    // Two passes: what the bit-rate mode measured of every frame so far, and
    // the same handed to the encoder of the second pass. Nothing in other
    // modes.
    bool TakeMeasures(std::vector<RateFrameMeasure>& measures) const;
    void UseMeasures(std::vector<RateFrameMeasure> measures);
    // This encoder only measures the frames for a second pass.
    void SetFirstPass();
    // Takes what the encoder still holds at the end.
    bool Flush(std::vector<Packet>& out, std::string* error);

    // The compressed stream's format: BITMAPINFOHEADER with biCompression =
    // the FourCC, followed by the encoder's set-up data when it has any.
    const std::vector<uint8_t>& OutputFormat() const { return m_outputFormat; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The encoder's own warnings and errors; failures also name the last error.
    const CCodecLog& Log() const { return m_log; }

private:
    CVideoEncoder() = default;
    bool SetUpInput(const BitmapInfoHeader& header, const uint8_t* format, size_t formatSize,
                    std::string* error);
    bool SetUpCodec(const CompressorInfo& compressor, const EncoderSettings& settings, uint32_t rate,
                    uint32_t scale, std::string* error);
    // The steps of SetUpCodec, in order.
    bool AllocateCodec(const AVCodec* codec);
    void DescribePicture(const CompressorInfo& compressor, uint32_t rate, uint32_t scale);
    // False with the first setting the encoder refused in `refused`.
    bool SetTuning(const EncoderSettings& settings, std::string& refused);
    void SetUpRateMode(const EncoderSettings& settings, uint32_t rate, uint32_t scale);
    bool SetUpPicture(std::string* error);
    void DescribeOutput(const CompressorInfo& compressor);
    bool Drain(std::vector<Packet>& out, std::string* error);
    // Sends m_frame, filled with the picture, and takes the packets.
    bool SendFrame(bool requestKey, std::vector<Packet>& out, std::string* error);

    CCodecLog m_log; // first: it outlives the context attached to it
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_sws = nullptr;
    int m_width = 0;
    int m_height = 0;
    bool m_bottomUp = true;
    bool m_planar = false;  // the encoder codes 4:2:0
    int m_inputFormat = -1; // AVPixelFormat of the DIB pixels
    int64_t m_inputStride = 0;
    int64_t m_inputBytes = 0;
    std::vector<uint8_t> m_inputCopy; // the frame being converted, padded
    uint32_t m_palette[256] = {};
    uint32_t m_keyInterval = 0;
    int64_t m_sinceKey = 0;
    int64_t m_pts = 0;
    int m_fixedQuality = 0;               // lambda for fixed-quantiser encoding, 0 otherwise
    std::unique_ptr<CRateControl> m_rate; // the bit-rate mode's quantiser per frame
    std::vector<uint8_t> m_outputFormat;
};
