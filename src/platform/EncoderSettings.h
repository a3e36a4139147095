#pragma once
// Our encoder's private settings and their binary form, the compressor state
// block (lpParms/cbParms of CodecOptions). The block travels inside movie data
// bases written by other people, so reading it trusts nothing: magic, version,
// length, checksum and the range of every field are checked.
//
// Layout, little-endian: "FMES", version (1 byte), payload length (2 bytes),
// payload, FNV-1a checksum of the payload (4 bytes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct EncoderSettings {
    enum EPreset : uint8_t { PRESET_LOW_MOTION = 0, PRESET_FAST_MOTION = 1, PRESET_LOSSLESS = 2 };
    enum ERateMode : uint8_t { RATE_BITRATE = 0, RATE_QUANTISER = 1 };

    uint8_t preset = PRESET_LOW_MOTION;
    uint8_t rateMode = RATE_BITRATE;
    uint32_t bitrateKbps = 900;    // RATE_BITRATE: kbit/s
    uint8_t quantiser = 4;         // RATE_QUANTISER: 1 (best) .. 31
    uint32_t keyInterval = 0;      // 0: key frames only where the caller asks for them
    uint8_t qcompressPercent = 50; // 0: bits spread evenly, 100: constant quality
    uint8_t mbDecision = 0;        // 0 simple, 1 fewest bits, 2 rate distortion
    int8_t diaSize = 0;            // motion search diamond (negative: adaptive)
    uint8_t meCmp = 0;             // motion compare function (0 SAD, 1 SSE, 2 SATD, ...)
    uint8_t subCmp = 0;            // sub-pel compare function
    uint8_t lastPredictors = 0;    // motion predictors from the previous frame
    uint8_t trellis = 0;           // trellis quantisation on/off
    uint8_t qmin = 2;
    uint8_t qmax = 31;
    uint16_t bufferMs = 0;  // rate control buffer in ms of bit rate (0: 1000)
    uint8_t strictRate = 0; // 1: minimum rate = maximum rate = bit rate
    // 2: a first pass measures every frame, the second writes with the bits
    // shared out by what it measured. 1 (or 0 in older blocks): one pass.
    uint8_t passes = 1;

    bool operator==(const EncoderSettings&) const = default;
    bool TwoPasses() const { return passes == 2 && rateMode == RATE_BITRATE; }
};

constexpr uint8_t kEncoderSettingsVersion = 1;
// The largest state block the layout can describe (a 16-bit payload length):
// a block that claims more is not ours, whatever its version.
constexpr size_t kMaxEncoderSettingsBytes = 7 + 0xFFFF + 4;

// Checks every field's range; false with the reason in *reason.
bool ValidateEncoderSettings(const EncoderSettings& settings, std::string* reason);

std::vector<uint8_t> SerializeEncoderSettings(const EncoderSettings& settings);

// False with a reason on anything off: short or long block, wrong magic,
// unknown version, bad checksum, field out of range. Never reads past size.
bool ParseEncoderSettings(const uint8_t* data, size_t size, EncoderSettings& out, std::string* reason);
