#include "database/CMovieDataBase.h"

#include "encoding/EncodingPart.h"
#include "media/CAVIStream.h"
#include "media/IHost.h"
#include "platform/CAviCompressedStream.h"
#include "platform/CodecOptions.h"
#include "platform/EncoderSettings.h"

#include <cstdio>
#include <cstdlib>

namespace {
const char* const kCommentDataBase = "Important Informations about the current movie data base";
const char* const kCommentFps = "FramePerSeconds = Frames per seconds of the original movie";
const char* const kCommentWidth = "ResolutionX = Width of the original Movie";
const char* const kCommentHeight = "ResolutionY = Height of the original Movie";
const char* const kCommentCheckPoints =
    "CheckPoints are used to synchronize different original movies with different movie data bases";
const char* const kCommentIntervals = "List of encoding parts with low or fast motion";

// Width and height of the decoded frame 0; false when it cannot be decoded.
bool FrameSize(CAVIStream& video, int32_t& width, int32_t& height) {
    const uint8_t* frame = video.GetFrame(0);
    BitmapInfoHeader header;
    if (!frame || !ParseBitmapInfoHeader(frame, kBitmapInfoHeaderSize, header))
        return false;
    width = header.biWidth;
    height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return true;
}
} // namespace

CMovieDataBase::CMovieDataBase(IHost& host) : m_host(host), m_aviTemp(host) {}

CMovieDataBase::~CMovieDataBase() {
    CloseTemp();
}

void CMovieDataBase::InitDefaults() {
    m_store.SetComment(SECTION_DATABASE, kCommentDataBase);
    m_store.SetFloat(SECTION_DATABASE, "Version", 1.0f);
    m_store.SetComment(SECTION_MOVIE, kCommentFps);
    m_store.SetComment(SECTION_MOVIE, kCommentWidth);
    m_store.SetComment(SECTION_MOVIE, kCommentHeight);
    m_store.SetInt(SECTION_MOVIE, "FramePerSeconds", -1);
    m_store.SetInt(SECTION_MOVIE, "ResolutionX", -1);
    m_store.SetInt(SECTION_MOVIE, "ResolutionY", -1);
    m_store.SetComment(SECTION_CHECKPOINTS, kCommentCheckPoints);
    m_nPart = 0;
}

bool CMovieDataBase::StoreMovieInfo(CAVIFile& movie) {
    CAVIStream* video = movie.GetStream(movie.GetVideoIndex());
    int32_t width = 0;
    int32_t height = 0;
    if (!video || !FrameSize(*video, width, height))
        return false;
    m_store.SetInt(SECTION_MOVIE, "FramePerSeconds", video->GetFramesPerSecond());
    m_store.SetInt(SECTION_MOVIE, "ResolutionX", width);
    m_store.SetInt(SECTION_MOVIE, "ResolutionY", height);
    return true;
}

void CMovieDataBase::AddInterval(int32_t startMs, int32_t endMs, bool isLow) {
    if (m_nPart == 0)
        m_store.SetComment(SECTION_INTERVALS, kCommentIntervals);
    const std::string n = std::to_string(m_nPart);
    m_store.SetInt(SECTION_INTERVALS, "StartTime" + n, startMs);
    m_store.SetInt(SECTION_INTERVALS, "EndTime" + n, endMs);
    m_store.SetInt(SECTION_INTERVALS, "Part" + n, isLow ? 1 : 0);
    ++m_nPart;
}

bool CMovieDataBase::SaveToFile(const std::string& path) {
    try {
        return m_store.Save(path);
    } catch (const CIniFileError&) {
        return false;
    }
}

bool CMovieDataBase::LoadFromFile(const std::string& path) {
    m_store.Clear();
    try {
        return m_store.Load(path);
    } catch (const CIniFileError&) {
        m_store.Clear();
        return false;
    }
}

bool CMovieDataBase::CheckCompatibility(CAVIFile* movie) {
    if (!movie)
        return true;
    int32_t storedWidth = 0;
    int32_t storedHeight = 0;
    if (!m_store.GetInt(SECTION_MOVIE, "ResolutionX", storedWidth))
        m_host.ShowWarning("Warning: Original Movie Width not found!");
    if (!m_store.GetInt(SECTION_MOVIE, "ResolutionY", storedHeight))
        m_host.ShowWarning("Warning: Original Movie Height not found!");
    CAVIStream* video = movie->GetStream(movie->GetVideoIndex());
    if (!video)
        return true;
    int32_t width = 0;
    int32_t height = 0;
    FrameSize(*video, width, height);
    if (width == storedWidth && height == storedHeight)
        return true;
    char text[256];
    std::snprintf(text, sizeof text,
                  "Warning: Movie Data Base is not compatible with the current source movie.\r\n\r\n"
                  "Source Movie Resolution: %d x %d\r\nMovie Data Base Resolution: %d x %d",
                  width, height, storedWidth, storedHeight);
    return m_host.MessageBox(text, "Warning!", EMessageButtons::YesNo, EMessageKind::Question) == IDYES;
}

