#include "media/CompressorPreview.h"

#include "media/CAVIStream.h"
#include "platform/AviTypes.h"
#include "platform/CAviFrameDecoder.h"
#include "platform/CCompressorRegistry.h"
#include "platform/CVideoEncoder.h"
#include "platform/DibLayout.h"
#include "platform/IAviFile.h"

#include <algorithm>
#include <cstring>

namespace {
// A video stream of one compressed frame held in memory, for the decoder.
class COnePacketStream : public IAviStream {
public:
    COnePacketStream(const AviStreamInfo& info, std::vector<uint8_t> format, std::vector<uint8_t> packet)
        : m_info(info), m_format(std::move(format)), m_packet(std::move(packet)) {
        m_info.dwStart = 0;
        m_info.dwLength = 1;
    }
    AviStreamInfo Info() const override { return m_info; }
    const std::vector<uint8_t>& Format() const override { return m_format; }
    int SetFormat(const void*, size_t) override { return AVIERR_READONLY; }
    int32_t Start() const override { return 0; }
    int32_t Length() const override { return 1; }
    int Read(int32_t start, int32_t, void* buffer, int32_t bufferSize, int32_t* bytes,
             int32_t* samples) override {
        const bool inside = start == 0;
        const int32_t size = inside ? static_cast<int32_t>(m_packet.size()) : 0;
        if (bytes)
            *bytes = size;
        if (samples)
            *samples = inside ? 1 : 0;
        if (!buffer || !inside)
            return AVIERR_OK;
        if (bufferSize < size)
            return AVIERR_BUFFERTOOSMALL;
        std::memcpy(buffer, m_packet.data(), m_packet.size());
        return AVIERR_OK;
    }
    int Write(int32_t, int32_t, const void*, int32_t, uint32_t, int32_t*, int32_t*) override {
        return AVIERR_READONLY;
    }
    int32_t FindSample(int32_t pos, uint32_t) const override { return pos == 0 ? 0 : -1; }
    int32_t SampleToTime(int32_t) const override { return 0; }
    int32_t TimeToSample(int32_t) const override { return 0; }

private:
    AviStreamInfo m_info;
    std::vector<uint8_t> m_format;
    std::vector<uint8_t> m_packet;
};

bool Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}
} // namespace

bool EncodePreviewFrame(CAVIStream& video, int32_t frame, const CodecOptions& options,
                        CompressorPreviewFrame& out, std::string* error) {
    const CompressorInfo* info = nullptr;
    EncoderSettings settings;
    if (!CCompressorRegistry::EffectiveSettings(options, &info, settings, error))
        return false;
    const uint8_t* dib = video.GetFrame(frame);
    BitmapInfoHeader header;
    if (!dib || !ParseBitmapInfoHeader(dib, kBitmapInfoHeaderSize, header))
        return Fail(error, "Frame " + std::to_string(frame) + " of the source cannot be decoded.");
    const int64_t offset = DibPixelOffset(header);
    const int64_t pixels = DibImageBytes(header);
    if (offset < 0 || pixels <= 0)
        return Fail(error, "Frame " + std::to_string(frame) + " of the source has no usable picture.");
    const AviStreamInfo& stream = video.GetInfo();
    const uint32_t rate = stream.dwRate ? stream.dwRate : 25;
    const uint32_t scale = stream.dwRate && stream.dwScale ? stream.dwScale : 1;
    // The settings travel without the pass count: one frame has nothing to
    // measure for a second pass.
    settings.passes = 1;
    std::unique_ptr<CVideoEncoder> encoder =
        CVideoEncoder::Open(*info, settings, dib, static_cast<size_t>(offset), rate, scale, error);
    if (!encoder)
        return false;
    encoder->SetExpectedFrames(1);
    std::vector<CVideoEncoder::Packet> packets;
    if (!encoder->Encode(dib + offset, static_cast<size_t>(pixels), true, packets, error) ||
        !encoder->Flush(packets, error))
        return false;
    if (packets.empty())
        return Fail(error, "The compressor gave no picture for the frame.");
    AviStreamInfo compressed = stream;
    compressed.fccType = streamtypeVIDEO;
    compressed.fccHandler = info->fourcc;
    compressed.dwRate = rate;
    compressed.dwScale = scale;
    COnePacketStream one(compressed, encoder->OutputFormat(), packets.front().data);
    std::unique_ptr<CAviFrameDecoder> decoder = CAviFrameDecoder::Open(&one);
    const uint8_t* decoded = decoder ? decoder->GetFrame(0) : nullptr;
    BitmapInfoHeader result;
    if (!decoded || !ParseBitmapInfoHeader(decoded, kBitmapInfoHeaderSize, result))
        return Fail(error, "The compressed frame cannot be decoded again.");
    const int64_t total = DibPixelOffset(result) + DibImageBytes(result);
    if (total <= 0)
        return Fail(error, "The compressed frame cannot be decoded again.");
    out.dib.assign(decoded, decoded + total);
    out.compressedBytes = packets.front().data.size();
    return true;
}
