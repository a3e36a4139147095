#pragma once
// Plain data records of the AVI file format as they appear on disk and in the
// stream/file information the rest of the system reads. Field names follow the
// classic Video for Windows headers so code and file dumps read the same.

#include <cstdint>
#include <string>

using FOURCC = uint32_t;

constexpr FOURCC MakeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// "vids" as text; non-printable bytes come out as '?'.
std::string FourCCToString(FOURCC fcc);
// The first four characters of text (padded with blanks) as a FourCC.
FOURCC FourCCFromString(const std::string& text);

constexpr FOURCC streamtypeVIDEO = MakeFourCC('v', 'i', 'd', 's');
constexpr FOURCC streamtypeAUDIO = MakeFourCC('a', 'u', 'd', 's');

// Sample flags (AVIStreamWrite) and search flags (AVIStreamFindSample).
constexpr uint32_t AVIIF_KEYFRAME = 0x10;
constexpr uint32_t FIND_NEXT = 0x0001;
constexpr uint32_t FIND_PREV = 0x0004;
constexpr uint32_t FIND_KEY = 0x0010;
constexpr uint32_t FIND_ANY = 0x0020;

struct AviRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// AVISTREAMINFO: the stream header as the rest of the system sees it.
struct AviStreamInfo {
    FOURCC fccType = 0;
    FOURCC fccHandler = 0;
    uint32_t dwFlags = 0;
    uint32_t dwCaps = 0;
    uint16_t wPriority = 0;
    uint16_t wLanguage = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwStart = 0;
    uint32_t dwLength = 0;
    uint32_t dwInitialFrames = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwQuality = 0;
    uint32_t dwSampleSize = 0;
    AviRect rcFrame;
    uint32_t dwEditCount = 0;
    uint32_t dwFormatChangeCount = 0;
    std::string szName; // from 'strn', empty when absent
};

// AVIFILEINFO: what callers read of a whole file.
struct AviFileInfo {
    uint32_t dwMaxBytesPerSec = 0;
    uint32_t dwFlags = 0;
    uint32_t dwCaps = 0;
    uint32_t dwStreams = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwLength = 0; // frames of the movie (true total for OpenDML files)
    uint32_t dwEditCount = 0;
    std::string szFileType;
};

// BITMAPINFOHEADER, 40 bytes little-endian on disk.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
constexpr uint32_t BI_RGB = 0;
constexpr size_t kBitmapInfoHeaderSize = 40;

// WAVEFORMATEX, 18 bytes on disk (16 for a plain PCMWAVEFORMAT).
struct WaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr uint16_t WAVE_FORMAT_MPEG = 0x0050; // MPEG-1 layer I/II
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr uint16_t WAVE_FORMAT_DOLBY_AC3 = 0x2000;

// Little-endian (de)serialisation of the two format records. Parse functions
// return false when the buffer is too short; they never read past size.
bool ParseBitmapInfoHeader(const uint8_t* data, size_t size, BitmapInfoHeader& out);
void WriteBitmapInfoHeader(const BitmapInfoHeader& in, uint8_t* out40);
bool ParseWaveFormatEx(const uint8_t* data, size_t size, WaveFormatEx& out);
void WriteWaveFormatEx(const WaveFormatEx& in, uint8_t* out18);
