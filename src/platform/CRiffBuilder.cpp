#include "platform/CRiffBuilder.h"

#include "platform/AviTypes.h"

void CRiffBuilder::Put16(uint16_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void CRiffBuilder::Put32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void CRiffBuilder::Put64(uint64_t v) {
    Put32(static_cast<uint32_t>(v));
    Put32(static_cast<uint32_t>(v >> 32));
}

void CRiffBuilder::PutBytes(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (size > 0)
        m_bytes.insert(m_bytes.end(), p, p + size);
}

void CRiffBuilder::Patch32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void CRiffBuilder::BeginChunk(uint32_t id) {
    Put32(id);
    m_open.push_back(m_bytes.size());
    Put32(0);
}

void CRiffBuilder::EndChunk() {
    const size_t at = m_open.back();
    m_open.pop_back();
    const size_t size = m_bytes.size() - at - 4;
    Patch32(at, static_cast<uint32_t>(size));
    if (size & 1)
        m_bytes.push_back(0);
}

void CRiffBuilder::BeginList(uint32_t listId, uint32_t type) {
    BeginChunk(listId);
    Put32(type);
}

void CRiffBuilder::PutChunk(uint32_t id, const void* data, size_t size) {
    BeginChunk(id);
    PutBytes(data, size);
    EndChunk();
}

void CRiffBuilder::PutJunk(size_t totalBytes) {
    Put32(MakeFourCC('J', 'U', 'N', 'K'));
    Put32(static_cast<uint32_t>(totalBytes - 8));
    PutZeros(totalBytes - 8);
}
