#include "platform/CAviReader.h"

#include "platform/AviLayout.h"
#include "platform/CAviChunkList.h"
#include "platform/CAviIdx1Parser.h"
#include "platform/CAviIndexRebuilder.h"
#include "platform/CAviLayoutParser.h"
#include "platform/COdmlIndexParser.h"
#include "platform/COpenFileRegistry.h"

#include <algorithm>

std::unique_ptr<IAviFile> AviOpenRead(const std::string& path, std::string* error) {
    auto reader = std::make_unique<CAviReader>();
    if (!reader->Open(path, error))
        return nullptr;
    return reader;
}

CAviReader::~CAviReader() {
    if (m_registered)
        COpenFileRegistry::Remove(m_path);
}

IAviStream* CAviReader::GetStream(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_streams.size())
        return nullptr;
    return m_streams[static_cast<size_t>(index)].get();
}

IAviStream* CAviReader::CreateStream(const AviStreamInfo&) {
    return nullptr; // read mode
}

bool CAviReader::Close(std::string*) {
    return true;
}

bool CAviReader::Open(const std::string& path, std::string* error) {
    if (!m_file->Open(path, error))
        return false;
    m_path = path;
    AviLayout layout;
    CAviLayoutParser parser(*m_file, m_report);
    if (!parser.Parse(layout, error)) {
        m_file->Close();
        return false;
    }
    // Every chunk has an 8-byte header, which bounds how many an honest
    // index can list.
    CAviChunkList list(layout.streams.size(), m_file->Size() / 8 + 1);
    FindChunks(layout, list);

    for (size_t i = 0; i < layout.streams.size(); ++i) {
        m_streams.push_back(std::make_unique<CAviReaderStream>(m_file, layout.streams[i]));
        m_streams.back()->TakeChunks(list.TakeStream(i));
    }
    for (size_t i = 0; i < m_streams.size(); ++i) {
        const std::string note = m_streams[i]->Finish();
        if (!note.empty())
            m_report.notes.push_back("stream " + std::to_string(i) + ": " + note);
    }
    FillInfo(layout);
    COpenFileRegistry::Add(m_path);
    m_registered = true;
    return true;
}

bool CAviReader::TryOdml(const AviLayout& layout, CAviChunkList& list) {
    std::string why;
    if (COdmlIndexParser(*m_file, layout).Parse(list, &why)) {
        m_report.opendml = true;
        m_report.notes.push_back("read the OpenDML indexes (indx, ix##): " + std::to_string(list.Size()) +
                                 " chunks");
        return true;
    }
    m_report.notes.push_back("the OpenDML index is not used: " + why);
    list.Clear();
    return false;
}

bool CAviReader::TryIdx1(const AviLayout& layout, CAviChunkList& list) {
    const bool extended = std::any_of(layout.movis.begin(), layout.movis.end(),
                                      [](const AviMoviList& m) { return m.extension; });
    if (extended) {
        m_report.notes.push_back("idx1 is not used: it covers only the first RIFF part");
        return false;
    }
    std::string why;
    bool absolute = false;
    if (CAviIdx1Parser(*m_file, layout).Parse(list, absolute, &why)) {
        m_report.idx1Absolute = absolute;
        m_report.notes.push_back(std::string("read idx1") + (absolute ? " (absolute offsets)" : "") + ": " +
                                 std::to_string(list.Size()) + " chunks");
        return true;
    }
    m_report.notes.push_back("idx1 is not used: " + why);
    list.Clear();
    return false;
}

void CAviReader::FindChunks(const AviLayout& layout, CAviChunkList& list) {
    const bool hasOdml = std::any_of(layout.streams.begin(), layout.streams.end(),
                                     [](const AviStreamHeaders& s) { return s.superIndexPos != 0; });
    // The OpenDML indexes cover every RIFF part; idx1 only the first.
    if (hasOdml && TryOdml(layout, list))
        return;
    if (layout.hasIdx1 && TryIdx1(layout, list))
        return;
    if (!hasOdml && !layout.hasIdx1)
        m_report.notes.push_back("the file has no index");
    m_report.indexRebuilt = true;
    CAviIndexRebuilder(*m_file, layout, m_report).Rebuild(list);
}

// The frame count callers see is what the video index holds: the header
// counts (avih, and dmlh for OpenDML files) are claims a cut or badly
// written file does not keep, and frames beyond the index cannot be read.
// Without video the headers' count is all there is.
void CAviReader::FillInfo(const AviLayout& layout) {
    m_info.dwMaxBytesPerSec = layout.maxBytesPerSec;
    m_info.dwFlags = layout.flags;
    m_info.dwCaps = 1; // can read
    m_info.dwStreams = static_cast<uint32_t>(m_streams.size());
    m_info.dwSuggestedBufferSize = layout.suggestedBufferSize;
    m_info.dwWidth = layout.width;
    m_info.dwHeight = layout.height;
    m_info.dwScale = layout.microSecPerFrame;
    m_info.dwRate = 1000000;
    m_info.szFileType = "AVI";
    const uint32_t claimed = layout.hasDmlh ? layout.dmlhTotalFrames : layout.totalFrames;
    m_info.dwLength = claimed;
    for (const auto& s : m_streams) {
        const AviStreamInfo si = s->Info();
        m_info.dwSuggestedBufferSize = std::max(m_info.dwSuggestedBufferSize, si.dwSuggestedBufferSize);
        if (!s->IsVideo())
            continue;
        m_info.dwLength = si.dwLength;
        if (m_info.dwLength != claimed)
            m_report.notes.push_back("the header counts " + std::to_string(claimed) +
                                     " frames, the video index " + std::to_string(m_info.dwLength));
        BitmapInfoHeader bih;
        if ((m_info.dwWidth == 0 || m_info.dwHeight == 0) &&
            ParseBitmapInfoHeader(s->Format().data(), s->Format().size(), bih)) {
            m_info.dwWidth = static_cast<uint32_t>(std::max(bih.biWidth, 0));
            m_info.dwHeight = bih.biHeight == INT32_MIN
                                  ? 0u
                                  : static_cast<uint32_t>(bih.biHeight < 0 ? -bih.biHeight : bih.biHeight);
        }
        break;
    }
}
