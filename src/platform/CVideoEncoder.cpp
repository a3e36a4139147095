#include "platform/CVideoEncoder.h"

#include "platform/CCompressorRegistry.h"
#include "platform/CRateControl.h"
#include "platform/DibLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {
constexpr int kMaxDimension = 32768;
// Bytes the frame converter may read past the end of its input.
constexpr size_t kConverterPadding = 64;
// Larger than any movie: the encoder must not start groups on its own.
constexpr int kNoGroupLimit = 1 << 30;
// The largest scene-change threshold the encoders accept; no scene is that different.
constexpr int kNoSceneChange = 1000000000;

bool SetError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}

// The error code's text, and the encoder's own reason when it logged one
// ("vbv buffer overflow" says more than "Invalid argument").
std::string AvError(int code, const CCodecLog& log) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    const std::string reason = log.LastError();
    return reason.empty() ? std::string(text) : reason + " (" + text + ")";
}

uint32_t Mask(const uint8_t* format, size_t size, size_t at) {
    if (at + 4 > size)
        return 0;
    return static_cast<uint32_t>(format[at]) | (static_cast<uint32_t>(format[at + 1]) << 8) |
           (static_cast<uint32_t>(format[at + 2]) << 16) | (static_cast<uint32_t>(format[at + 3]) << 24);
}
} // namespace

CVideoEncoder::~CVideoEncoder() {
    m_log.Detach();
    sws_freeContext(m_sws);
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
}

std::unique_ptr<CVideoEncoder> CVideoEncoder::Open(const CompressorInfo& compressor,
                                                   const EncoderSettings& settings,
                                                   const uint8_t* inputFormat, size_t formatSize,
                                                   uint32_t rate, uint32_t scale, std::string* error) {
    BitmapInfoHeader header;
    if (!ParseBitmapInfoHeader(inputFormat, formatSize, header)) {
        SetError(error, "The input format is no bitmap header");
        return nullptr;
    }
    std::unique_ptr<CVideoEncoder> encoder(new CVideoEncoder());
    if (!encoder->SetUpInput(header, inputFormat, formatSize, error) ||
        !encoder->SetUpCodec(compressor, settings, rate, scale, error))
        return nullptr;
    return encoder;
}

