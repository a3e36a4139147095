#pragma once
// The compressors we offer, each with its FourCC, its libavcodec encoder and
// its preset, and the text form of a choice for the command line:
//   "DIV3"                      the compressor with its preset
//   "DIV4:bitrate=900,keyint=250"  with settings changed
// Keys (see SettingKeysHelp): bitrate (kbit/s), q (fixed quantiser), keyint,
// qcomp, mbd, dia, cmp, subcmp, lastpred, trellis, qmin, qmax, buffer, cbr,
// preset (low|fast: start from that preset's settings).

#include "platform/AviTypes.h"
#include "platform/CodecOptions.h"
#include "platform/EncoderSettings.h"

#include <string>
#include <vector>

struct CompressorInfo {
    FOURCC fourcc = 0;
    std::string name;    // for people
    std::string encoder; // libavcodec encoder name
    EncoderSettings defaults;
    bool lossless = false; // every frame is a key frame; rate settings do not apply
    bool planar = false;   // lossless in 4:2:0 planes instead of 24-bit RGB
};

class CCompressorRegistry {
public:
    static const std::vector<CompressorInfo>& Compressors();
    // Case does not matter ("div3" finds DIV3). Null when we offer none.
    static const CompressorInfo* Find(FOURCC fcc);

    // Builds a complete record (fccType "vids", fccHandler, state block and
    // the matching record fields) from setting string. False with a message on
    // anything it does not understand.
    static bool ParseSettings(const std::string& text, CodecOptions& out, std::string* error);
    // The same record from a compressor and settings.
    static CodecOptions MakeOptions(const CompressorInfo& info, const EncoderSettings& settings);

    // What encoding with this record will use: the state block's settings (the
    // compressor's preset when the block is empty), with dwKeyFrameEvery and
    // dwBytesPerSecond taking over when dwFlags marks them valid. False with a
    // message for an unknown compressor or a state block that is not valid.
    static bool EffectiveSettings(const CodecOptions& options, const CompressorInfo** info,
                                  EncoderSettings& settings, std::string* error);

    // Setting string that gives this record again ("DIV4:bitrate=900,..."), and a
    // line for people with the compressor's name; invalid records say why.
    static std::string SettingsText(const CodecOptions& options);
    static std::string Describe(const CodecOptions& options);
    static std::string SettingKeysHelp();
};
