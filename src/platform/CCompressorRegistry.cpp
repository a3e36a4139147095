#include "platform/CCompressorRegistry.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {
// Both presets aim at the same average bit rate, so that every interval
// offers the oracle two real alternatives of about the same cost.
EncoderSettings LowMotionPreset() {
    // For still pictures: bits spread evenly over the movie, so calm scenes
    // get as many bits as busy ones and come out very clean, down to the
    // finest quantiser (1), which only a still picture can afford and which
    // lets its frames take their share; a plain motion search, since there is
    // little motion to find.
    EncoderSettings s;
    s.preset = EncoderSettings::PRESET_LOW_MOTION;
    s.rateMode = EncoderSettings::RATE_BITRATE;
    s.bitrateKbps = 900;
    s.qcompressPercent = 0;
    s.mbDecision = 2;
    s.diaSize = 0;
    s.meCmp = 0;
    s.subCmp = 0;
    s.lastPredictors = 0;
    s.trellis = 1;
    s.qmin = 1;
    s.qmax = 31;
    s.bufferMs = 0;
    s.strictRate = 0;
    return s;
}

EncoderSettings FastMotionPreset() {
    // For motion: constant quality, so the bits go where the motion is, with
    // a wider and finer motion search that finds it.
    EncoderSettings s;
    s.preset = EncoderSettings::PRESET_FAST_MOTION;
    s.rateMode = EncoderSettings::RATE_BITRATE;
    s.quantiser = 10;
    s.bitrateKbps = 900;
    s.qcompressPercent = 100;
    s.mbDecision = 2;
    s.diaSize = 2;
    s.meCmp = 2;
    s.subCmp = 2;
    s.lastPredictors = 2;
    s.trellis = 1;
    s.qmin = 2;
    s.qmax = 31;
    s.bufferMs = 0;
    s.strictRate = 0;
    return s;
}

EncoderSettings Mpeg4Preset() {
    EncoderSettings s = FastMotionPreset();
    s.qcompressPercent = 50;
    return s;
}

EncoderSettings LosslessPreset() {
    EncoderSettings s;
    s.preset = EncoderSettings::PRESET_LOSSLESS;
    s.keyInterval = 1;
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 12)
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0' && value >= low && value <= high;
}

struct SettingKey {
    const char* name;
    long long low;
    long long high;
    const char* help;
};

constexpr SettingKey kKeys[] = {
    {"bitrate", 8, 100000, "bit rate in kbit/s (average)"},
    {"q", 1, 31, "fixed quantiser instead of a bit rate (1 best .. 31)"},
    {"keyint", 0, 100000, "a key frame at least every N frames (0: only where requested)"},
    {"qcomp", 0, 100, "0: bits spread evenly .. 100: constant quality"},
    {"mbd", 0, 2, "macroblock decision: 0 simple, 1 fewest bits, 2 rate distortion"},
    {"dia", -8, 8, "motion search diamond size (negative: adaptive)"},
    {"cmp", 0, 14, "motion compare function (0 SAD, 1 SSE, 2 SATD, ...)"},
    {"subcmp", 0, 14, "sub-pel motion compare function"},
    {"lastpred", 0, 8, "motion predictors taken from the previous frame"},
    {"trellis", 0, 1, "trellis quantisation"},
    {"qmin", 1, 31, "smallest quantiser"},
    {"qmax", 1, 31, "largest quantiser"},
    {"buffer", 0, 60000,
     "rate steering: ms of bit rate over the target that double the quantiser (0: one second, growing with "
     "the movie)"},
    {"passes", 1, 2, "2: a first pass measures every frame, the second shares the bits out by it"},
    {"cbr", 0, 1, "1: steer within one second whatever the movie's length (buffer=1000)"},
};

void Apply(EncoderSettings& s, const std::string& key, long long v) {
    if (key == "bitrate") {
        s.bitrateKbps = static_cast<uint32_t>(v);
        s.rateMode = EncoderSettings::RATE_BITRATE;
    } else if (key == "q") {
        s.quantiser = static_cast<uint8_t>(v);
        s.rateMode = EncoderSettings::RATE_QUANTISER;
    } else if (key == "keyint") {
        s.keyInterval = static_cast<uint32_t>(v);
    } else if (key == "qcomp") {
        s.qcompressPercent = static_cast<uint8_t>(v);
    } else if (key == "mbd") {
        s.mbDecision = static_cast<uint8_t>(v);
    } else if (key == "dia") {
        s.diaSize = static_cast<int8_t>(v);
    } else if (key == "cmp") {
        s.meCmp = static_cast<uint8_t>(v);
    } else if (key == "subcmp") {
        s.subCmp = static_cast<uint8_t>(v);
    } else if (key == "lastpred") {
        s.lastPredictors = static_cast<uint8_t>(v);
    } else if (key == "trellis") {
        s.trellis = static_cast<uint8_t>(v);
    } else if (key == "qmin") {
        s.qmin = static_cast<uint8_t>(v);
    } else if (key == "qmax") {
        s.qmax = static_cast<uint8_t>(v);
    } else if (key == "buffer") {
        s.bufferMs = static_cast<uint16_t>(v);
    } else if (key == "passes") {
        s.passes = static_cast<uint8_t>(v);
    } else if (key == "cbr") {
        s.strictRate = static_cast<uint8_t>(v);
    }
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

bool SetError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    return false;
}
} // namespace

