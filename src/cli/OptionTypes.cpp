#include "cli/OptionTypes.h"

#include "jobs/CPriorityControl.h"
#include "platform/CCompressorRegistry.h"

#include <cmath>
#include <vector>

namespace {
// A decimal count from 1 to `max`.
bool ParseCount(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 12)
        return false;
    uint64_t parsed = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        parsed = parsed * 10 + static_cast<uint64_t>(c - '0');
    }
    if (parsed == 0 || parsed > max)
        return false;
    value = parsed;
    return true;
}

// "A<sep>B": two counts, the separator one of `seps`.
bool ParsePair(const std::string& text, const char* seps, uint64_t max, uint64_t& a, uint64_t& b) {
    const size_t at = text.find_first_of(seps);
    return at != std::string::npos && ParseCount(text.substr(0, at), max, a) &&
           ParseCount(text.substr(at + 1), max, b);
}

template <typename T>
std::istream& ReadWith(std::istream& in, T& value, bool (*parse)(const std::string&, T&)) {
    std::string text;
    if (in >> text && !parse(text, value))
        in.setstate(std::ios::failbit);
    return in;
}

// The help shows the form as the option's type name, so the check itself
// has no description.
template <typename T>
CLI::Validator TextCheck(bool (*parse)(const std::string&, T&), const std::string& expected) {
    return CLI::Validator(
        [parse, expected](std::string& text) {
            T value;
            return parse(text, value) ? std::string() : "\"" + text + "\" is not " + expected;
        },
        "");
}
bool ParseFrameSize(const std::string& text, FrameSizeOption& value) {
    uint64_t width = 0, height = 0;
    if (!ParsePair(text, "xX", 1000000, width, height))
        return false;
    value = {static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return true;
}

bool ParseFrameRate(const std::string& text, FrameRateOption& value) {
    uint64_t rate = 0, scale = 1;
    const bool parsed = text.find('/') == std::string::npos ? ParseCount(text, 0xFFFFFFFFu, rate)
                                                            : ParsePair(text, "/", 0xFFFFFFFFu, rate, scale);
    if (!parsed)
        return false;
    value = {static_cast<uint32_t>(rate), static_cast<uint32_t>(scale)};
    return true;
}

bool ParseAudio(const std::string& text, AudioOption& value) {
    if (text == "none") {
        value = {};
        return true;
    }
    uint64_t rate = 0, channels = 0;
    if (!ParsePair(text, "/", 10000000, rate, channels))
        return false;
    value = {static_cast<uint32_t>(rate), static_cast<int32_t>(channels)};
    return true;
}

} // namespace

std::istream& operator>>(std::istream& in, FrameSizeOption& value) {
    return ReadWith(in, value, ParseFrameSize);
}

std::istream& operator>>(std::istream& in, FrameRateOption& value) {
    return ReadWith(in, value, ParseFrameRate);
}

std::istream& operator>>(std::istream& in, AudioOption& value) {
    return ReadWith(in, value, ParseAudio);
}

CLI::Validator FrameSizeCheck() {
    return TextCheck(ParseFrameSize, "WIDTHxHEIGHT, e.g. 320x240");
}

CLI::Validator FrameRateCheck() {
    return TextCheck(ParseFrameRate, "RATE or RATE/SCALE, e.g. 25 or 30000/1001");
}

CLI::Validator AudioCheck() {
    return TextCheck(ParseAudio, "RATE/CHANNELS, e.g. 44100/2, or none");
}

CLI::Validator FiniteCheck() {
    // CLI::Range lets "nan" through: every comparison with it is false.
    return CLI::Validator(
        [](std::string& text) {
            double value = 0;
            if (!CLI::detail::lexical_cast(text, value))
                return "\"" + text + "\" is not a number";
            return std::isfinite(value) ? std::string() : "\"" + text + "\" is not a finite number";
        },
        "");
}

CLI::Validator CodecSettingsCheck() {
    return CLI::Validator(
        [](std::string& text) {
            CodecOptions options;
            std::string error;
            return CCompressorRegistry::ParseSettings(text, options, &error) ? std::string() : error;
        },
        "SETTINGS");
}

CLI::Validator PriorityCheck() {
    // Without the last entry, "Pause": a paused job would never end.
    return CLI::IsMember(std::vector<std::string>(
        CPriorityControl::ENTRIES, CPriorityControl::ENTRIES + CPriorityControl::ENTRY_COUNT - 1));
}

void AddCodecOptions(CLI::App& command, std::string& low, std::string& fast) {
    command.add_option("--low-codec", low, "Compressor of the LOW file (see `codecs`)")
        ->check(CodecSettingsCheck())
        ->capture_default_str();
    command.add_option("--fast-codec", fast, "Compressor of the FAST file (see `codecs`)")
        ->check(CodecSettingsCheck())
        ->capture_default_str();
}

void AddBitrateOption(CLI::App& command, std::string& kbps) {
    command
        .add_option("--bitrate", kbps,
                    "kbit/s for LOW and FAST alike (default: proposed from the picture size and rate)")
        ->check(CLI::Range(8, 100000));
}
