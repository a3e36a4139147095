#include "platform/CAviWriter.h"

#include "platform/CAviHeaderSerializer.h"
#include "platform/CAviMuxPlan.h"
#include "platform/COpenFileRegistry.h"
#include "platform/CReadOnlyFile.h"
#include "platform/CRiffBuilder.h"

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace {
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr uint32_t kNonKeyBit = 0x80000000u;
// Streams are numbered with two digits in chunk ids.
constexpr size_t kMaxStreams = 100;
// Super index entries reserved per stream even in files that fit one RIFF,
// so that a file can be extended in place later.
constexpr uint32_t kReservedSuperIndexEntries = 256;
constexpr size_t kIndexBlockBytes = 64 * 1024;

uint32_t ClampU32(uint64_t v) {
    return static_cast<uint32_t>(std::min<uint64_t>(v, 0xFFFFFFFFu));
}
} // namespace

std::unique_ptr<IAviFile> AviCreate(const std::string& path, const AviWriterOptions& options,
                                    std::string* error) {
    auto writer = std::make_unique<CAviWriter>(options);
    if (!writer->Create(path, error))
        return nullptr;
    return writer;
}

CAviWriter::~CAviWriter() {
    // Like releasing a file in the classic services: what was written is
    // finished on disk.
    if (!m_closed)
        Close(nullptr);
}

bool CAviWriter::Create(const std::string& path, std::string* error) {
    if (COpenFileRegistry::IsOpen(path)) {
        if (error)
            *error = "the file is open for reading: " + path;
        return false;
    }
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (!m_out.Create(path, error))
        return false;
    m_path = path;
    if (!m_spool.Open(dir.string(), error)) {
        m_out.Discard();
        return false;
    }
    return true;
}

IAviStream* CAviWriter::GetStream(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_streams.size())
        return nullptr;
    return m_streams[static_cast<size_t>(index)].get();
}

IAviStream* CAviWriter::CreateStream(const AviStreamInfo& info) {
    if (m_closed || !m_spool.IsOpen() || m_streams.size() >= kMaxStreams)
        return nullptr;
    AviStreamInfo header = info;
    if (header.szName.size() > 255)
        header.szName.resize(255);
    m_streams.push_back(
        std::make_unique<CAviWriterStream>(m_spool, static_cast<int>(m_streams.size()), header));
    return m_streams.back().get();
}

const CAviWriterStream* CAviWriter::FirstVideo() const {
    for (const auto& s : m_streams)
        if (s->IsVideo())
            return s.get();
    return nullptr;
}

uint64_t CAviWriter::TotalDataBytes() const {
    uint64_t total = 0;
    for (const auto& s : m_streams)
        total += s->Index().TotalBytes();
    return total;
}

AviFileInfo CAviWriter::Info() const {
    AviFileInfo fi;
    fi.dwStreams = static_cast<uint32_t>(m_streams.size());
    fi.dwFlags = AVIF_HASINDEX | AVIF_ISINTERLEAVED;
    fi.szFileType = "AVI";
    uint64_t longestMs = 0;
    for (const auto& s : m_streams) {
        fi.dwSuggestedBufferSize = std::max(fi.dwSuggestedBufferSize, s->Info().dwSuggestedBufferSize);
        longestMs =
            std::max<uint64_t>(longestMs, static_cast<uint64_t>(std::max(0, s->SampleToTime(s->Length()))));
    }
    if (longestMs > 0)
        fi.dwMaxBytesPerSec = ClampU32((TotalDataBytes() * 1000 + longestMs - 1) / longestMs);
    if (const CAviWriterStream* v = FirstVideo()) {
        const AviStreamInfo vi = v->Info();
        fi.dwScale = vi.dwScale;
        fi.dwRate = vi.dwRate;
        fi.dwLength = vi.dwLength;
        BitmapInfoHeader bih;
        if (ParseBitmapInfoHeader(v->Format().data(), v->Format().size(), bih)) {
            fi.dwWidth =
                static_cast<uint32_t>(bih.biWidth < 0 ? -static_cast<int64_t>(bih.biWidth) : bih.biWidth);
            fi.dwHeight =
                static_cast<uint32_t>(bih.biHeight < 0 ? -static_cast<int64_t>(bih.biHeight) : bih.biHeight);
        } else {
            fi.dwWidth = static_cast<uint32_t>(std::max(0, vi.rcFrame.right - vi.rcFrame.left));
            fi.dwHeight = static_cast<uint32_t>(std::max(0, vi.rcFrame.bottom - vi.rcFrame.top));
        }
    }
    return fi;
}

