#include "platform/CAviLayoutParser.h"

#include "platform/AviChunkId.h"
#include "platform/CReadOnlyFile.h"

#include <algorithm>

namespace {
// No real file has more RIFF parts than this (1 GiB each); a cap keeps a file
// of tiny hostile parts from producing an endless list.
constexpr int kMaxRiffParts = 100000;
constexpr size_t kStrhMinSize = 48; // without rcFrame
constexpr size_t kStrhSize = 56;
constexpr size_t kAvihMinSize = 40; // up to dwHeight
} // namespace

void CAviLayoutParser::Note(const std::string& text) {
    m_report.notes.push_back(text);
}

bool CAviLayoutParser::ReadChunk(uint64_t pos, uint64_t end, Chunk& chunk) const {
    uint8_t h[8];
    if (pos > end || end - pos < 8 || !m_file.ReadAt(pos, h, 8))
        return false;
    chunk.id = AviGet32(h);
    chunk.size = AviGet32(h + 4);
    chunk.pos = pos;
    return true;
}

bool CAviLayoutParser::ReadListType(const Chunk& chunk, FOURCC& type) const {
    uint8_t t[4];
    if (chunk.size < 4 || !m_file.ReadAt(chunk.Data(), t, 4))
        return false;
    type = AviGet32(t);
    return true;
}

bool CAviLayoutParser::IsMoviWithoutSize(const Chunk& c) const {
    uint8_t t[4];
    return m_file.ReadAt(c.Data(), t, 4) && AviGet32(t) == kFccMovi;
}

bool CAviLayoutParser::Parse(AviLayout& layout, std::string* error) {
    const uint64_t fileSize = m_file.Size();
    Chunk riff;
    FOURCC form = 0;
    if (!ReadChunk(0, fileSize, riff) || riff.id != kFccRIFF || !ReadListType(riff, form) ||
        form != kFccAVI) {
        if (error)
            *error = "not an AVI file (no 'RIFF AVI ' header)";
        return false;
    }
    uint64_t pos = 0;
    while (pos < fileSize && layout.riffParts < kMaxRiffParts) {
        if (!ReadChunk(pos, fileSize, riff) || riff.id != kFccRIFF || !ReadListType(riff, form) ||
            (form != kFccAVI && form != kFccAVIX) || (layout.riffParts > 0 && form != kFccAVIX)) {
            Note("ignored " + std::to_string(fileSize - pos) + " bytes after the last RIFF part");
            break;
        }
        uint64_t end = riff.End();
        if (riff.size < 4) {
            // A writer that died before fixing the size up leaves 0 here.
            Note("RIFF part " + std::to_string(layout.riffParts) +
                 " has no size; read up to the end of the file");
            end = fileSize;
        } else if (end > fileSize) {
            m_report.truncated = true;
            Note("the file ends inside RIFF part " + std::to_string(layout.riffParts));
            end = fileSize;
        }
        const bool first = layout.riffParts == 0;
        ++layout.riffParts;
        if (!first)
            m_report.opendml = true;
        const uint64_t reached = WalkRiffPart(riff.Data() + 4, end, first, layout, error);
        if (m_failed)
            return false;
        pos = std::max(end, reached);
        pos += pos & 1;
    }
    if (!m_sawHdrl) {
        if (error)
            *error = m_report.truncated ? "the file ends before its headers are complete"
                                        : "no AVI header list ('hdrl') in the file";
        return false;
    }
    if (layout.movis.empty()) {
        if (error)
            *error =
                m_report.truncated ? "the file ends before its movie data" : "no movie data list ('movi')";
        return false;
    }
    return true;
}

// Walks the children of one RIFF part; returns the furthest end reached (a
// movi list may run past a RIFF size that a writer forgot to update).
uint64_t CAviLayoutParser::WalkRiffPart(uint64_t start, uint64_t end, bool first, AviLayout& layout,
                                        std::string* error) {
    const uint64_t fileSize = m_file.Size();
    uint64_t reached = end;
    Chunk c;
    for (uint64_t p = start; ReadChunk(p, end, c); p = c.Next()) {
        FOURCC type = 0;
        const bool isList = c.id == kFccLIST && ReadListType(c, type);
        if (c.id == kFccLIST && c.size < 4 && m_sawHdrl && IsMoviWithoutSize(c)) {
            // A writer that stopped before fixing the size up: the data runs
            // to the end of the file.
            AviMoviList movi;
            movi.fccPos = c.Data();
            movi.dataStart = c.Data() + 4;
            movi.end = fileSize;
            movi.extension = !first;
            movi.cut = true;
            m_report.truncated = true;
            Note("a movie data list has no size; read up to the end of the file");
            layout.movis.push_back(movi);
            return fileSize;
        }
        if (isList && type == kFccHdrl && first && !m_sawHdrl) {
            m_sawHdrl = true;
            if (!ParseHdrl(c, layout, error)) {
                m_failed = true;
                return reached;
            }
        } else if (isList && type == kFccMovi && m_sawHdrl) {
            AviMoviList movi;
            movi.fccPos = c.Data();
            movi.dataStart = c.Data() + 4;
            movi.end = std::min<uint64_t>(c.End(), fileSize);
            movi.extension = !first;
            movi.cut = c.End() > fileSize;
            if (movi.cut) {
                m_report.truncated = true;
                Note("the file ends inside a movie data list");
            }
            layout.movis.push_back(movi);
        } else if (c.id == kFccIdx1 && first && !layout.hasIdx1) {
            if (c.End() > fileSize) {
                m_report.truncated = true;
                Note("the file ends inside the index (idx1); it is not used");
            } else {
                layout.hasIdx1 = true;
                layout.idx1Pos = c.Data();
                layout.idx1Size = c.size;
            }
        }
        if (c.End() > end) {
            if (c.End() > fileSize) {
                m_report.truncated = true;
                reached = fileSize;
            } else {
                reached = c.Next();
            }
            break;
        }
    }
    return reached;
}

