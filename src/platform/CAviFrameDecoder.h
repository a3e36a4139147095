#pragma once
// Frame decoding of one AVI video stream: frame number in, packed DIB out
// (BITMAPINFOHEADER, colour table, pixels), the stand-in for AVIStreamGetFrame.
//
// Compressed streams come out as 24-bit BGR, bottom-up, rows padded to 4
// bytes. Uncompressed BI_RGB streams (8 bits with palette, 16, 24, 32 bits)
// come out in their own pixel format, but bottom-up too: rows a file stores
// top-down (negative biHeight) are turned over, and the header handed out
// always has a positive height. Frame n is always the picture shown at frame
// n: decoder delay and B-frames (also DivX-style packed ones) are accounted
// for, and an empty chunk (a dropped frame) repeats the picture before it.
//
// Random access decodes forward from the key frame before the wanted frame;
// asking for the next frame continues where the last call stopped, and
// asking for the same frame again decodes nothing. Not thread-safe: one
// decoder serves one thread at a time.

#include "platform/AviTypes.h"
#include "platform/CCodecLog.h"
#include "platform/CYuv420BgrRows.h"
#include "platform/YuvPicture.h"

#include <cstdint>
#include <memory>
#include <vector>

class IAviStream;
class CFrameConverter;
class CYuvConverter;
struct AVCodecContext;
struct AVBSFContext;
struct AVPacket;
struct AVFrame;

class CAviFrameDecoder {
public:
    // Null when the stream is not video or its format cannot be decoded.
    static std::unique_ptr<CAviFrameDecoder> Open(IAviStream* stream);
    ~CAviFrameDecoder();
    CAviFrameDecoder(const CAviFrameDecoder&) = delete;
    CAviFrameDecoder& operator=(const CAviFrameDecoder&) = delete;

    // The frame as a packed DIB owned by the decoder, valid until the next
    // call; null when the frame is out of range or cannot be decoded.
    const uint8_t* GetFrame(int32_t frame);

    // The frame's 24-bit picture as rows of planes (the same values GetFrame
    // gives), without making the packed picture. False, without a row, when
    // the frame cannot be decoded or its rows cannot be made that way; the
    // decoded frame stays, so GetFrame then costs no decoding.
    bool VisitRows(int32_t frame, IBgrRowSink& sink);

    // The frame in 4:2:0 planes (the codec's own when it decodes to them),
    // owned by the decoder and valid until the next call; null for
    // pass-through streams and when the frame cannot be decoded or converted.
    const YuvPicture* GetPlanes(int32_t frame);

    // Chunks handed to the codec so far (how much work the calls caused).
    int64_t PacketsDecoded() const { return m_packetsDecoded; }
    bool IsPassThrough() const { return !m_codec; }
    // The codec's own warnings and errors (a damaged stream's notes).
    const CCodecLog& Log() const { return m_log; }

private:
    struct SentPacket {
        int32_t chunk;
        bool failed;
    };

    explicit CAviFrameDecoder(IAviStream* stream);
    bool OpenCodec(int codecId, const std::vector<uint8_t>& format);
    const uint8_t* GetRawFrame(int32_t frame);
    // Decodes until the picture of `frame` is the one shown; false when it
    // cannot be decoded.
    bool DecodeTo(int32_t frame);
    // The shown picture as a packed DIB, converted on first use.
    const uint8_t* ShownDib();

    // Decoding run: from a key chunk forward, in chunk order.
    void StartRun(int32_t keyChunk);
    bool Resolved(int32_t frame) const;
    // One step of work: take an output picture, or feed the next chunk, or
    // drain the codec at the end. False when nothing more can happen.
    bool Step(int32_t frame, bool& overshoot);
    bool FeedChunk(int32_t chunk);
    bool SendToCodec(AVPacket* packet, int32_t chunk);
    // Puts the next output picture into place for `frame`; sets overshoot
    // when the picture belongs after it (then it is kept for later).
    bool TakeOutput(AVFrame* picture, int32_t frame, bool& overshoot);
    int32_t NextOutputChunk() const;
    bool ReadChunk(int32_t chunk, std::vector<uint8_t>& data);

    CCodecLog m_log; // first: it outlives the contexts attached to it
    IAviStream* m_stream = nullptr;
    int32_t m_length = 0;
    BitmapInfoHeader m_header;
    std::vector<uint8_t> m_palette; // pass-through: colour table bytes
    std::vector<uint8_t> m_dib;     // the frame handed out
    std::vector<uint8_t> m_chunk;   // pass-through: chunk read buffer
    int32_t m_dibFrame = -1;        // pass-through: the frame in m_dib

    AVCodecContext* m_codec = nullptr;
    AVBSFContext* m_bsf = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_picture = nullptr;
    AVFrame* m_pending = nullptr;  // an output that belongs after the frame asked for
    AVFrame* m_shown = nullptr;    // the picture of chunk m_lastSlot, as the codec gave it
    bool m_shownConverted = false; // m_dib holds m_shown
    std::unique_ptr<CFrameConverter> m_converter;
    CYuv420BgrRows m_rows;
    std::unique_ptr<CYuvConverter> m_yuvConverter; // made when planes are first asked for
    YuvPicture m_yuv;
    bool m_yuvValid = false; // m_yuv holds m_shown

    bool m_running = false;
    int32_t m_nextChunk = 0;        // next chunk to feed
    std::vector<SentPacket> m_sent; // packets given to the codec this run
    size_t m_assigned = 0;          // index in m_sent of the next output
    int32_t m_pendingChunk = -1;    // chunk of m_pending
    int32_t m_lastSlot = -1;        // chunk whose picture is in m_shown
    int32_t m_lastFailed = -1;      // last chunk the codec refused this run
    bool m_draining = false;
    bool m_drained = false;
    bool m_palettePending = false;
    int64_t m_packetsDecoded = 0;
};
