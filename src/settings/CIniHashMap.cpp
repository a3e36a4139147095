#include "settings/CIniHashMap.h"

uint32_t IniHashBucket(std::string_view key) {
    uint32_t h = 0;
    for (const char c : key) {
        // Bytes 0x80..0xFF count as negative (signed char), wrapping modulo 2^32.
        const int32_t signedByte = static_cast<int8_t>(static_cast<uint8_t>(c));
        h = h * 33u + static_cast<uint32_t>(signedByte);
    }
    return h % CIniHashMap<int>::BUCKET_COUNT;
}
