#include "platform/CAviFrameDecoder.h"

#include "platform/CFrameConverter.h"
#include "platform/CYuvConverter.h"
#include "platform/CodecTags.h"
#include "platform/DibLayout.h"
#include "platform/IAviFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
}

namespace {
// No sane video chunk is larger; a bigger size field is damage.
constexpr int32_t kMaxChunkBytes = 256 * 1024 * 1024;
constexpr size_t kMaxExtradata = 1024 * 1024;
constexpr int32_t kMaxDimension = 32768;
// Retries with an earlier key frame when the wanted picture lies before the
// first picture a run produces (B-frames that need the previous group).
constexpr int kMaxEarlierKeys = 3;

bool IsPassThroughFormat(const BitmapInfoHeader& h) {
    if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)
        return false;
    if (h.biCompression == BI_BITFIELDS)
        return h.biBitCount == 16 || h.biBitCount == 32;
    return h.biBitCount == 8 || h.biBitCount == 16 || h.biBitCount == 24 || h.biBitCount == 32;
}
} // namespace

CAviFrameDecoder::CAviFrameDecoder(IAviStream* stream) : m_stream(stream) {}

CAviFrameDecoder::~CAviFrameDecoder() {
    m_log.Detach();
    av_frame_free(&m_shown);
    av_frame_free(&m_pending);
    av_frame_free(&m_picture);
    av_packet_free(&m_packet);
    av_bsf_free(&m_bsf);
    avcodec_free_context(&m_codec);
}

std::unique_ptr<CAviFrameDecoder> CAviFrameDecoder::Open(IAviStream* stream) {
    if (!stream || stream->Info().fccType != streamtypeVIDEO)
        return nullptr;
    const std::vector<uint8_t>& format = stream->Format();
    BitmapInfoHeader header;
    if (!ParseBitmapInfoHeader(format.data(), format.size(), header))
        return nullptr;
    if (header.biWidth <= 0 || header.biWidth > kMaxDimension || header.biHeight == 0 ||
        std::abs(header.biHeight) > kMaxDimension)
        return nullptr;

    std::unique_ptr<CAviFrameDecoder> decoder(new CAviFrameDecoder(stream));
    decoder->m_length = stream->Length();
    decoder->m_header = header;
    if (IsPassThroughFormat(header)) {
        int64_t entries = DibColourTableEntries(header);
        if (entries < 0 || DibImageBytes(header) == 0)
            return nullptr;
        // The colour table follows the header in the stream format; a short
        // table is completed with black entries.
        size_t headerBytes = std::max<size_t>(kBitmapInfoHeaderSize, header.biSize);
        decoder->m_palette.assign(static_cast<size_t>(entries) * 4, 0);
        if (format.size() > headerBytes)
            std::memcpy(decoder->m_palette.data(), format.data() + headerBytes,
                        std::min(decoder->m_palette.size(), format.size() - headerBytes));
        return decoder;
    }

    int id = VideoCodecIdForFourCC(header.biCompression);
    if (id == AV_CODEC_ID_NONE)
        id = VideoCodecIdForFourCC(stream->Info().fccHandler);
    if (id == AV_CODEC_ID_NONE || id == AV_CODEC_ID_RAWVIDEO)
        return nullptr;
    if (!decoder->OpenCodec(id, format))
        return nullptr;
    return decoder;
}

