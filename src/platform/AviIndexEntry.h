#pragma once
// One chunk of a stream's index: where its data lies, its size and key flag.
// Indexes hold one per chunk, hundreds of thousands for a long movie, so they
// keep it packed in 12 bytes (AviPackedEntry) and hand it out unpacked.

#include <cstdint>

struct AviIndexEntry {
    uint64_t offset = 0; // position of the chunk's data (not its header)
    uint32_t size = 0;   // bytes of data
    bool key = false;
};

// The offset in 63 bits (file positions are off_t, which is signed), the key
// flag in the 64th, the size in full 32 bits (an AVI 1.0 chunk may exceed
// 2 GiB). Three 32-bit words keep the entry at 12 bytes in an array.
class AviPackedEntry {
public:
    static constexpr uint64_t kMaxOffset = (1ull << 63) - 1;

    AviPackedEntry() = default;
    AviPackedEntry(uint64_t offset, uint32_t size, bool key)
        : m_offsetLow(static_cast<uint32_t>(offset)),
          m_offsetHighKey(static_cast<uint32_t>((offset >> 32) & 0x7FFFFFFFu) | (key ? kKeyBit : 0)),
          m_size(size) {}

    uint64_t Offset() const {
        return (static_cast<uint64_t>(m_offsetHighKey & ~kKeyBit) << 32) | m_offsetLow;
    }
    uint32_t Size() const { return m_size; }
    bool Key() const { return (m_offsetHighKey & kKeyBit) != 0; }
    void SetKey(bool key) { m_offsetHighKey = (m_offsetHighKey & ~kKeyBit) | (key ? kKeyBit : 0); }
    AviIndexEntry Unpack() const { return {Offset(), m_size, Key()}; }

private:
    static constexpr uint32_t kKeyBit = 0x80000000u;

    uint32_t m_offsetLow = 0;
    uint32_t m_offsetHighKey = 0;
    uint32_t m_size = 0;
};
static_assert(sizeof(AviPackedEntry) == 12, "index entries are packed in 12 bytes");