void CAviWriter::Discard() {
    if (m_closed)
        return;
    m_closed = true;
    m_closeOk = false;
    m_closeError = "the file was discarded: " + m_path;
    m_out.Discard();
    m_spool.Close();
}

bool CAviWriter::Close(std::string* error) {
    if (!m_closed) {
        m_closed = true;
        std::string reason;
        m_closeOk = m_out.IsOpen() && Assemble(reason);
        // A half-written movie would look like a finished one: it never
        // takes the place of the file under that name.
        if (!m_closeOk)
            m_out.Discard();
        else if (!m_out.Close()) {
            m_closeOk = false;
            reason = m_out.Error();
        }
        m_spool.Close();
        if (!m_closeOk) {
            m_closeError =
                m_bStopped ? "stopped while finishing " + m_path
                           : "cannot write " + m_path + ": " + (reason.empty() ? "unknown error" : reason);
        }
    }
    if (!m_closeOk && error)
        *error = m_closeError;
    return m_closeOk;
}

bool CAviWriter::Assemble(std::string& error) {
    if (!m_spool.Flush()) {
        error = m_spool.Error();
        return false;
    }
    std::vector<AviMuxStream> mux;
    std::vector<AviHeaderStream> headers;
    for (const auto& s : m_streams) {
        mux.push_back({&s->Index(), s->RawInfo().dwRate, s->RawInfo().dwScale});
        AviHeaderStream h;
        h.info = s->Info();
        h.info.dwInitialFrames = 0; // the chunks are laid out by play time
        h.format = &s->Format();
        h.chunkId = s->ChunkId();
        headers.push_back(std::move(h));
    }
    AviMainHeader main = MainHeader();
    CAviMuxPlan plan;
    plan.Order(mux);
    size_t headerSize = 0;
    const uint32_t reserved = PlanLayout(plan, mux, main, headers, headerSize);

    const auto& parts = plan.Parts();
    const CAviWriterStream* video = FirstVideo();
    if (video)
        main.dwTotalFrames = parts.front().chunksPerStream[static_cast<size_t>(video->Number())];
    if (plan.IsOpenDml())
        ListSuperIndexes(plan, headers);
    const uint32_t dmlhFrames = video ? static_cast<uint32_t>(video->Length()) : 0;
    const std::vector<uint8_t> header = CAviHeaderSerializer(reserved).Build(
        main, headers, plan.IsOpenDml(), dmlhFrames, ClampU32(parts.front().end - 8));
    if (header.size() != headerSize) {
        error = "internal error: header size changed";
        return false;
    }
    for (size_t p = 0; p < parts.size(); ++p)
        if (!WritePart(plan, p, header)) {
            error = !m_inputError.empty() ? m_inputError : m_out.Failed() ? m_out.Error() : m_layoutError;
            return false;
        }
    return true;
}

AviMainHeader CAviWriter::MainHeader() const {
    const AviFileInfo fi = Info();
    AviMainHeader main;
    main.dwMaxBytesPerSec = fi.dwMaxBytesPerSec;
    main.dwFlags = AVIF_HASINDEX | AVIF_ISINTERLEAVED;
    main.dwStreams = fi.dwStreams;
    main.dwSuggestedBufferSize = fi.dwSuggestedBufferSize;
    main.dwWidth = fi.dwWidth;
    main.dwHeight = fi.dwHeight;
    const CAviWriterStream* video = FirstVideo();
    if (video && video->RawInfo().dwRate > 0)
        main.dwMicroSecPerFrame =
            ClampU32(static_cast<uint64_t>(video->RawInfo().dwScale) * 1000000ull / video->RawInfo().dwRate);
    return main;
}