bool CVideoEncoder::SetUpInput(const BitmapInfoHeader& h, const uint8_t* format, size_t size,
                               std::string* error) {
    if (h.biWidth <= 0 || h.biWidth > kMaxDimension || h.biHeight == 0 ||
        std::abs(h.biHeight) > kMaxDimension)
        return SetError(error, "The input frame size is not usable");
    m_width = h.biWidth;
    m_height = std::abs(h.biHeight);
    m_bottomUp = h.biHeight > 0;
    const size_t headerBytes =
        h.biSize > kBitmapInfoHeaderSize && h.biSize <= size ? h.biSize : kBitmapInfoHeaderSize;
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    if (h.biCompression == BI_RGB) {
        switch (h.biBitCount) {
        case 8:
            pixelFormat = AV_PIX_FMT_PAL8;
            break;
        case 16:
            pixelFormat = AV_PIX_FMT_RGB555LE;
            break;
        case 24:
            pixelFormat = AV_PIX_FMT_BGR24;
            break;
        case 32:
            pixelFormat = AV_PIX_FMT_BGR0;
            break;
        default:
            break;
        }
    } else if (h.biCompression == BI_BITFIELDS) {
        const uint32_t r = Mask(format, size, headerBytes);
        const uint32_t g = Mask(format, size, headerBytes + 4);
        const uint32_t b = Mask(format, size, headerBytes + 8);
        if (h.biBitCount == 16 && r == 0xF800 && g == 0x07E0 && b == 0x001F)
            pixelFormat = AV_PIX_FMT_RGB565LE;
        else if (h.biBitCount == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x001F)
            pixelFormat = AV_PIX_FMT_RGB555LE;
        else if (h.biBitCount == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
            pixelFormat = AV_PIX_FMT_BGR0;
    }
    if (pixelFormat == AV_PIX_FMT_NONE)
        return SetError(error,
                        "The input frames must be uncompressed 8-bit (palette), 16, 24 or 32-bit pictures");
    if (pixelFormat == AV_PIX_FMT_PAL8) {
        const int64_t entries = DibColourTableEntries(h);
        if (entries < 0)
            return SetError(error, "The input colour table is not usable");
        for (int64_t i = 0; i < entries; ++i) {
            const size_t at = headerBytes + static_cast<size_t>(i) * 4;
            // Entries the format does not carry stay black.
            m_palette[i] = 0xFF000000u | (Mask(format, size, at) & 0xFFFFFF);
        }
    }
    m_inputFormat = pixelFormat;
    m_inputStride = DibStride(m_width, h.biBitCount);
    m_inputBytes = m_inputStride * m_height;
    m_inputCopy.assign(static_cast<size_t>(m_inputBytes) + kConverterPadding, 0);
    return true;
}

bool CVideoEncoder::SetUpCodec(const CompressorInfo& compressor, const EncoderSettings& s, uint32_t rate,
                               uint32_t scale, std::string* error) {
    const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoder.c_str());
    if (!codec)
        return SetError(error, "The encoder \"" + compressor.encoder + "\" is not available");
    if (rate == 0 || scale == 0)
        return SetError(error, "The frame rate of the stream is not set");
    if (!AllocateCodec(codec))
        return SetError(error, "Out of memory while setting up the encoder");
    DescribePicture(compressor, rate, scale);
    m_keyInterval = compressor.lossless ? 1 : s.keyInterval;
    if (!compressor.lossless) {
        std::string refused;
        if (!SetTuning(s, refused))
            return SetError(error,
                            "The encoder \"" + compressor.encoder + "\" refused the setting " + refused);
        SetUpRateMode(s, rate, scale);
    }
    m_log.ClearLastError();
    int ret = avcodec_open2(m_codec, codec, nullptr);
    if (ret < 0)
        return SetError(error, "The encoder \"" + compressor.encoder + "\" could not be opened for " +
                                   std::to_string(m_width) + "x" + std::to_string(m_height) + ": " +
                                   AvError(ret, m_log));
    if (!SetUpPicture(error))
        return false;
    DescribeOutput(compressor);
    return true;
}

bool CVideoEncoder::AllocateCodec(const AVCodec* codec) {
    m_codec = avcodec_alloc_context3(codec);
    if (m_codec) {
        m_log.Attach(m_codec);
        m_log.Attach(m_codec->priv_data);
    }
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    return m_codec && m_frame && m_packet;
}

void CVideoEncoder::DescribePicture(const CompressorInfo& compressor, uint32_t rate, uint32_t scale) {
    const AVPixelFormat target =
        compressor.lossless && !compressor.planar ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
    m_planar = target == AV_PIX_FMT_YUV420P;
    m_codec->width = m_width;
    m_codec->height = m_height;
    m_codec->pix_fmt = target;
    m_codec->time_base = AVRational{static_cast<int>(scale), static_cast<int>(rate)};
    m_codec->framerate = AVRational{static_cast<int>(rate), static_cast<int>(scale)};
    m_codec->codec_tag = compressor.fourcc;
    // One thread each: the same input always gives the same bytes, and the
    // LOW and FAST encoders already run side by side.
    m_codec->thread_count = 1;
}

bool CVideoEncoder::SetTuning(const EncoderSettings& s, std::string& refused) {
    auto setInt = [&](const char* name, int64_t value) {
        if (av_opt_set_int(m_codec, name, value, AV_OPT_SEARCH_CHILDREN) < 0 && refused.empty())
            refused = name;
    };
    m_codec->max_b_frames = 0;
    // Key frames are placed by us; the encoders cap their group length
    // at 600 frames unless compliance is relaxed.
    m_codec->gop_size = kNoGroupLimit;
    m_codec->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    setInt("sc_threshold", kNoSceneChange);
    setInt("mbd", s.mbDecision);
    setInt("dia_size", s.diaSize);
    setInt("cmp", s.meCmp);
    setInt("subcmp", s.subCmp);
    setInt("last_pred", s.lastPredictors);
    setInt("trellis", s.trellis);
    m_codec->qmin = s.qmin;
    m_codec->qmax = s.qmax;
    m_codec->qcompress = static_cast<float>(s.qcompressPercent) / 100.0f;
    return refused.empty();
}