const std::vector<CompressorInfo>& CCompressorRegistry::Compressors() {
    static const std::vector<CompressorInfo> list = {
        {MakeFourCC('D', 'I', 'V', '3'), "MS-MPEG-4 v3, low-motion preset", "msmpeg4", LowMotionPreset(),
         false},
        {MakeFourCC('D', 'I', 'V', '4'), "MS-MPEG-4 v3, fast-motion preset", "msmpeg4", FastMotionPreset(),
         false},
        {MakeFourCC('D', 'X', '5', '0'), "MPEG-4 ASP (DivX 5 tag), no B-frames", "mpeg4", Mpeg4Preset(),
         false},
        {MakeFourCC('X', 'V', 'I', 'D'), "MPEG-4 ASP (Xvid tag), no B-frames", "mpeg4", Mpeg4Preset(), false},
        {MakeFourCC('H', 'F', 'Y', 'U'), "HuffYUV lossless, every frame a key frame", "huffyuv",
         LosslessPreset(), true},
        {MakeFourCC('F', 'F', 'V', 'H'), "FFmpeg's HuffYUV, lossless in 4:2:0, every frame a key frame",
         "ffvhuff", LosslessPreset(), true, true},
    };
    return list;
}

const CompressorInfo* CCompressorRegistry::Find(FOURCC fcc) {
    const std::string wanted = Upper(FourCCToString(fcc));
    for (const CompressorInfo& info : Compressors())
        if (FourCCToString(info.fourcc) == wanted)
            return &info;
    return nullptr;
}

CodecOptions CCompressorRegistry::MakeOptions(const CompressorInfo& info, const EncoderSettings& settings) {
    CodecOptions options;
    options.fccType = streamtypeVIDEO;
    options.fccHandler = info.fourcc;
    options.dwFlags = AVICOMPRESSF_VALID;
    if (settings.keyInterval > 0) {
        options.dwFlags |= AVICOMPRESSF_KEYFRAMES;
        options.dwKeyFrameEvery = settings.keyInterval;
    }
    if (!info.lossless && settings.rateMode == EncoderSettings::RATE_BITRATE) {
        options.dwFlags |= AVICOMPRESSF_DATARATE;
        options.dwBytesPerSecond = settings.bitrateKbps * 1000 / 8;
    }
    options.lpParms = SerializeEncoderSettings(settings);
    return options;
}

bool CCompressorRegistry::ParseSettings(const std::string& text, CodecOptions& out, std::string* error) {
    const size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    if (name.size() != 4)
        return SetError(error,
                        "\"" + name +
                            "\" is no compressor: give a FourCC such as DIV3, DIV4, DX50, XVID, HFYU, FFVH");
    const CompressorInfo* info = Find(FourCCFromString(name));
    if (!info)
        return SetError(error,
                        "No compressor \"" + name + "\"; offered are DIV3, DIV4, DX50, XVID, HFYU, FFVH");
    EncoderSettings settings = info->defaults;
    if (colon != std::string::npos) {
        std::vector<std::pair<std::string, long long>> values;
        for (const std::string& item : Split(text.substr(colon + 1), ',')) {
            const size_t eq = item.find('=');
            if (eq == std::string::npos)
                return SetError(error, "Setting \"" + item + "\" needs the form key=value");
            const std::string key = item.substr(0, eq);
            const std::string value = item.substr(eq + 1);
            if (key == "preset") {
                if (value == "low")
                    settings = LowMotionPreset();
                else if (value == "fast")
                    settings = FastMotionPreset();
                else
                    return SetError(error, "Preset \"" + value + "\" unknown: low or fast");
                continue;
            }
            const SettingKey* known = nullptr;
            for (const SettingKey& k : kKeys)
                if (key == k.name)
                    known = &k;
            if (!known)
                return SetError(error, "Unknown setting \"" + key + "\"");
            long long v = 0;
            if (!ParseInteger(value, known->low, known->high, v))
                return SetError(error, "Setting " + key + "=\"" + value + "\" must be a whole number from " +
                                           std::to_string(known->low) + " to " + std::to_string(known->high));
            values.emplace_back(key, v);
        }
        if (info->lossless) {
            for (const auto& [key, v] : values)
                if (key != "keyint")
                    return SetError(error, FourCCToString(info->fourcc) + " is lossless and takes no \"" +
                                               key + "\" setting");
        }
        for (const auto& [key, v] : values)
            Apply(settings, key, v);
    }
    if (info->lossless)
        settings.keyInterval = 1;
    std::string reason;
    if (!ValidateEncoderSettings(settings, &reason))
        return SetError(error, "Settings not valid: " + reason);
    out = MakeOptions(*info, settings);
    return true;
}

