#pragma once
// Builds small RIFF AVI files byte by byte for reader tests that need
// structures ffmpeg does not write at these sizes (OpenDML parts, 'rec '
// lists, absolute idx1 offsets).

#include <cstdint>
#include <string>
#include <vector>

class CAviTestRiff {
public:
    // Opens a chunk ("RIFF"/"LIST" with a list type, or a plain chunk);
    // returns its position for End.
    size_t Begin(const char* id, const char* listType = nullptr);
    void End(size_t pos); // fills in the size, pads to an even length
    // A whole chunk; returns the position of its header.
    size_t Chunk(const char* id, const std::vector<uint8_t>& data);

    void U16(uint16_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
    void Fcc(const char* id);
    void Patch32(size_t pos, uint32_t v);
    void Patch64(size_t pos, uint64_t v);
    size_t Size() const { return m_bytes.size(); }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// 56-byte strh contents.
std::vector<uint8_t> TestStrh(const char* type, const char* handler, uint32_t scale, uint32_t rate,
                              uint32_t length, uint32_t sampleSize);
// 56-byte avih contents.
std::vector<uint8_t> TestAvih(uint32_t frames, uint32_t streams, uint32_t width, uint32_t height);
