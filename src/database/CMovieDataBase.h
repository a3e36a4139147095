#pragma once
// A movie data base: everything needed to rebuild a finished movie from
// one's own copy of the same source movie, without the LOW and FAST files
// and without the oracle. It carries the encoding list as time intervals
// (each LOW or FAST), the complete settings of both compressors and the
// resolution and frame rate of the source, so that a mismatched source can
// be detected. The file is an INI text file kept in a CIniFile.
//
// Besides the file, the object holds the state of one creation from it: the
// interval being worked on, the temporary file being written and the names
// of the temporary files written so far. PrepareNextPart runs on the starting
// side and CompressPart on the worker, never at the same time.
//
// Data bases come from other people: every value read from one is treated
// as untrusted (sizes bounded, times clamped to the movie).

#include "media/CAVIFile.h"
#include "settings/CIniFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAVIStream;
class CAviCompressedStream;
class CWorker;
class IHost;
struct CodecOptions;
struct EncodingPart;

class CMovieDataBase {
public:
    static constexpr const char* SECTION_DATABASE = "DataBase";
    static constexpr const char* SECTION_MOVIE = "Movie";
    static constexpr const char* SECTION_INTERVALS = "TimeIntervalls";
    static constexpr const char* SECTION_CHECKPOINTS = "CheckPoints";
    static constexpr const char* SECTION_LOW_CODEC = "Low-Codec";
    static constexpr const char* SECTION_FAST_CODEC = "Fast-Codec";

    explicit CMovieDataBase(IHost& host);
    virtual ~CMovieDataBase();
    CMovieDataBase(const CMovieDataBase&) = delete;
    CMovieDataBase& operator=(const CMovieDataBase&) = delete;

    // The file ------------------------------------------------------------

    // Comments, version 1.000000 and the movie keys at -1; no interval yet.
    void InitDefaults();
    // Frame rate (rate / scale, truncated) and the size of the decoded frame
    // 0 of the movie's video stream. False, writing nothing, without one.
    bool StoreMovieInfo(CAVIFile& movie);
    // Appends interval m_nPart (times in ms) and counts it.
    void AddInterval(int32_t startMs, int32_t endMs, bool isLow);
    // False when the file cannot be written (also on a write error).
    bool SaveToFile(const std::string& path);
    // Empties the store, then loads the file. False when it cannot be read.
    bool LoadFromFile(const std::string& path);

    // Whether a creation from this data base may go on with `movie` (null:
    // yes). Missing sizes are warned about; a movie of another size makes the
    // user decide (Yes/No through the host).
    bool CheckCompatibility(CAVIFile* movie);

    // Codec options -------------------------------------------------------

    // Writes the record into `section` with keys named prefix + field, the
    // state block as "Byte0", "Byte1", ... Always true.
    bool SaveCodecOptions(const std::string& section, const std::string& prefix, const CodecOptions& options);
    // Fills the record from `section`; missing keys read as 0. A state block
    // claiming more bytes than any of ours can have (or fewer than none) is
    // refused with a message: the record is then left all zero and the
    // result is false. False also when no record is given.
    bool LoadCodecOptions(const std::string& section, const std::string& prefix, CodecOptions* options);
    bool SaveLowCodec(const CodecOptions& options) {
        return SaveCodecOptions(SECTION_LOW_CODEC, "Low", options);
    }
    bool SaveFastCodec(const CodecOptions& options) {
        return SaveCodecOptions(SECTION_FAST_CODEC, "Fast", options);
    }
    bool LoadLowCodec(CodecOptions* options) { return LoadCodecOptions(SECTION_LOW_CODEC, "Low", options); }
    bool LoadFastCodec(CodecOptions* options) {
        return LoadCodecOptions(SECTION_FAST_CODEC, "Fast", options);
    }