bool CAviFrameDecoder::OpenCodec(int codecId, const std::vector<uint8_t>& format) {
    const AVCodec* codec = avcodec_find_decoder(static_cast<AVCodecID>(codecId));
    if (!codec)
        return false;
    AVCodecParameters* par = avcodec_parameters_alloc();
    if (!par)
        return false;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = static_cast<AVCodecID>(codecId);
    par->codec_tag = m_header.biCompression;
    par->width = m_header.biWidth;
    par->height = std::abs(m_header.biHeight);
    par->bits_per_coded_sample = m_header.biBitCount;
    // Codec set-up data (e.g. huffyuv tables) follows the 40-byte header.
    size_t extra = format.size() > kBitmapInfoHeaderSize ? format.size() - kBitmapInfoHeaderSize : 0;
    if (extra > 0 && extra <= kMaxExtradata) {
        par->extradata = static_cast<uint8_t*>(av_mallocz(extra + AV_INPUT_BUFFER_PADDING_SIZE));
        if (par->extradata) {
            std::memcpy(par->extradata, format.data() + kBitmapInfoHeaderSize, extra);
            par->extradata_size = static_cast<int>(extra);
        }
    }

    bool ok = true;
    if (codecId == AV_CODEC_ID_MPEG4) {
        // DivX-style packed B-frames put two pictures in one chunk and a
        // placeholder in the next; unpacking gives one picture per chunk again,
        // which the frame numbering below relies on. Plain streams pass unchanged.
        const AVBitStreamFilter* filter = av_bsf_get_by_name("mpeg4_unpack_bframes");
        ok = filter && av_bsf_alloc(filter, &m_bsf) == 0;
        if (ok)
            m_log.Attach(m_bsf);
        ok = ok && avcodec_parameters_copy(m_bsf->par_in, par) == 0 && av_bsf_init(m_bsf) == 0 &&
             avcodec_parameters_copy(par, m_bsf->par_out) == 0;
    }
    m_codec = ok ? avcodec_alloc_context3(codec) : nullptr;
    if (m_codec) {
        // Codecs log against their context and some against their own state.
        m_log.Attach(m_codec);
        m_log.Attach(m_codec->priv_data);
    }
    ok = m_codec && avcodec_parameters_to_context(m_codec, par) >= 0;
    avcodec_parameters_free(&par);
    if (!ok)
        return false;
    // Frame threading would add delay that the frame numbering does not
    // expect; slice threads add none and give the same pictures, so every
    // codec that can split a picture does so over the machine's cores.
    m_codec->thread_type = FF_THREAD_SLICE;
    m_codec->thread_count = 0;
    if (avcodec_open2(m_codec, codec, nullptr) < 0)
        return false;
    m_packet = av_packet_alloc();
    m_picture = av_frame_alloc();
    m_pending = av_frame_alloc();
    m_shown = av_frame_alloc();
    m_converter = std::make_unique<CFrameConverter>();
    return m_packet && m_picture && m_pending && m_shown;
}

const uint8_t* CAviFrameDecoder::GetFrame(int32_t frame) {
    if (frame < 0 || frame >= m_length)
        return nullptr;
    if (!m_codec)
        return GetRawFrame(frame);
    return DecodeTo(frame) ? ShownDib() : nullptr;
}

bool CAviFrameDecoder::VisitRows(int32_t frame, IBgrRowSink& sink) {
    if (!m_codec || frame < 0 || frame >= m_length || !DecodeTo(frame))
        return false;
    return m_rows.Visit(*m_shown, sink);
}

const uint8_t* CAviFrameDecoder::ShownDib() {
    if (!m_shownConverted) {
        if (!m_converter->Convert(*m_shown, m_dib))
            return nullptr;
        m_shownConverted = true;
    }
    return m_dib.data();
}

const YuvPicture* CAviFrameDecoder::GetPlanes(int32_t frame) {
    if (!m_codec || frame < 0 || frame >= m_length || !DecodeTo(frame))
        return nullptr;
    if (!m_yuvValid) {
        if (!m_yuvConverter)
            m_yuvConverter = std::make_unique<CYuvConverter>();
        m_yuvValid = m_yuvConverter->FromFrame(*m_shown, m_yuv);
    }
    return m_yuvValid ? &m_yuv : nullptr;
}

bool CAviFrameDecoder::ReadChunk(int32_t chunk, std::vector<uint8_t>& data) {
    int32_t bytes = 0;
    int32_t samples = 0;
    if (m_stream->Read(chunk, 1, nullptr, 0, &bytes, &samples) != AVIERR_OK || bytes < 0 ||
        bytes > kMaxChunkBytes)
        return false;
    data.resize(static_cast<size_t>(bytes));
    if (bytes == 0)
        return true;
    int32_t got = 0;
    if (m_stream->Read(chunk, 1, data.data(), bytes, &got, &samples) != AVIERR_OK || got != bytes)
        return false;
    return true;
}

