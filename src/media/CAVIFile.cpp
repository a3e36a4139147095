#include "media/CAVIFile.h"

#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/COpenFileRegistry.h"

#include <climits>
#include <cstdlib>
#include <filesystem>

CAVIFile::CAVIFile(IHost& host) : m_host(host) {}

CAVIFile::~CAVIFile() {
    Close();
}

bool CAVIFile::Open(const std::string& path, bool showError) {
    if (m_bOpen)
        Close();
    m_strFileName = path;
    m_strLastError.clear();
    m_file = AviOpenRead(path, &m_strLastError);
    if (!m_file) {
        if (showError)
            m_host.ShowError("Failed to open AVI File: " + path);
        return false;
    }
    m_bOpen = true;
    m_info = m_file->Info();
    for (int i = 0;; ++i) {
        IAviStream* handle = m_file->GetStream(i);
        if (!handle)
            break;
        auto stream = std::make_unique<CAVIStream>(m_host);
        stream->Attach(handle);
        stream->SetNumber(i);
        if (stream->GetType() == CAVIStream::TYPE_VIDEO && m_nVideoIndex == -1)
            m_nVideoIndex = i;
        if (stream->GetType() == CAVIStream::TYPE_AUDIO && m_nAudioIndex == -1)
            m_nAudioIndex = i;
        m_mapStreams[i] = std::move(stream);
        m_nStreams = i + 1;
    }
    return true;
}

bool CAVIFile::Create(const std::string& path) {
    Close();
    m_strFileName = path;
    m_strLastError.clear();
    // Set by every attempt, so that a later Close is always safe.
    m_bOpen = true;
    if (COpenFileRegistry::IsOpen(path)) {
        // Creating it would destroy a movie that is being read from.
        m_strLastError = "the file is open as an input.";
        m_host.ShowError("Cannot create " + path + ": the file is open as an input.");
        return false;
    }
    // Only a file (or a link to one) is replaced; a device, pipe or folder
    // of that name is left to the file layer, which refuses or writes it.
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (!ec && (std::filesystem::is_regular_file(status) || std::filesystem::is_symlink(status)))
        std::filesystem::remove(path, ec);
    // Finishing a long file may take a while: a stop or pause of the job
    // that closes it reaches it there too.
    AviWriterOptions options = m_writerOptions;
    if (!options.keepGoing)
        options.keepGoing = [] { return CAVIStream::TakePasteStep(); };
    m_file = AviCreate(path, options, &m_strLastError);
    return m_file != nullptr;
}

void CAVIFile::Discard() {
    for (auto& entry : m_mapStreams)
        entry.second->Release();
    m_mapStreams.clear();
    if (m_file)
        m_file->Discard();
    m_file.reset();
    Close();
}

bool CAVIFile::Close() {
    for (auto& entry : m_mapStreams)
        entry.second->Release();
    m_mapStreams.clear();
    bool ok = true;
    if (m_file) {
        std::string error;
        ok = m_file->Close(&error);
        const bool stopped = m_file->WasStopped();
        m_file.reset();
        if (!ok) {
            m_strLastError = error;
            // A stop is the user's wish, not an error to tell about.
            if (!stopped)
                m_host.ShowError("Failed to finish AVI File: " + m_strFileName + "\n" + error);
        }
    }
    m_strFileName.clear();
    m_nStreams = 0;
    m_nVideoIndex = -1;
    m_nAudioIndex = -1;
    m_info = AviFileInfo();
    m_bOpen = false;
    return ok;
}

int32_t CAVIFile::GetLength() const {
    return static_cast<int32_t>(m_info.dwLength);
}

AviRect CAVIFile::GetFrameRect() const {
    if (!m_bOpen)
        return AviRect{-1, -1, -1, -1};
    return AviRect{0, 0, static_cast<int32_t>(m_info.dwWidth), static_cast<int32_t>(m_info.dwHeight)};
}

CAVIStream* CAVIFile::GetStream(int number) const {
    auto it = m_mapStreams.find(number);
    return it == m_mapStreams.end() ? nullptr : it->second.get();
}

int32_t CAVIFile::AddStream(CAVIStream* stream) {
    if (!stream)
        return -1;
    const int number = static_cast<int>(m_mapStreams.size());
    m_mapStreams[number].reset(stream);
    stream->SetNumber(number);
    if (stream->GetType() == CAVIStream::TYPE_VIDEO && m_nVideoIndex == -1)
        m_nVideoIndex = number;
    if (stream->GetType() == CAVIStream::TYPE_AUDIO && m_nAudioIndex == -1)
        m_nAudioIndex = number;
    ++m_nStreams;
    return number;
}

CAVIStream* CAVIFile::CreateStreamLike(CAVIFile& destination, int number, const void* format,
                                       int32_t formatSize) {
    CAVIStream* stream = GetStream(number);
    return stream ? stream->CreateCopyIn(destination, format, formatSize) : nullptr;
}

CJobResult CAVIFile::Paste(CAVIStream* source, int destination, int32_t first, int32_t end) {
    if (CAVIStream* stream = GetStream(destination))
        return stream->Paste(source, first, end, false);
    return CJobResult::Done();
}

int32_t CAVIFile::PrevKeyFrame(int number, int32_t sample) const {
    const CAVIStream* stream = GetStream(number);
    return stream ? stream->PrevKeyFrame(sample) : -1;
}

int32_t CAVIFile::NextKeyFrame(int number, int32_t sample) const {
    const CAVIStream* stream = GetStream(number);
    return stream ? stream->NextKeyFrame(sample) : -1;
}

bool CAVIFile::IsKeyFrame(int number, int32_t sample) const {
    const CAVIStream* stream = GetStream(number);
    return stream && stream->IsKeyFrame(sample);
}

int32_t CAVIFile::SampleToTime(int number, int32_t sample) const {
    const CAVIStream* stream = GetStream(number);
    return stream ? stream->SampleToTime(sample) : -1;
}

int64_t CAVIFile::ByteCount(int number, int32_t first, int32_t end) const {
    const CAVIStream* stream = GetStream(number);
    return stream ? stream->ByteCount(first, end) : -1;
}

CAVIStream* CAVIFile::CreateVideoStream(const uint8_t* packedDib, int framesPerSecond,
                                        const CAVIStream* timing) {
    BitmapInfoHeader bih;
    if (!m_file || framesPerSecond < 1 || !ParseBitmapInfoHeader(packedDib, kBitmapInfoHeaderSize, bih))
        return nullptr;
    AviStreamInfo info;
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = static_cast<uint32_t>(framesPerSecond);
    if (timing && timing->GetInfo().dwScale > 0 && timing->GetFramesPerSecond() == framesPerSecond) {
        info.dwScale = timing->GetInfo().dwScale;
        info.dwRate = timing->GetInfo().dwRate;
    }
    info.dwSuggestedBufferSize = bih.biSizeImage;
    // Top-down frames carry a negative height; the frame rectangle does not.
    info.rcFrame = AviRect{0, 0, bih.biWidth, bih.biHeight == INT32_MIN ? INT32_MAX : std::abs(bih.biHeight)};
    IAviStream* handle = m_file->CreateStream(info);
    if (!handle)
        return nullptr;
    auto* stream = new CAVIStream(m_host);
    stream->Attach(handle);
    return stream;
}

const AviReadReport* CAVIFile::GetReport() const {
    return m_file ? &m_file->Report() : nullptr;
}