    // Export and import as the data base dialog does them. Each returns the
    // text for the dialog's status line in `status`.
    //
    // Export: a fresh data base from the source movie, the rows of an
    // encoding list and both compressor records, saved to `path`. Refused
    // (status line only, nothing written) when the source does not open or
    // has no video stream: its times cannot be computed then.
    static bool Export(IHost& host, const std::string& sourcePath, const std::vector<EncodingPart>& rows,
                       const CodecOptions& low, const CodecOptions& fast, const std::string& path,
                       std::string& status);
    // Import: loads `path` into this object and both compressor records
    // from it. A failed load leaves the records untouched (but this store
    // empty); refused codec sections leave the records cleared.
    bool Import(const std::string& path, CodecOptions& low, CodecOptions& fast, std::string& status);

    // Creation ------------------------------------------------------------

    struct Interval {
        int32_t startMs = 0;
        int32_t endMs = 0;
        bool isLow = true; // a missing "Part" key means LOW
    };
    // Interval n of the file; false when it has no "StartTime"+n.
    bool GetInterval(int32_t n, Interval& interval) const;
    // Intervals 0, 1, ... up to the first missing one.
    int32_t CountIntervals() const;
    // Whether the intervals together cover more than twice the frames of the
    // source's video stream: then they overlap, and a creation would write
    // the movie again and again. `why` gets the text that says so.
    bool CoversTooMuch(CAVIFile& source, std::string& why) const;
    // Whether the file holds any section of a data base at all.
    bool HasDataBaseSections() const;
    // The frames [first, end) of an interval in the source's video stream,
    // clamped to the movie (an interval beyond it is empty).
    static void IntervalFrames(const CAVIStream& video, const Interval& interval, int32_t& first,
                               int32_t& end);

    void ResetParts();
    // Frames of all intervals in the source movie (0 without a video stream).
    int32_t CountFrames(CAVIFile& source) const;
    void SetTotalFrames(int32_t total);
    // Where interval n is written: the temp directory + "/" + n + ".avi".
    void SetTempDirectory(const std::string& directory) { m_strTempDirectory = directory; }
    std::string TempFileName(int32_t n) const;

    // Starting side: creates the temporary file of interval m_nPart with a
    // video stream like the source's, a compressing stream with the LOW or
    // FAST options and, when the source has audio, a stream like it. False
    // when there is no such interval or its file cannot be created (nothing
    // reported); false after a message when the compressor cannot be set up
    // (IsFailed() then tells the two apart).
    bool PrepareNextPart(CAVIFile& source, const CodecOptions& low, const CodecOptions& fast);
    // Worker: compresses the frames of interval m_nPart into the temporary
    // file, key frames where the source frame number is a multiple of the
    // frame rate, copies its audio, closes the file and moves on. Stops early
    // when the worker's abort flag is set. False when there was no interval.
    bool CompressPart(CAVIFile& source, CWorker& worker);

    const std::vector<std::string>& GetTempFiles() const { return m_listTempFiles; }
    int32_t GetTotalFrames() const { return m_nTotalFrames; }
    int32_t GetFramesDone() const { return m_nFramesDone; }
    // A part could not be prepared or written properly (a message was shown).
    bool IsFailed() const { return m_bFailed; }
    // Closes the temporary file and drops its compressing stream.
    void CloseTemp();

    CIniFile& GetStore() { return m_store; }
    const CIniFile& GetStore() const { return m_store; }

private:
    // The frames of all intervals in `video`, each clamped to the movie.
    int64_t CoveredFrames(const CAVIStream& video) const;
    void ShowPosition();
    // False when the audio could not be copied (a message said why).
    bool CopyPartAudio(CAVIFile& source, const Interval& interval);

    int32_t m_nTotalFrames = 0;
    IHost& m_host;
    int32_t m_nFramesDone = 0;
    std::vector<std::string> m_listTempFiles;
    std::unique_ptr<CAviCompressedStream> m_pCompressedStream;
    CAVIFile m_aviTemp;
    CIniFile m_store;
    int32_t m_nPart = 0;
    std::string m_strTempDirectory;
    bool m_bFailed = false;
};
