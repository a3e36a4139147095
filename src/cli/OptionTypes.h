#pragma once
// The command line's typed option values and the checks that refuse a bad
// value with a clear message before any work starts: a frame size "WxH", a
// frame rate "RATE/SCALE", audio "RATE/CHANNELS" or "none", finite numbers
// and compressor setting strings; and the options that several commands
// share.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <istream>
#include <string>

struct FrameSizeOption {
    int32_t width = 0;
    int32_t height = 0;
};

struct FrameRateOption {
    uint32_t rate = 0;
    uint32_t scale = 1;
};

struct AudioOption {
    uint32_t rate = 0; // 0: no audio
    int32_t channels = 0;
};

// CLI11 converts option texts through these, strict about the whole text
// (decimal digits only, no sign, no blanks); the checks below refuse what
// they cannot read with a message first.
std::istream& operator>>(std::istream& in, FrameSizeOption& value);
std::istream& operator>>(std::istream& in, FrameRateOption& value);
std::istream& operator>>(std::istream& in, AudioOption& value);

CLI::Validator FrameSizeCheck();
CLI::Validator FrameRateCheck();
CLI::Validator AudioCheck();
// A number that is neither infinite nor "nan".
CLI::Validator FiniteCheck();
// A setting string that `codecs` describes, e.g. "DIV4:bitrate=1200".
CLI::Validator CodecSettingsCheck();
// One of the worker priority entries ("Highest" ... "Idle").
CLI::Validator PriorityCheck();

// --low-codec and --fast-codec, checked setting strings.
void AddCodecOptions(CLI::App& command, std::string& low, std::string& fast);
// --bitrate as typed (the pair's rate is applied from the text), checked to
// be a whole number of kbit/s.
void AddBitrateOption(CLI::App& command, std::string& kbps);