void CVideoEncoder::SetUpRateMode(const EncoderSettings& s, uint32_t rate, uint32_t scale) {
    // Every frame carries its own quantiser: a fixed one, or our own rate
    // control's choice.
    m_codec->flags |= AV_CODEC_FLAG_QSCALE;
    if (s.rateMode == EncoderSettings::RATE_QUANTISER) {
        m_fixedQuality = FF_QP2LAMBDA * s.quantiser;
        m_codec->global_quality = m_fixedQuality;
        return;
    }
    CRateControl::Setup setup;
    setup.bitsPerSecond = double(s.bitrateKbps) * 1000.0;
    setup.framesPerSecond = double(rate) / double(scale);
    setup.qcompress = double(s.qcompressPercent) / 100.0;
    setup.qmin = s.qmin;
    setup.qmax = s.qmax;
    setup.width = m_width;
    setup.height = m_height;
    // cbr=1 steers within one second whatever the movie's length.
    setup.bufferMs = s.bufferMs ? s.bufferMs : (s.strictRate ? 1000 : 0);
    m_rate = std::make_unique<CRateControl>(setup);
    m_codec->global_quality = FF_QP2LAMBDA * s.qmax;
}

bool CVideoEncoder::SetUpPicture(std::string* error) {
    m_frame->format = m_codec->pix_fmt;
    m_frame->width = m_width;
    m_frame->height = m_height;
    if (av_frame_get_buffer(m_frame, 0) < 0)
        return SetError(error, "Out of memory while setting up the encoder");
    // The same conversion ffmpeg itself feeds its encoders with: the SIMD
    // paths stay on (bit-exact rounding would turn them off for no visible
    // gain, and both encodings of a movie are converted alike anyway).
    m_sws = sws_getContext(m_width, m_height, static_cast<AVPixelFormat>(m_inputFormat), m_width, m_height,
                           m_codec->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!m_sws)
        return SetError(error, "The input pixel format cannot be converted for the encoder");
    return true;
}

void CVideoEncoder::DescribeOutput(const CompressorInfo& compressor) {
    BitmapInfoHeader out;
    const int extra = m_codec->extradata ? m_codec->extradata_size : 0;
    out.biSize = static_cast<uint32_t>(kBitmapInfoHeaderSize + extra);
    out.biWidth = m_width;
    out.biHeight = m_height;
    out.biBitCount =
        static_cast<uint16_t>(m_codec->bits_per_coded_sample > 0 ? m_codec->bits_per_coded_sample : 24);
    out.biCompression = compressor.fourcc;
    out.biSizeImage = static_cast<uint32_t>(int64_t{m_width} * m_height * 3);
    m_outputFormat.assign(kBitmapInfoHeaderSize, 0);
    WriteBitmapInfoHeader(out, m_outputFormat.data());
    if (extra > 0)
        m_outputFormat.insert(m_outputFormat.end(), m_codec->extradata, m_codec->extradata + extra);
}

bool CVideoEncoder::Encode(const uint8_t* pixels, size_t size, bool requestKey, std::vector<Packet>& out,
                           std::string* error) {
    if (!pixels || static_cast<int64_t>(size) < m_inputBytes)
        return SetError(error, "The frame holds " + std::to_string(size) + " bytes, the format needs " +
                                   std::to_string(m_inputBytes));
    if (av_frame_make_writable(m_frame) < 0)
        return SetError(error, "Out of memory while encoding");
    m_log.ClearLastError();
    // The converter reads a little past the end of the last row in memory
    // (whole vector registers): it reads from a padded copy, never past the
    // caller's frame. The copy costs far less than the compression.
    std::memcpy(m_inputCopy.data(), pixels, static_cast<size_t>(m_inputBytes));
    pixels = m_inputCopy.data();
    const uint8_t* src[4] = {pixels, nullptr, nullptr, nullptr};
    int srcStride[4] = {static_cast<int>(m_inputStride), 0, 0, 0};
    if (m_bottomUp) {
        // DIB rows are stored bottom-up: start at the last row and walk back.
        src[0] = pixels + (m_height - 1) * m_inputStride;
        srcStride[0] = -static_cast<int>(m_inputStride);
    }
    if (m_inputFormat == AV_PIX_FMT_PAL8)
        src[1] = reinterpret_cast<const uint8_t*>(m_palette);
    if (sws_scale(m_sws, src, srcStride, 0, m_height, m_frame->data, m_frame->linesize) != m_height)
        return SetError(error, "The frame could not be converted for the encoder");
    return SendFrame(requestKey, out, error);
}