uint32_t CAviWriter::PlanLayout(CAviMuxPlan& plan, const std::vector<AviMuxStream>& mux,
                                const AviMainHeader& main, const std::vector<AviHeaderStream>& headers,
                                size_t& headerSize) const {
    // The header holds one super index entry per RIFF part; a file with more
    // parts than reserved needs a larger header, which may move the cut.
    uint32_t reserved = kReservedSuperIndexEntries;
    for (;;) {
        headerSize = CAviHeaderSerializer(reserved).Build(main, headers, false, 0, 0).size();
        plan.Place(mux, headerSize, m_options.riffLimit);
        if (plan.Parts().size() <= reserved)
            return reserved;
        reserved = static_cast<uint32_t>(plan.Parts().size() + 16);
    }
}

void CAviWriter::ListSuperIndexes(const CAviMuxPlan& plan, std::vector<AviHeaderStream>& headers) const {
    for (size_t s = 0; s < m_streams.size(); ++s) {
        const uint32_t sampleSize = m_streams[s]->Index().SampleSize();
        for (const AviMuxPart& part : plan.Parts()) {
            const uint32_t n = part.chunksPerStream[s];
            if (n == 0)
                continue;
            uint64_t duration = n;
            if (sampleSize > 0) {
                uint64_t bytes = 0;
                for (size_t i = part.firstItem; i < part.endItem; ++i)
                    if (plan.Items()[i].stream == s)
                        bytes += m_streams[s]->Index().ChunkSize(plan.Items()[i].chunk);
                duration = bytes / sampleSize;
            }
            headers[s].superIndex.push_back(
                {part.ixPos[s], ClampU32(CAviMuxPlan::StandardIndexSize(n)), ClampU32(duration)});
        }
    }
}

bool CAviWriter::CopyInputChunk(const CAviWriterStream& stream, const AviIndexEntry& chunk, uint32_t origin) {
    const CReadOnlyFile* input = m_spool.Source(origin);
    if (!input)
        return false;
    CRiffBuilder header;
    header.Put32(stream.ChunkId());
    header.Put32(chunk.size);
    const uint8_t pad = 0;
    if (m_out.Write(header.Bytes().data(), header.Size()) &&
        m_out.CopyFrom(input->Fd(), chunk.offset, chunk.size) &&
        ((chunk.size & 1u) == 0 || m_out.Write(&pad, 1)))
        return true;
    // Name the file when it was cut since the chunk was handed over: a bare
    // read error would not say which movie to look at. (Asked only now: a
    // look at the file's size before every chunk costs a system call each.)
    if (!input->StillContains(chunk.offset, chunk.size))
        m_inputError = "the input file " + input->Path() + " was cut short";
    return false;
}

bool CAviWriter::WritePart(const CAviMuxPlan& plan, size_t partNumber, const std::vector<uint8_t>& header) {
    const AviMuxPart& part = plan.Parts()[partNumber];
    if (m_out.Position() != part.start)
        return false;
    CRiffBuilder lead;
    if (partNumber == 0) {
        lead.PutBytes(header.data(), header.size());
    } else {
        lead.Put32(MakeFourCC('R', 'I', 'F', 'F'));
        lead.Put32(ClampU32(part.end - part.start - 8));
        lead.Put32(MakeFourCC('A', 'V', 'I', 'X'));
    }
    lead.Put32(kList);
    lead.Put32(ClampU32(part.moviEnd - part.moviList - 8));
    lead.Put32(MakeFourCC('m', 'o', 'v', 'i'));
    if (!m_out.Write(lead.Bytes().data(), lead.Size()) || !WriteChunks(plan, part))
        return false;
    if (plan.IsOpenDml() && !PutStandardIndexes(plan, part))
        return false;
    if (partNumber == 0 && !PutIdx1(plan, part))
        return false;
    return m_out.Position() == part.end;
}

uint64_t CAviWriter::RecordSize(const AviMuxItem& item) const {
    return CAviMuxPlan::RecordSize(m_streams[item.stream]->Index().ChunkSize(item.chunk));
}

