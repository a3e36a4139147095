#pragma once
// One opened or newly created AVI file with all its streams.

#include "media/CJobResult.h"
#include "platform/AviTypes.h"
#include "platform/IAviFile.h"

#include <map>
#include <memory>
#include <string>

class CAVIStream;
class IHost;

class CAVIFile {
public:
    explicit CAVIFile(IHost& host);
    virtual ~CAVIFile();
    CAVIFile(const CAVIFile&) = delete;
    CAVIFile& operator=(const CAVIFile&) = delete;

    bool Open(const std::string& path, bool showError = true);
    // Refused (false and a message) when this process has the path open for
    // reading: creating it would destroy an input.
    bool Create(const std::string& path);
    // Releases every stream and the file; a written file is finished on disk.
    // False (with a message) when a written file could not be completed.
    bool Close();
    // A file being written is dropped unfinished: nothing takes its name,
    // and a file that was there before stays as it was. A read file closes.
    void Discard();

    bool IsOpen() const { return m_bOpen; }
    const std::string& GetPath() const { return m_strFileName; }
    int32_t GetLength() const;
    int GetVideoIndex() const { return m_nVideoIndex; }
    int GetAudioIndex() const { return m_nAudioIndex; }
    int GetStreamCount() const { return m_nStreams; }
    AviRect GetFrameRect() const;
    CAVIStream* GetStream(int number) const;
    int32_t AddStream(CAVIStream* stream); // takes ownership

    CAVIStream* CreateStreamLike(CAVIFile& destination, int number, const void* format, int32_t formatSize);
    CJobResult Paste(CAVIStream* source, int destination, int32_t first, int32_t end);
    int32_t PrevKeyFrame(int number, int32_t sample) const;
    int32_t NextKeyFrame(int number, int32_t sample) const;
    bool IsKeyFrame(int number, int32_t sample) const;
    int32_t SampleToTime(int number, int32_t sample) const;
    int64_t ByteCount(int number, int32_t first, int32_t end) const;
    // A fresh video stream for frames like `packedDib` (BITMAPINFOHEADER first)
    // at `framesPerSecond`. When `timing` (the source being encoded) has that
    // whole-number rate, the new stream takes its exact rate instead: 29.97
    // stays 29.97, else the audio copied along would drift from the video.
    CAVIStream* CreateVideoStream(const uint8_t* packedDib, int framesPerSecond,
                                  const CAVIStream* timing = nullptr);

    const AviFileInfo& GetInfo() const { return m_info; }
    const AviReadReport* GetReport() const;
    IHost& GetHost() const { return m_host; }
    IAviFile* GetHandle() const { return m_file.get(); }
    // Why the last Open, Create or Close failed (the file layer's reason).
    const std::string& GetLastError() const { return m_strLastError; }
    // Options for files made by later Create calls (the OpenDML threshold).
    void SetWriterOptions(const AviWriterOptions& options) { m_writerOptions = options; }

private:
    IHost& m_host;
    bool m_bOpen = false;
    std::map<int, std::unique_ptr<CAVIStream>> m_mapStreams;
    std::string m_strFileName;
    int m_nStreams = 0;
    std::unique_ptr<IAviFile> m_file;
    AviFileInfo m_info;
    int m_nVideoIndex = -1;
    int m_nAudioIndex = -1;
    AviWriterOptions m_writerOptions;
    std::string m_strLastError;
};