const uint8_t* CAviFrameDecoder::GetRawFrame(int32_t frame) {
    if (frame == m_dibFrame)
        return m_dib.data();
    m_dibFrame = -1;
    // An empty chunk is a dropped frame: it shows the picture before it.
    int32_t chunk = frame;
    for (;;) {
        if (!ReadChunk(chunk, m_chunk))
            return nullptr;
        if (!m_chunk.empty())
            break;
        if (chunk == 0)
            return nullptr;
        --chunk;
    }
    const int64_t imageBytes = DibImageBytes(m_header);
    if (static_cast<int64_t>(m_chunk.size()) < imageBytes)
        return nullptr; // a short chunk cannot hold the picture: damaged
    BitmapInfoHeader out = m_header;
    out.biSize = kBitmapInfoHeaderSize;
    out.biSizeImage = static_cast<uint32_t>(imageBytes);
    // Every frame handed out is bottom-up, as the decoded ones are: a file
    // that stores its rows top-down (a negative height) is turned over here,
    // so that frames of different files line up row for row.
    const bool topDown = m_header.biHeight < 0;
    out.biHeight = std::abs(m_header.biHeight);
    m_dib.resize(kBitmapInfoHeaderSize + m_palette.size() + static_cast<size_t>(imageBytes));
    WriteBitmapInfoHeader(out, m_dib.data());
    if (!m_palette.empty())
        std::memcpy(m_dib.data() + kBitmapInfoHeaderSize, m_palette.data(), m_palette.size());
    uint8_t* pixels = m_dib.data() + kBitmapInfoHeaderSize + m_palette.size();
    if (!topDown) {
        std::memcpy(pixels, m_chunk.data(), static_cast<size_t>(imageBytes));
    } else {
        const size_t stride = static_cast<size_t>(DibStride(out.biWidth, out.biBitCount));
        const size_t rows = static_cast<size_t>(out.biHeight);
        for (size_t y = 0; y < rows; ++y)
            std::memcpy(pixels + (rows - 1 - y) * stride, m_chunk.data() + y * stride, stride);
    }
    m_dibFrame = frame;
    return m_dib.data();
}

void CAviFrameDecoder::StartRun(int32_t keyChunk) {
    avcodec_flush_buffers(m_codec);
    if (m_bsf)
        av_bsf_flush(m_bsf);
    av_frame_unref(m_pending);
    m_pendingChunk = -1;
    m_running = true;
    m_nextChunk = keyChunk;
    m_sent.clear();
    m_assigned = 0;
    m_lastSlot = -1;
    m_lastFailed = -1;
    m_draining = false;
    m_drained = false;
    m_palettePending = true;
}

int32_t CAviFrameDecoder::NextOutputChunk() const {
    if (m_pendingChunk >= 0)
        return m_pendingChunk;
    if (m_drained || m_assigned >= m_sent.size())
        return INT32_MAX;
    return m_sent[m_assigned].chunk;
}

// The picture for `frame` is known once every chunk up to it was fed and the
// next picture the codec will give belongs to a later chunk.
bool CAviFrameDecoder::Resolved(int32_t frame) const {
    return m_running && m_nextChunk > frame && NextOutputChunk() > frame;
}

bool CAviFrameDecoder::DecodeTo(int32_t frame) {
    int32_t key = m_stream->FindSample(frame, FIND_PREV | FIND_KEY);
    if (key < 0)
        key = 0;
    const bool behind = m_lastSlot > frame || (m_lastSlot < 0 && m_nextChunk > frame);
    if (!m_running || behind || key > m_nextChunk)
        StartRun(key);

    for (int attempt = 0;; ++attempt) {
        bool overshoot = false;
        while (!Resolved(frame)) {
            if (!Step(frame, overshoot)) {
                m_running = false;
                return false;
            }
        }
        if (m_lastSlot >= 0 && m_lastSlot <= frame) {
            // A chunk the codec refused lies between that picture and the frame.
            if (m_lastFailed > m_lastSlot && m_lastFailed <= frame)
                return false;
            return true;
        }
        if (m_lastFailed >= 0 && m_lastFailed <= frame)
            return false;
        // No picture at or before the frame in this run: the frame needs
        // pictures of the group before this key frame.
        int32_t start = m_sent.empty() ? m_nextChunk : m_sent.front().chunk;
        int32_t earlier = start > 0 ? m_stream->FindSample(start - 1, FIND_PREV | FIND_KEY) : -1;
        if (earlier < 0 || attempt >= kMaxEarlierKeys)
            return false;
        StartRun(earlier);
    }
}