bool CAviWriter::WriteChunks(const CAviMuxPlan& plan, const AviMuxPart& part) {
    // Chunk records: the spool's in runs that lie back to back there, the
    // input files' one by one under our own chunk header.
    const auto& items = plan.Items();
    uint64_t pos = part.moviList + 12;
    size_t i = part.firstItem;
    while (i < part.endItem) {
        if (m_options.keepGoing && !m_options.keepGoing()) {
            m_bStopped = true;
            return false;
        }
        if (m_out.Position() != pos)
            return false;
        const CAviWriterStream& stream = *m_streams[items[i].stream];
        const AviIndexEntry first = stream.Index().Chunk(items[i].chunk);
        if (const uint32_t origin = stream.Origin(items[i].chunk); origin != 0) {
            if (!CopyInputChunk(stream, first, origin))
                return false;
            pos += CAviMuxPlan::RecordSize(first.size);
            ++i;
            continue;
        }
        const uint64_t runStart = first.offset - 8;
        uint64_t runEnd = runStart + CAviMuxPlan::RecordSize(first.size);
        size_t j = i + 1;
        for (; j < part.endItem; ++j) {
            const CAviWriterStream& next = *m_streams[items[j].stream];
            const AviIndexEntry e = next.Index().Chunk(items[j].chunk);
            if (next.Origin(items[j].chunk) != 0 || e.offset - 8 != runEnd)
                break;
            runEnd += CAviMuxPlan::RecordSize(e.size);
        }
        if (!m_out.CopyFrom(m_spool.Fd(), runStart, runEnd - runStart))
            return false;
        pos += runEnd - runStart;
        i = j;
    }
    return true;
}

// The indexes are written in blocks as they are made: one entry per chunk
// would take megabytes for a long movie if it were built whole first.
bool CAviWriter::FlushIndexBlock(CRiffBuilder& block, bool always) {
    if (!always && block.Size() < kIndexBlockBytes)
        return true;
    const bool ok = m_out.Write(block.Bytes().data(), block.Size());
    block.Bytes().clear();
    return ok;
}

bool CAviWriter::PutStandardIndexes(const CAviMuxPlan& plan, const AviMuxPart& part) {
    const auto& items = plan.Items();
    CRiffBuilder block;
    for (size_t s = 0; s < m_streams.size(); ++s) {
        const uint32_t n = part.chunksPerStream[s];
        if (n == 0)
            continue;
        if (m_out.Position() != part.ixPos[s])
            return false;
        const CAviWriterStream& stream = *m_streams[s];
        block.Put32(CAviHeaderSerializer::IndexChunkId(static_cast<int>(s)));
        block.Put32(ClampU32(CAviMuxPlan::StandardIndexSize(n) - 8));
        block.Put16(2); // wLongsPerEntry
        block.Put8(0);  // bIndexSubType
        block.Put8(1);  // bIndexType: an index of chunks
        block.Put32(n);
        block.Put32(stream.ChunkId());
        block.Put64(part.moviList); // qwBaseOffset
        block.Put32(0);
        uint64_t pos = part.moviList + 12;
        for (size_t k = part.firstItem; k < part.endItem; ++k) {
            const uint64_t record = RecordSize(items[k]);
            if (items[k].stream == s) {
                const AviIndexEntry e = stream.Index().Chunk(items[k].chunk);
                block.Put32(static_cast<uint32_t>(pos + 8 - part.moviList));
                block.Put32(e.size | (e.key ? 0 : kNonKeyBit));
                if (!FlushIndexBlock(block, false))
                    return false;
            }
            pos += record;
        }
        if (!FlushIndexBlock(block, true))
            return false;
    }
    return true;
}

bool CAviWriter::PutIdx1(const CAviMuxPlan& plan, const AviMuxPart& part) {
    const auto& items = plan.Items();
    const uint64_t moviFourCC = part.moviList + 8;
    CRiffBuilder block;
    block.Put32(MakeFourCC('i', 'd', 'x', '1'));
    block.Put32(ClampU32(16ull * (part.endItem - part.firstItem)));
    uint64_t pos = part.moviList + 12;
    for (size_t k = part.firstItem; k < part.endItem; ++k) {
        const CAviWriterStream& stream = *m_streams[items[k].stream];
        const AviIndexEntry e = stream.Index().Chunk(items[k].chunk);
        block.Put32(stream.ChunkId());
        block.Put32(e.key ? AVIIF_KEYFRAME : 0);
        block.Put32(static_cast<uint32_t>(pos - moviFourCC));
        block.Put32(e.size);
        pos += CAviMuxPlan::RecordSize(e.size);
        if (!FlushIndexBlock(block, false))
            return false;
    }
    return FlushIndexBlock(block, true);
}