bool CCompressorRegistry::EffectiveSettings(const CodecOptions& options, const CompressorInfo** infoOut,
                                            EncoderSettings& settings, std::string* error) {
    const CompressorInfo* info = Find(options.fccHandler);
    if (!info)
        return SetError(error, "No compressor for FourCC \"" + FourCCToString(options.fccHandler) + "\"");
    EncoderSettings s = info->defaults;
    if (!options.lpParms.empty()) {
        std::string reason;
        if (!ParseEncoderSettings(options.lpParms.data(), options.lpParms.size(), s, &reason))
            return SetError(error,
                            "Compressor settings of " + FourCCToString(info->fourcc) + " refused: " + reason);
    }
    if (options.dwFlags & AVICOMPRESSF_KEYFRAMES)
        s.keyInterval = options.dwKeyFrameEvery;
    if ((options.dwFlags & AVICOMPRESSF_DATARATE) && options.dwBytesPerSecond > 0) {
        s.bitrateKbps = static_cast<uint32_t>((uint64_t{options.dwBytesPerSecond} * 8 + 500) / 1000);
        s.rateMode = EncoderSettings::RATE_BITRATE;
    }
    if (info->lossless)
        s.keyInterval = 1;
    std::string reason;
    if (!ValidateEncoderSettings(s, &reason))
        return SetError(error,
                        "Compressor settings of " + FourCCToString(info->fourcc) + " refused: " + reason);
    if (infoOut)
        *infoOut = info;
    settings = s;
    return true;
}

std::string CCompressorRegistry::SettingsText(const CodecOptions& options) {
    const CompressorInfo* info = nullptr;
    EncoderSettings s;
    if (!EffectiveSettings(options, &info, s, nullptr))
        return FourCCToString(options.fccHandler);
    std::string text = FourCCToString(info->fourcc);
    if (info->lossless)
        return text;
    char buffer[320];
    std::snprintf(
        buffer, sizeof buffer,
        ":preset=%s,%s=%u,keyint=%u,qcomp=%u,mbd=%u,dia=%d,cmp=%u,subcmp=%u,lastpred=%u,trellis=%u,qmin=%u,"
        "qmax=%u,buffer=%u,cbr=%u,passes=%u",
        s.preset == EncoderSettings::PRESET_LOW_MOTION ? "low" : "fast",
        s.rateMode == EncoderSettings::RATE_QUANTISER ? "q" : "bitrate",
        s.rateMode == EncoderSettings::RATE_QUANTISER ? unsigned{s.quantiser} : s.bitrateKbps, s.keyInterval,
        unsigned{s.qcompressPercent}, unsigned{s.mbDecision}, int{s.diaSize}, unsigned{s.meCmp},
        unsigned{s.subCmp}, unsigned{s.lastPredictors}, unsigned{s.trellis}, unsigned{s.qmin},
        unsigned{s.qmax}, unsigned{s.bufferMs}, unsigned{s.strictRate}, unsigned{s.passes});
    return text + buffer;
}

std::string CCompressorRegistry::Describe(const CodecOptions& options) {
    const CompressorInfo* info = nullptr;
    EncoderSettings s;
    std::string error;
    if (!EffectiveSettings(options, &info, s, &error))
        return error;
    return info->name + ": " + SettingsText(options);
}

std::string CCompressorRegistry::SettingKeysHelp() {
    std::string text = "Compressors:\n";
    for (const CompressorInfo& info : Compressors())
        text += "  " + FourCCToString(info.fourcc) + "  " + info.name + "\n";
    text += "Settings (COMPRESSOR:key=value,...):\n";
    text += "  preset    low or fast: start from that preset's settings\n";
    for (const SettingKey& k : kKeys) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-9s %s [%lld..%lld]\n", k.name, k.help, k.low, k.high);
        text += line;
    }
    return text;
}
