#pragma once
// One stream of a CAVIFile: header and format kept in memory, key-frame
// search, sample/time mapping, byte counts, chunk copying, frame decoding.

#include "media/CJobResult.h"
#include "platform/AviTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CAVIFile;
class CAviFrameDecoder;
class CCodecLog;
class CYuvConverter;
class IBgrRowSink;
struct YuvPicture;
class IAviStream;
class IHost;

class CAVIStream {
public:
    enum { TYPE_OTHER = 0, TYPE_VIDEO = 1, TYPE_AUDIO = 2 };

    explicit CAVIStream(IHost& host);
    virtual ~CAVIStream();
    CAVIStream(const CAVIStream&) = delete;
    CAVIStream& operator=(const CAVIStream&) = delete;

    // The handle stays owned by its IAviFile; this object only uses it.
    void Attach(IAviStream* stream);
    void Release();

    CAVIStream* CreateCopyIn(CAVIFile& destination, const void* format, int32_t formatSize);

    int GetType() const { return m_nType; }
    int32_t GetLength() const;
    int32_t GetSampleSize() const { return static_cast<int32_t>(m_info.dwSampleSize); }
    const uint8_t* GetFormat() const { return m_format.empty() ? nullptr : m_format.data(); }
    int32_t GetFormatSize() const { return m_nFormatSize; }
    const AviStreamInfo& GetInfo() const { return m_info; }
    int32_t GetFramesPerSecond() const;
    int GetNumber() const { return m_nNumber; }
    void SetNumber(int number) { m_nNumber = number; }
    IAviStream* GetHandle() const { return m_stream; }

    int32_t NextKeyFrame(int32_t sample) const;
    int32_t PrevKeyFrame(int32_t sample) const;
    bool IsKeyFrame(int32_t sample) const;
    int32_t SampleToTime(int32_t sample) const;
    int32_t MapSample(const CAVIStream& other, int32_t otherSample) const;
    // The first sample whose start is not before ms, its start reckoned at
    // the whole-number rate (frames of a fractional-rate video at their
    // real start).
    int32_t TimeToSampleCeil(int32_t ms) const;
    // Bytes of samples first .. end-1 (64-bit: long movies pass 2 GB).
    int64_t ByteCount(int32_t first, int32_t end) const;

    // Appends samples first .. end-1 of source at the end of this stream. In
    // silence mode the source is not read: end - first samples of silence in
    // this stream's own audio format are written instead. A read or write
    // error ends the paste after one message with a failed result; the
    // step hook's "stop" ends it with a stopped one. An unreadable block of
    // audio is the exception: it becomes silence of its length, told once,
    // so that the audio behind it stays in time.
    CJobResult Paste(CAVIStream* source, int32_t first, int32_t end, bool silence);
    // A step every paste on the calling thread takes before each frame or
    // audio block: the worker's pause gate and abort flag (false: stop).
    // Empty to remove it.
    static void SetPasteStepHook(std::function<bool()> hook);
    // Takes the calling thread's step (true without a hook): false when the
    // job is to stop.
    static bool TakePasteStep();

    // Frame decoding. GetFrame: the decoded frame as a packed DIB (header,
    // colour table, pixels), owned by the decoder, valid until its next call;
    // null when the frame cannot be decoded.
    const uint8_t* GetFrame(int32_t frame);
    // Raw: a pointer into the decoder's own pixels. Converted: the pixels
    // copied into `buffer` (or a new[] buffer the caller delete[]s when null).
    // Both are bottom-up whatever row order the file stores, so frames of
    // different files line up byte for byte.
    uint8_t* GetBitmapBuffer(bool raw, int32_t frame, int32_t* size, uint8_t* buffer, int32_t* width,
                             int32_t* height);
    // The frame's 24-bit picture as rows of planes, top-down, without making
    // the packed picture (for measures that sum over neighbours). False, with
    // no row and no message, when the frame cannot be had that way: then
    // GetBitmapBuffer gives it (and says why when it cannot).
    bool VisitFrameRows(int32_t frame, IBgrRowSink& sink);

    // The decoded frame in 4:2:0 planes: the decoder's own when it decodes
    // to them, else converted from the DIB as ffmpeg converts to yuv420p.
    // Owned by the stream, valid until its next call; null when the frame
    // cannot be decoded or converted.
    const YuvPicture* GetYuvFrame(int32_t frame);
    // True when the frames are decoded by a codec (not uncompressed ones
    // passed through), so that GetYuvFrame gives the decoder's own planes.
    bool DecodesToPlanes() const;
    // What the codec logged while decoding (warnings and errors of a
    // damaged stream); null when the stream has no decoder.
    const CCodecLog* GetDecoderLog() const;

private:
    enum class EChunkSource { Pasted, NotPossible, Failed };
    CJobResult PasteVideo(CAVIStream& source, int32_t first, int32_t end);
    CJobResult PasteAudio(CAVIStream& source, int32_t first, int32_t end);
    CJobResult PasteSilence(int64_t samples);
    // Shows `message` and returns it as the failure.
    CJobResult PasteFailed(const char* message);
    // Pastes one chunk by reference to where it lies in the source file;
    // NotPossible when either side cannot, and the chunk must be read and
    // written.
    EChunkSource PasteChunkSource(IAviStream& in, int32_t sample, int32_t at, uint32_t flags);

    IHost& m_host;
    IAviStream* m_stream = nullptr;
    int m_nType = TYPE_OTHER;
    AviStreamInfo m_info;
    int32_t m_nFormatSize = 0;
    std::vector<uint8_t> m_format; // one spare byte, as callers may expect
    int m_nNumber = -1;
    int32_t m_nLastDrawnFrame = -1;
    // shared_ptr: it can be reset where the decoder's definition is not
    // visible (the decoder lives in the codec layer's own file).
    std::shared_ptr<CAviFrameDecoder> m_decoder;
    // Converted form of GetBitmapBuffer: the size fixed by the first frame.
    int32_t m_nConvertedSize = -1;
    // GetYuvFrame's conversion of DIB frames (shared_ptr as for the decoder).
    std::shared_ptr<CYuvConverter> m_yuvConverter;
    std::shared_ptr<YuvPicture> m_yuv;
};