bool CAviLayoutParser::ParseHdrl(const Chunk& list, AviLayout& layout, std::string* error) {
    if (list.End() > m_file.Size()) {
        if (error)
            *error = "the file ends before its headers are complete";
        return false;
    }
    bool sawAvih = false;
    Chunk c;
    for (uint64_t p = list.Data() + 4; ReadChunk(p, list.End(), c) && c.End() <= list.End(); p = c.Next()) {
        FOURCC type = 0;
        if (c.id == kFccAvih && !sawAvih) {
            sawAvih = ParseAvih(c, layout);
        } else if (c.id == kFccLIST && ReadListType(c, type) && type == kFccStrl) {
            if (layout.streams.size() >= kAviMaxStreams) {
                Note("more than " + std::to_string(kAviMaxStreams) + " streams; the rest are ignored");
                continue;
            }
            if (!ParseStrl(c, layout, error))
                return false;
        } else if (c.id == kFccLIST && type == kFccOdml) {
            ParseOdml(c, layout);
        }
    }
    if (!sawAvih) {
        if (error)
            *error = "no usable main AVI header ('avih')";
        return false;
    }
    return true;
}

bool CAviLayoutParser::ParseAvih(const Chunk& c, AviLayout& layout) {
    uint8_t d[56] = {};
    if (c.size < kAvihMinSize || !m_file.ReadAt(c.Data(), d, std::min<size_t>(c.size, sizeof d)))
        return false;
    layout.microSecPerFrame = AviGet32(d);
    layout.maxBytesPerSec = AviGet32(d + 4);
    layout.flags = AviGet32(d + 12);
    layout.totalFrames = AviGet32(d + 16);
    layout.suggestedBufferSize = AviGet32(d + 28);
    layout.width = AviGet32(d + 32);
    layout.height = AviGet32(d + 36);
    return true;
}

bool CAviLayoutParser::ParseStrh(const Chunk& c, AviStreamInfo& info) {
    uint8_t d[kStrhSize] = {};
    if (c.size < kStrhMinSize || !m_file.ReadAt(c.Data(), d, std::min<size_t>(c.size, sizeof d)))
        return false;
    info.fccType = AviGet32(d);
    info.fccHandler = AviGet32(d + 4);
    info.dwFlags = AviGet32(d + 8);
    info.wPriority = AviGet16(d + 12);
    info.wLanguage = AviGet16(d + 14);
    info.dwInitialFrames = AviGet32(d + 16);
    info.dwScale = AviGet32(d + 20);
    info.dwRate = AviGet32(d + 24);
    info.dwStart = AviGet32(d + 28);
    info.dwLength = AviGet32(d + 32);
    info.dwSuggestedBufferSize = AviGet32(d + 36);
    info.dwQuality = AviGet32(d + 40);
    info.dwSampleSize = AviGet32(d + 44);
    // rcFrame is stored as four 16-bit values.
    info.rcFrame.left = static_cast<int16_t>(AviGet16(d + 48));
    info.rcFrame.top = static_cast<int16_t>(AviGet16(d + 50));
    info.rcFrame.right = static_cast<int16_t>(AviGet16(d + 52));
    info.rcFrame.bottom = static_cast<int16_t>(AviGet16(d + 54));
    return true;
}

bool CAviLayoutParser::ParseStrl(const Chunk& list, AviLayout& layout, std::string* error) {
    AviStreamHeaders s;
    bool sawStrh = false;
    bool sawStrf = false;
    const std::string number = std::to_string(layout.streams.size());
    Chunk c;
    for (uint64_t p = list.Data() + 4; ReadChunk(p, list.End(), c) && c.End() <= list.End(); p = c.Next()) {
        if (c.id == kFccStrh && !sawStrh) {
            sawStrh = ParseStrh(c, s.info);
        } else if (c.id == kFccStrf && !sawStrf) {
            if (c.size > kAviMaxFormatSize) {
                if (error)
                    *error = "the format of stream " + number + " is too large (" + std::to_string(c.size) +
                             " bytes)";
                return false;
            }
            s.format.resize(c.size);
            if (!m_file.ReadAt(c.Data(), s.format.data(), c.size))
                s.format.clear();
            sawStrf = true;
        } else if (c.id == kFccStrn) {
            std::string name(std::min(c.size, kAviMaxNameSize), '\0');
            if (m_file.ReadAt(c.Data(), name.data(), name.size()))
                s.info.szName = name.substr(0, name.find('\0'));
        } else if (c.id == kFccIndx && s.superIndexPos == 0) {
            s.superIndexPos = c.Data();
            s.superIndexSize = c.size;
        }
    }
    if (!sawStrh) {
        if (error)
            *error = "stream " + number + " has no usable stream header ('strh')";
        return false;
    }
    if (!sawStrf)
        Note("stream " + number + " has no format ('strf')");
    layout.streams.push_back(std::move(s));
    return true;
}

void CAviLayoutParser::ParseOdml(const Chunk& list, AviLayout& layout) {
    Chunk c;
    for (uint64_t p = list.Data() + 4; ReadChunk(p, list.End(), c) && c.End() <= list.End(); p = c.Next()) {
        uint8_t d[4];
        if (c.id == kFccDmlh && c.size >= 4 && m_file.ReadAt(c.Data(), d, 4)) {
            layout.hasDmlh = true;
            layout.dmlhTotalFrames = AviGet32(d);
            return;
        }
    }
}
