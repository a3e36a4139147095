#include "platform/EncoderSettings.h"

#include <cstdio>

namespace {
constexpr uint8_t kMagic[4] = {'F', 'M', 'E', 'S'};
constexpr size_t kPrefixBytes = 7; // magic, version, payload length
constexpr size_t kPayloadBytes = 24;
constexpr size_t kChecksumBytes = 4;
constexpr int kMaxCompareFunction = 14;

uint32_t Fnv1a(const uint8_t* data, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
uint32_t Get16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
}
uint32_t Get32(const uint8_t* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}

bool Fail(std::string* reason, const char* format, long long value = 0) {
    if (reason) {
        char text[160];
        std::snprintf(text, sizeof text, format, value);
        *reason = text;
    }
    return false;
}

bool InRange(long long value, long long low, long long high) {
    return value >= low && value <= high;
}
} // namespace

bool ValidateEncoderSettings(const EncoderSettings& s, std::string* reason) {
    if (s.preset > EncoderSettings::PRESET_LOSSLESS)
        return Fail(reason, "unknown preset %lld", s.preset);
    if (s.rateMode > EncoderSettings::RATE_QUANTISER)
        return Fail(reason, "unknown rate mode %lld", s.rateMode);
    if (!InRange(s.bitrateKbps, 8, 100000))
        return Fail(reason, "bit rate %lld kbit/s out of range 8..100000", s.bitrateKbps);
    if (!InRange(s.quantiser, 1, 31))
        return Fail(reason, "quantiser %lld out of range 1..31", s.quantiser);
    if (s.keyInterval > 100000)
        return Fail(reason, "key-frame interval %lld out of range 0..100000", s.keyInterval);
    if (s.qcompressPercent > 100)
        return Fail(reason, "qcompress %lld out of range 0..100", s.qcompressPercent);
    if (s.mbDecision > 2)
        return Fail(reason, "macroblock decision %lld out of range 0..2", s.mbDecision);
    if (!InRange(s.diaSize, -8, 8))
        return Fail(reason, "diamond size %lld out of range -8..8", s.diaSize);
    if (s.meCmp > kMaxCompareFunction || s.subCmp > kMaxCompareFunction)
        return Fail(reason, "compare function out of range 0..%lld", kMaxCompareFunction);
    if (s.lastPredictors > 8)
        return Fail(reason, "previous-frame predictors %lld out of range 0..8", s.lastPredictors);
    if (s.trellis > 1 || s.strictRate > 1)
        return Fail(reason, "on/off field holds %lld", s.trellis > 1 ? s.trellis : s.strictRate);
    if (!InRange(s.qmin, 1, 31) || !InRange(s.qmax, 1, 31) || s.qmin > s.qmax)
        return Fail(reason, "quantiser limits invalid (qmin %lld, both 1..31, qmin <= qmax)", s.qmin);
    if (s.passes < 1 || s.passes > 2)
        return Fail(reason, "passes %lld out of range 1..2", s.passes);
    if (s.bufferMs > 60000)
        return Fail(reason, "rate buffer %lld ms out of range 0..60000", s.bufferMs);
    return true;
}

std::vector<uint8_t> SerializeEncoderSettings(const EncoderSettings& s) {
    std::vector<uint8_t> payload;
    payload.push_back(s.preset);
    payload.push_back(s.rateMode);
    Put32(payload, s.bitrateKbps);
    payload.push_back(s.quantiser);
    Put32(payload, s.keyInterval);
    payload.push_back(s.qcompressPercent);
    payload.push_back(s.mbDecision);
    payload.push_back(static_cast<uint8_t>(s.diaSize));
    payload.push_back(s.meCmp);
    payload.push_back(s.subCmp);
    payload.push_back(s.lastPredictors);
    payload.push_back(s.trellis);
    payload.push_back(s.qmin);
    payload.push_back(s.qmax);
    Put16(payload, s.bufferMs);
    payload.push_back(s.strictRate);
    // Formerly reserved (0): one pass stays 0, so such blocks are unchanged.
    payload.push_back(s.passes == 2 ? 2 : 0);

    std::vector<uint8_t> out(kMagic, kMagic + 4);
    out.push_back(kEncoderSettingsVersion);
    Put16(out, static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    Put32(out, Fnv1a(payload.data(), payload.size()));
    return out;
}

bool ParseEncoderSettings(const uint8_t* data, size_t size, EncoderSettings& out, std::string* reason) {
    if (!data || size < kPrefixBytes)
        return Fail(reason, "state block too short (%lld bytes)", static_cast<long long>(size));
    for (int i = 0; i < 4; ++i)
        if (data[i] != kMagic[i])
            return Fail(reason, "state block is not ours (wrong magic)");
    if (data[4] != kEncoderSettingsVersion)
        return Fail(reason, "state block version %lld not supported", data[4]);
    const size_t payloadBytes = Get16(data + 5);
    if (payloadBytes != kPayloadBytes)
        return Fail(reason, "state block payload of %lld bytes, expected 24",
                    static_cast<long long>(payloadBytes));
    if (size != kPrefixBytes + kPayloadBytes + kChecksumBytes)
        return Fail(reason, "state block of %lld bytes, expected 35", static_cast<long long>(size));
    const uint8_t* p = data + kPrefixBytes;
    if (Get32(p + kPayloadBytes) != Fnv1a(p, kPayloadBytes))
        return Fail(reason, "state block checksum does not match");
    if (p[23] != 0 && p[23] != 2)
        return Fail(reason, "state block passes byte is %lld (0 or 2)", p[23]);

    EncoderSettings s;
    s.preset = p[0];
    s.rateMode = p[1];
    s.bitrateKbps = Get32(p + 2);
    s.quantiser = p[6];
    s.keyInterval = Get32(p + 7);
    s.qcompressPercent = p[11];
    s.mbDecision = p[12];
    s.diaSize = static_cast<int8_t>(p[13]);
    s.meCmp = p[14];
    s.subCmp = p[15];
    s.lastPredictors = p[16];
    s.trellis = p[17];
    s.qmin = p[18];
    s.qmax = p[19];
    s.bufferMs = static_cast<uint16_t>(Get16(p + 20));
    s.strictRate = p[22];
    s.passes = p[23] == 2 ? 2 : 1;
    if (!ValidateEncoderSettings(s, reason))
        return false;
    out = s;
    return true;
}
