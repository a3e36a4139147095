#include "platform/CAviHeaderSerializer.h"

#include "platform/CRiffBuilder.h"

namespace {
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr size_t kDmlhSize = 248;
constexpr size_t kOdmlTotal = 12 + 8 + kDmlhSize;

void PutStreamHeader(CRiffBuilder& b, const AviStreamInfo& i) {
    b.BeginChunk(MakeFourCC('s', 't', 'r', 'h'));
    b.Put32(i.fccType);
    b.Put32(i.fccHandler);
    b.Put32(i.dwFlags);
    b.Put16(i.wPriority);
    b.Put16(i.wLanguage);
    b.Put32(i.dwInitialFrames);
    b.Put32(i.dwScale);
    b.Put32(i.dwRate);
    b.Put32(i.dwStart);
    b.Put32(i.dwLength);
    b.Put32(i.dwSuggestedBufferSize);
    b.Put32(i.dwQuality);
    b.Put32(i.dwSampleSize);
    b.Put16(static_cast<uint16_t>(i.rcFrame.left));
    b.Put16(static_cast<uint16_t>(i.rcFrame.top));
    b.Put16(static_cast<uint16_t>(i.rcFrame.right));
    b.Put16(static_cast<uint16_t>(i.rcFrame.bottom));
    b.EndChunk();
}
} // namespace

uint32_t CAviHeaderSerializer::IndexChunkId(int stream) {
    return MakeFourCC('i', 'x', static_cast<char>('0' + stream / 10 % 10),
                      static_cast<char>('0' + stream % 10));
}

std::vector<uint8_t> CAviHeaderSerializer::Build(const AviMainHeader& main,
                                                 const std::vector<AviHeaderStream>& streams, bool openDml,
                                                 uint32_t dmlhTotalFrames, uint32_t riffSize) const {
    CRiffBuilder b;
    b.Put32(MakeFourCC('R', 'I', 'F', 'F'));
    b.Put32(riffSize);
    b.Put32(MakeFourCC('A', 'V', 'I', ' '));

    b.BeginList(kList, MakeFourCC('h', 'd', 'r', 'l'));
    b.BeginChunk(MakeFourCC('a', 'v', 'i', 'h'));
    b.Put32(main.dwMicroSecPerFrame);
    b.Put32(main.dwMaxBytesPerSec);
    b.Put32(0); // dwPaddingGranularity
    b.Put32(main.dwFlags);
    b.Put32(main.dwTotalFrames);
    b.Put32(0); // dwInitialFrames
    b.Put32(main.dwStreams);
    b.Put32(main.dwSuggestedBufferSize);
    b.Put32(main.dwWidth);
    b.Put32(main.dwHeight);
    b.PutZeros(16); // dwReserved
    b.EndChunk();

    for (const AviHeaderStream& s : streams) {
        b.BeginList(kList, MakeFourCC('s', 't', 'r', 'l'));
        PutStreamHeader(b, s.info);
        b.PutChunk(MakeFourCC('s', 't', 'r', 'f'), s.format ? s.format->data() : nullptr,
                   s.format ? s.format->size() : 0);
        const size_t indxTotal = 8 + 24 + 16ull * m_reserved;
        if (openDml) {
            b.BeginChunk(MakeFourCC('i', 'n', 'd', 'x'));
            b.Put16(4); // wLongsPerEntry
            b.Put8(0);  // bIndexSubType
            b.Put8(0);  // bIndexType: an index of indexes
            b.Put32(static_cast<uint32_t>(s.superIndex.size()));
            b.Put32(s.chunkId);
            b.PutZeros(12);
            for (const AviSuperIndexEntry& e : s.superIndex) {
                b.Put64(e.qwOffset);
                b.Put32(e.dwSize);
                b.Put32(e.dwDuration);
            }
            b.PutZeros(16ull * (m_reserved - s.superIndex.size()));
            b.EndChunk();
        } else {
            b.PutJunk(indxTotal);
        }
        if (!s.info.szName.empty())
            b.PutChunk(MakeFourCC('s', 't', 'r', 'n'), s.info.szName.c_str(), s.info.szName.size() + 1);
        b.EndList();
    }

    if (openDml) {
        b.BeginList(kList, MakeFourCC('o', 'd', 'm', 'l'));
        b.BeginChunk(MakeFourCC('d', 'm', 'l', 'h'));
        b.Put32(dmlhTotalFrames);
        b.PutZeros(kDmlhSize - 4);
        b.EndChunk();
        b.EndList();
    } else {
        b.PutJunk(kOdmlTotal);
    }
    b.EndList();
    return std::move(b.Bytes());
}