bool CMovieDataBase::SaveCodecOptions(const std::string& section, const std::string& prefix,
                                      const CodecOptions& options) {
    m_store.SetInt(section, prefix + "BufferSize", static_cast<int32_t>(options.cbParms()));
    for (size_t i = 0; i < options.lpParms.size(); ++i)
        m_store.SetInt(section, "Byte" + std::to_string(i), options.lpParms[i]);
    const std::pair<const char*, uint32_t> fields[] = {
        {"fccType", options.fccType},
        {"fccHandler", options.fccHandler},
        {"dwKeyFrameEvery", options.dwKeyFrameEvery},
        {"dwQuality", options.dwQuality},
        {"dwBytesPerSecond", options.dwBytesPerSecond},
        {"dwFlags", options.dwFlags},
        {"dwInterleaveEvery", options.dwInterleaveEvery},
    };
    // Written as signed numbers: a field with its top bit set comes out
    // negative and reads back to the same 32 bits.
    for (const auto& [name, value] : fields)
        m_store.SetInt(section, prefix + name, static_cast<int32_t>(value));
    return true;
}

bool CMovieDataBase::LoadCodecOptions(const std::string& section, const std::string& prefix,
                                      CodecOptions* options) {
    if (!options)
        return false;
    options->Clear();
    const std::pair<const char*, uint32_t*> fields[] = {
        {"fccType", &options->fccType},
        {"fccHandler", &options->fccHandler},
        {"dwKeyFrameEvery", &options->dwKeyFrameEvery},
        {"dwQuality", &options->dwQuality},
        {"dwBytesPerSecond", &options->dwBytesPerSecond},
        {"dwFlags", &options->dwFlags},
        {"dwInterleaveEvery", &options->dwInterleaveEvery},
    };
    for (const auto& [name, field] : fields) {
        int32_t value = 0;
        m_store.GetInt(section, prefix + name, value);
        *field = static_cast<uint32_t>(value);
    }
    int32_t count = 0;
    m_store.GetInt(section, prefix + "BufferSize", count);
    // The size comes from a file someone else wrote: allocating whatever it
    // claims would let a single line exhaust the memory.
    if (count < 0 || static_cast<uint64_t>(count) > kMaxEncoderSettingsBytes) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "The compressor settings in section [%s] claim a state block of %d bytes; at most %d "
                      "are possible. The data base is damaged.",
                      section.c_str(), count, static_cast<int>(kMaxEncoderSettingsBytes));
        m_host.ShowError(text);
        options->Clear();
        return false;
    }
    options->lpParms.assign(static_cast<size_t>(count), 0);
    for (int32_t i = 0; i < count; ++i) {
        int32_t value = 0;
        m_store.GetInt(section, "Byte" + std::to_string(i), value);
        options->lpParms[static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
    }
    return true;
}

bool CMovieDataBase::Export(IHost& host, const std::string& sourcePath, const std::vector<EncodingPart>& rows,
                            const CodecOptions& low, const CodecOptions& fast, const std::string& path,
                            std::string& status) {
    CMovieDataBase base(host);
    base.InitDefaults();
    CAVIFile source(host);
    if (!source.Open(sourcePath, true)) {
        status = "Error: Can´t open the original movie " + sourcePath;
        return false;
    }
    CAVIStream* video = source.GetStream(source.GetVideoIndex());
    if (!video || !base.StoreMovieInfo(source)) {
        status = "Error: No video in the original movie " + sourcePath;
        source.Close();
        return false;
    }
    for (const EncodingPart& row : rows)
        base.AddInterval(video->SampleToTime(row.GetStart()), video->SampleToTime(row.GetEnd()), row.IsLow());
    base.SaveLowCodec(low);
    base.SaveFastCodec(fast);
    const bool saved = base.SaveToFile(path);
    status = saved ? path + " sucessfully exported." : "Error: Can´t save " + path;
    source.Close();
    return saved;
}

bool CMovieDataBase::Import(const std::string& path, CodecOptions& low, CodecOptions& fast,
                            std::string& status) {
    if (!LoadFromFile(path)) {
        status = "Error: Can´t load " + path;
        return false;
    }
    // Both sections are read (and both refusals shown) before giving up.
    const bool lowLoaded = LoadLowCodec(&low);
    const bool fastLoaded = LoadFastCodec(&fast);
    if (!lowLoaded || !fastLoaded) {
        status = "Error: Can´t load " + path;
        return false;
    }
    status = path + " sucessfully imported.";
    return true;
}

bool CMovieDataBase::GetInterval(int32_t n, Interval& interval) const {
    const std::string key = std::to_string(n);
    Interval read;
    if (!m_store.GetInt(SECTION_INTERVALS, "StartTime" + key, read.startMs))
        return false;
    m_store.GetInt(SECTION_INTERVALS, "EndTime" + key, read.endMs);
    int32_t part = 1;
    m_store.GetInt(SECTION_INTERVALS, "Part" + key, part);
    read.isLow = part != 0;
    interval = read;
    return true;
}

int32_t CMovieDataBase::CountIntervals() const {
    int32_t n = 0;
    Interval interval;
    while (GetInterval(n, interval))
        ++n;
    return n;
}