bool CAviFrameDecoder::Step(int32_t frame, bool& overshoot) {
    if (m_pendingChunk >= 0)
        return TakeOutput(m_pending, frame, overshoot);

    int ret = avcodec_receive_frame(m_codec, m_picture);
    if (ret == 0) {
        // Each packet yields at most one picture, `delay` packets later (the
        // codec's reordering depth); skipped pictures (B-frames without their
        // references) simply leave their chunk without a picture.
        int64_t last = static_cast<int64_t>(m_sent.size()) - 1;
        int64_t index =
            m_draining ? static_cast<int64_t>(m_assigned)
                       : std::max<int64_t>(static_cast<int64_t>(m_assigned), last - m_codec->has_b_frames);
        if (index < 0 || index >= static_cast<int64_t>(m_sent.size())) {
            av_frame_unref(m_picture);
            return true; // a picture we cannot place: drop it
        }
        m_assigned = static_cast<size_t>(index) + 1;
        av_frame_unref(m_pending);
        av_frame_move_ref(m_pending, m_picture);
        m_pendingChunk = m_sent[static_cast<size_t>(index)].chunk;
        return TakeOutput(m_pending, frame, overshoot);
    }
    if (ret == AVERROR_EOF) {
        m_drained = true;
        m_nextChunk = m_length;
        return true;
    }
    if (ret != AVERROR(EAGAIN)) {
        // The codec rejected the picture of the last packet it was given.
        if (!m_sent.empty()) {
            m_lastFailed = std::max(m_lastFailed, m_sent.back().chunk);
            m_sent.pop_back();
        }
        m_assigned = std::min(m_assigned, m_sent.size());
        return true;
    }
    if (m_nextChunk < m_length)
        return FeedChunk(m_nextChunk++);
    if (!m_draining) {
        m_draining = true;
        if (m_bsf && av_bsf_send_packet(m_bsf, nullptr) == 0) {
            while (av_bsf_receive_packet(m_bsf, m_packet) == 0)
                SendToCodec(m_packet, m_length - 1);
        }
        return avcodec_send_packet(m_codec, nullptr) == 0;
    }
    return false;
}

bool CAviFrameDecoder::TakeOutput(AVFrame* picture, int32_t frame, bool& overshoot) {
    if (m_pendingChunk > frame) {
        overshoot = true; // keep it: the next frames will want it
        return true;
    }
    // The picture is kept as the codec gave it and converted only when it is
    // asked for: a run from a key frame passes many pictures on the way, and
    // a measure may take the rows without a packed picture at all.
    av_frame_unref(m_shown);
    av_frame_move_ref(m_shown, picture);
    m_shownConverted = false;
    m_yuvValid = false;
    m_lastSlot = m_pendingChunk;
    m_pendingChunk = -1;
    return true;
}

bool CAviFrameDecoder::FeedChunk(int32_t chunk) {
    int32_t bytes = 0;
    int32_t samples = 0;
    if (m_stream->Read(chunk, 1, nullptr, 0, &bytes, &samples) != AVIERR_OK || bytes < 0 ||
        bytes > kMaxChunkBytes) {
        m_lastFailed = chunk;
        return true;
    }
    if (bytes == 0)
        return true; // a dropped frame: nothing to decode, the picture repeats
    if (av_new_packet(m_packet, bytes) < 0)
        return false;
    int32_t got = 0;
    if (m_stream->Read(chunk, 1, m_packet->data, bytes, &got, &samples) != AVIERR_OK || got != bytes) {
        av_packet_unref(m_packet);
        m_lastFailed = chunk;
        return true;
    }
    m_packet->pts = m_packet->dts = chunk;
    if (m_palettePending && m_header.biBitCount <= 8) {
        // Palette codecs (e.g. RLE) take their colours from the stream format.
        uint8_t* side = av_packet_new_side_data(m_packet, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        int64_t entries = DibColourTableEntries(m_header);
        size_t headerBytes = std::max<size_t>(kBitmapInfoHeaderSize, m_header.biSize);
        const std::vector<uint8_t>& format = m_stream->Format();
        for (int64_t i = 0; side && i < entries && i < 256; ++i) {
            size_t at = headerBytes + static_cast<size_t>(i) * 4;
            uint32_t bgr =
                at + 4 <= format.size()
                    ? static_cast<uint32_t>(format[at] | (format[at + 1] << 8) | (format[at + 2] << 16))
                    : 0;
            uint32_t argb = 0xFF000000u | bgr;
            std::memcpy(side + i * 4, &argb, 4);
        }
    }
    m_palettePending = false;

    if (!m_bsf)
        return SendToCodec(m_packet, chunk);
    if (av_bsf_send_packet(m_bsf, m_packet) < 0) {
        av_packet_unref(m_packet);
        m_lastFailed = chunk;
        return true;
    }
    // A placeholder chunk the filter swallows counts like a dropped frame.
    while (av_bsf_receive_packet(m_bsf, m_packet) == 0)
        if (!SendToCodec(m_packet, chunk))
            return false;
    return true;
}

bool CAviFrameDecoder::SendToCodec(AVPacket* packet, int32_t chunk) {
    ++m_packetsDecoded;
    int ret = avcodec_send_packet(m_codec, packet);
    av_packet_unref(packet);
    if (ret == 0) {
        m_sent.push_back({chunk, false});
        return true;
    }
    if (ret == AVERROR(EAGAIN))
        return false; // the stepping always takes outputs first; cannot happen
    m_lastFailed = std::max(m_lastFailed, chunk);
    return true;
}
