#pragma once
// Our AVI file services: the calls the media layer makes on an open AVI file
// and its streams, in the shape of the classic AVIFile interface. A file is
// either opened for reading (AviOpenRead, implemented by CAviReader) or
// created for writing (AviCreate, implemented by CAviWriter); calls that do
// not fit the mode fail with AVIERR_READONLY / AVIERR_UNSUPPORTED.

#include "platform/AviTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

constexpr int AVIERR_OK = 0;
constexpr int AVIERR_UNSUPPORTED = -1;
constexpr int AVIERR_BADPARAM = -2;
constexpr int AVIERR_BUFFERTOOSMALL = -3;
constexpr int AVIERR_FILEREAD = -4;
constexpr int AVIERR_FILEWRITE = -5;
constexpr int AVIERR_READONLY = -6;
constexpr int AVIERR_NODATA = -7;

// What the reader had to do to make sense of a file; `info` shows it.
struct AviReadReport {
    bool opendml = false;           // RIFF AVIX / indx / ix## were used
    bool idx1Absolute = false;      // idx1 offsets were absolute, not movi-relative
    bool indexRebuilt = false;      // the index was rebuilt by walking movi
    bool truncated = false;         // the file ends inside a chunk or list
    std::vector<std::string> notes; // one line per step taken, for people
};

class CReadOnlyFile;

// Where the data of one chunk lies in a file open for reading. A writer that
// is handed this keeps the file open and copies the bytes from it when it lays
// out its own file, so they never pass through memory twice.
struct AviChunkSource {
    std::shared_ptr<const CReadOnlyFile> file;
    uint64_t offset = 0; // of the data, not of the chunk header
    uint32_t size = 0;
};

struct AviWriterOptions {
    // A RIFF part is closed and an OpenDML 'RIFF AVIX' started once it would
    // pass this many bytes. Tests lower it to cross the threshold cheaply.
    uint64_t riffLimit = 1024ull * 1024 * 1024;
    // Asked before each chunk record while a file is finished; false stops
    // the finishing (the file is then removed, and Close reports it as
    // stopped). It may also wait, for a paused job. Empty for none.
    std::function<bool()> keepGoing;
};

class IAviStream {
public:
    virtual ~IAviStream() = default;

    // Header as the caller sees it; dwLength is the current length in samples.
    virtual AviStreamInfo Info() const = 0;
    virtual const std::vector<uint8_t>& Format() const = 0;
    virtual int SetFormat(const void* data, size_t size) = 0;
    // Write mode: the header's fccHandler (a compressor names itself there
    // once its format is known). Streams that cannot change it refuse.
    virtual int SetHandler(FOURCC /*fccHandler*/) { return AVIERR_UNSUPPORTED; }

    virtual int32_t Start() const = 0;
    virtual int32_t Length() const = 0;

    // AVIStreamRead. With buffer null only reports in *bytes and *samples what
    // a read would deliver. A read at or past the end delivers 0 samples.
    // Video and variable-size audio: at most one chunk (n is taken as 1).
    virtual int Read(int32_t start, int32_t n, void* buffer, int32_t bufferSize, int32_t* bytes,
                     int32_t* samples) = 0;

    // AVIStreamWrite (write mode). start must be >= Length(); video frames
    // skipped by position are written as empty chunks (dropped frames).
    virtual int Write(int32_t start, int32_t n, const void* buffer, int32_t size, uint32_t flags,
                      int32_t* samplesWritten, int32_t* bytesWritten) = 0;

    virtual int32_t FindSample(int32_t pos, uint32_t flags) const = 0;
    virtual int32_t SampleToTime(int32_t sample) const = 0;
    virtual int32_t TimeToSample(int32_t ms) const = 0;

    // Read mode, one chunk per sample (video, variable-size audio): where the
    // chunk of `sample` lies. False when the stream cannot tell; Read then
    // still works.
    virtual bool GetChunkSource(int32_t /*sample*/, AviChunkSource* /*source*/) const { return false; }
    // Write mode, one chunk per sample: like Write of one sample whose data is
    // `source`'s bytes, copied from that file when this one is finished.
    virtual int WriteChunkSource(int32_t /*start*/, const AviChunkSource& /*source*/, uint32_t /*flags*/) {
        return AVIERR_UNSUPPORTED;
    }
};

class IAviFile {
public:
    virtual ~IAviFile() = default;

    virtual AviFileInfo Info() const = 0;
    virtual int StreamCount() const = 0;
    virtual IAviStream* GetStream(int index) = 0; // owned by the file; null when absent

    // Write mode: a new stream with this header (length and start ignored).
    virtual IAviStream* CreateStream(const AviStreamInfo& info) = 0;

    // Finishes a written file (indexes, headers, interleaving). Read mode: no-op.
    // Returns false with a message when the file could not be completed.
    virtual bool Close(std::string* error) = 0;
    // Write mode: drops the file unfinished; whatever was under its name
    // before stays. Read mode: Close.
    virtual void Discard() { Close(nullptr); }
    // True when the last Close ended because keepGoing said stop.
    virtual bool WasStopped() const { return false; }

    virtual const AviReadReport& Report() const = 0;
};

// Opens a file for reading. Null with a reason in *error when it is no AVI
// file we can read.
std::unique_ptr<IAviFile> AviOpenRead(const std::string& path, std::string* error);

// Creates (truncates) a file for writing.
std::unique_ptr<IAviFile> AviCreate(const std::string& path, const AviWriterOptions& options,
                                    std::string* error);
