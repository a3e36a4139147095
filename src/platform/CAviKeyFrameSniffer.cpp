#include "platform/CAviKeyFrameSniffer.h"

#include "platform/AviChunkId.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {
std::string Upper(FOURCC fcc) {
    std::string s = FourCCToString(fcc);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool OneOf(const std::string& code, std::initializer_list<const char*> list) {
    for (const char* c : list)
        if (code == c)
            return true;
    return false;
}

// Enough for the sequence headers and user data that precede the picture
// header of a key frame (H.264 encoders put several hundred bytes of SEI first).
constexpr size_t kPeek = 2048;
} // namespace

CAviKeyFrameSniffer::CAviKeyFrameSniffer(const AviStreamHeaders& stream) {
    if (stream.info.fccType != streamtypeVIDEO) {
        m_kind = Kind::Audio;
        return;
    }
    BitmapInfoHeader bih;
    FOURCC fcc = stream.info.fccHandler;
    if (ParseBitmapInfoHeader(stream.format.data(), stream.format.size(), bih))
        fcc = bih.biCompression;
    if (fcc == BI_RGB || fcc == 3 /* BI_BITFIELDS */) {
        m_kind = Kind::Intra;
        return;
    }
    const std::string code = Upper(fcc);
    if (OneOf(code, {"DIVX", "DX50", "XVID", "FMP4", "MP4V", "M4S2", "MP4S", "3IV2", "RMP4", "UMP4", "SEDG",
                     "WV1F", "BLZ0", "DXGM", "XVIX", "DIV5"}))
        m_kind = Kind::Mpeg4;
    else if (OneOf(code,
                   {"DIV3", "DIV4", "MP43", "DIV6", "AP41", "COL1", "MPG3", "DVX3", "3IVD", "MP42", "DIV2"}))
        m_kind = Kind::MsMpeg4;
    else if (OneOf(code, {"MPG4", "MP41", "DIV1"}))
        m_kind = Kind::MsMpeg4v1;
    else if (OneOf(code, {"H264", "X264", "AVC1", "DAVC", "VSSH"}))
        m_kind = Kind::H264;
    else if (OneOf(code,
                   {"MJPG", "LJPG", "JPEG", "DMB1", "AVRN", "DIB ", "RGB ", "RAW ", "HFYU", "FFVH", "Y800",
                    "YUY2", "UYVY", "YV12", "I420", "IYUV", "YV16", "Y41P", "CRAM", "MSVC", "WHAM", "DVSD",
                    "CDVC", "MJ2C", "PNG ", "MPNG", "UTVD", "ULRG", "ULY0", "ULY2", "MAGY"}))
        m_kind = Kind::Intra;
}

size_t CAviKeyFrameSniffer::PeekSize() const {
    switch (m_kind) {
    case Kind::Mpeg4:
    case Kind::H264:
        return kPeek;
    case Kind::MsMpeg4:
    case Kind::MsMpeg4v1:
        return 5;
    default:
        return 0;
    }
}

bool CAviKeyFrameSniffer::IsKey(const uint8_t* head, size_t have, uint32_t size) const {
    if (m_kind == Kind::Audio)
        return true;
    if (size == 0)
        return false; // a dropped frame
    switch (m_kind) {
    case Kind::Mpeg4:
        // The first picture (VOP start code 00 00 01 B6) decides: its two top
        // bits are the coding type, 0 = intra. Packed B-frames follow it.
        for (size_t i = 0; i + 4 < have; ++i)
            if (head[i] == 0 && head[i + 1] == 0 && head[i + 2] == 1 && head[i + 3] == 0xB6)
                return (head[i + 4] >> 6) == 0;
        return false;
    case Kind::MsMpeg4:
        // The picture header starts with the 2-bit picture type, 0 = intra.
        return have >= 1 && (head[0] >> 6) == 0;
    case Kind::MsMpeg4v1:
        // A 32-bit start code and 5 bits precede the picture type.
        return have >= 5 && AviGet32(head) == 0x00010000 && ((head[4] >> 1) & 3) == 0;
    case Kind::H264:
        // Annex B stream: an IDR slice (NAL type 5) makes a key frame.
        for (size_t i = 0; i + 3 < have; ++i)
            if (head[i] == 0 && head[i + 1] == 0 && head[i + 2] == 1 && (head[i + 3] & 0x1F) == 5)
                return true;
        return false;
    default:
        return true;
    }
}