bool CVideoEncoder::EncodePlanes(const YuvPicture& picture, bool requestKey, std::vector<Packet>& out,
                                 std::string* error) {
    if (!m_planar || picture.width != m_width || picture.height != m_height)
        return SetError(error, "The planes do not fit the encoder's picture");
    if (av_frame_make_writable(m_frame) < 0)
        return SetError(error, "Out of memory while encoding");
    const uint8_t* planes[3] = {picture.y.data(), picture.u.data(), picture.v.data()};
    for (int p = 0; p < 3; ++p) {
        const int width = p == 0 ? picture.width : picture.ChromaWidth();
        const int height = p == 0 ? picture.height : picture.ChromaHeight();
        for (int row = 0; row < height; ++row)
            std::memcpy(m_frame->data[p] + static_cast<ptrdiff_t>(row) * m_frame->linesize[p],
                        planes[p] + static_cast<size_t>(row) * static_cast<size_t>(width),
                        static_cast<size_t>(width));
    }
    return SendFrame(requestKey, out, error);
}

bool CVideoEncoder::SendFrame(bool requestKey, std::vector<Packet>& out, std::string* error) {
    const bool key = requestKey || m_pts == 0 || (m_keyInterval > 0 && m_sinceKey >= m_keyInterval);
    m_sinceKey = key ? 1 : m_sinceKey + 1;
    m_frame->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    m_frame->key_frame = key ? 1 : 0;
    m_frame->pts = m_pts++;
    m_frame->quality = m_rate ? FF_QP2LAMBDA * m_rate->NextQuantiser(key) : m_fixedQuality;
    int ret = avcodec_send_frame(m_codec, m_frame);
    if (ret < 0)
        return SetError(error, "The encoder failed: " + AvError(ret, m_log));
    const size_t before = out.size();
    if (!Drain(out, error))
        return false;
    if (m_rate) {
        // No B-frames and one thread: the frame's packet comes out at once.
        int64_t bytes = 0;
        for (size_t i = before; i < out.size(); ++i)
            bytes += static_cast<int64_t>(out[i].data.size());
        m_rate->FrameDone(bytes);
    }
    return true;
}

bool CVideoEncoder::TakeMeasures(std::vector<RateFrameMeasure>& measures) const {
    if (!m_rate)
        return false;
    measures = m_rate->Measures();
    return true;
}

void CVideoEncoder::UseMeasures(std::vector<RateFrameMeasure> measures) {
    if (m_rate)
        m_rate->SetKnownMeasures(std::move(measures));
}

void CVideoEncoder::SetFirstPass() {
    if (m_rate)
        m_rate->SetFirstPass();
}

void CVideoEncoder::SetExpectedFrames(int64_t frames) {
    if (m_rate)
        m_rate->SetExpectedFrames(frames);
}

bool CVideoEncoder::Flush(std::vector<Packet>& out, std::string* error) {
    m_log.ClearLastError();
    int ret = avcodec_send_frame(m_codec, nullptr);
    if (ret < 0 && ret != AVERROR_EOF)
        return SetError(error, "The encoder failed at the end: " + AvError(ret, m_log));
    return Drain(out, error);
}

bool CVideoEncoder::Drain(std::vector<Packet>& out, std::string* error) {
    for (;;) {
        int ret = avcodec_receive_packet(m_codec, m_packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0)
            return SetError(error, "The encoder failed: " + AvError(ret, m_log));
        Packet packet;
        packet.data.assign(m_packet->data, m_packet->data + m_packet->size);
        packet.key = (m_packet->flags & AV_PKT_FLAG_KEY) != 0;
        out.push_back(std::move(packet));
        av_packet_unref(m_packet);
    }
}
