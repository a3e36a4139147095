// flintmoor-cli info [--json] [--decode] FILE...: what an AVI file holds,
// what the reader had to do to make sense of it and, when asked, what the
// decoder had to say about its video frames.

#include "cli/CTerminalHost.h"
#include "cli/Commands.h"
#include "cli/JsonOutput.h"
#include "cli/PlainUnits.h"
#include "media/CAVIFile.h"
#include "media/CAVIStream.h"
#include "platform/CCodecLog.h"
#include "platform/IAviFile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {
struct InfoOptions {
    bool json = false;
    bool decode = false;
    std::vector<std::string> files;
};

// The video stream decoded once, frame by frame: what the decoder said.
struct DecodeReport {
    bool done = false; // a video stream with a decoder was decoded
    int32_t frames = 0;
    int32_t failed = 0; // frames that could not be decoded
    std::vector<CodecNote> notes;
    int64_t leftOut = 0;
};

DecodeReport DecodeVideo(CAVIFile& file) {
    DecodeReport report;
    CAVIStream* video = file.GetStream(file.GetVideoIndex());
    const CCodecLog* log = video ? video->GetDecoderLog() : nullptr;
    if (!log)
        return report;
    report.done = true;
    report.frames = video->GetLength();
    for (int32_t frame = 0; frame < report.frames; ++frame)
        if (!video->GetFrame(frame))
            ++report.failed;
    report.notes = log->Notes();
    report.leftOut = log->NotesLeftOut();
    return report;
}

std::string NoteText(const CodecNote& note) {
    std::string text = std::string(note.error ? "error: " : "warning: ") + note.text;
    if (note.count > 1)
        text += " (" + std::to_string(note.count) + " times)";
    return text;
}

void PrintDecodeReport(const DecodeReport& report) {
    if (!report.done) {
        std::printf("  decoded: no video stream that can be decoded\n");
        return;
    }
    std::printf("  decoded: %" PRId32 " frames, %" PRId32 " could not be decoded\n", report.frames,
                report.failed);
    if (report.notes.empty())
        std::printf("  decoder: no warnings\n");
    for (const CodecNote& note : report.notes)
        std::printf("  decoder: %s\n", NoteText(note).c_str());
    if (report.leftOut > 0)
        std::printf("  decoder: %" PRId64 " more distinct notes left out\n", report.leftOut);
}

Json DecodeJson(const DecodeReport& report) {
    if (!report.done)
        return nullptr;
    Json notes = Json::array();
    for (const CodecNote& note : report.notes)
        notes.push_back(
            {{"level", note.error ? "error" : "warning"}, {"text", note.text}, {"count", note.count}});
    return {{"frames", report.frames},
            {"failed", report.failed},
            {"notes", notes},
            {"notes_left_out", report.leftOut}};
}

// Every key-frame sample number of a stream, in order.
std::vector<int32_t> KeyFrames(const CAVIStream& stream) {
    std::vector<int32_t> keys;
    IAviStream* handle = stream.GetHandle();
    if (!handle)
        return keys;
    int32_t key = handle->FindSample(0, FIND_NEXT | FIND_KEY);
    while (key >= 0) {
        keys.push_back(key);
        const int32_t next = stream.NextKeyFrame(key);
        if (next <= key)
            break;
        key = next;
    }
    return keys;
}

// Bytes of the stream's data: fixed-size samples are counted, everything
// else is the sum of its chunk sizes.
int64_t StreamBytes(const CAVIStream& stream) {
    const int32_t length = stream.GetLength();
    if (stream.GetType() != CAVIStream::TYPE_VIDEO && stream.GetSampleSize() > 0)
        return static_cast<int64_t>(length) * stream.GetSampleSize();
    return stream.ByteCount(0, length);
}

// The common audio formats by their WAVE format tag; nullptr for others
// (an extensible format, 0xFFFE, names its real one only in a GUID).
const char* AudioFormatName(uint16_t tag) {
    static const std::pair<uint16_t, const char*> names[] = {
        {0x0001, "PCM"},     {0x0002, "MS ADPCM"},  {0x0003, "PCM float"}, {0x0006, "A-law"},
        {0x0007, "mu-law"},  {0x0011, "IMA ADPCM"}, {0x0050, "MP2"},       {0x0055, "MP3"},
        {0x00FF, "AAC"},     {0x1610, "AAC"},       {0x706D, "AAC"},       {0x0161, "WMA"},
        {0x0162, "WMA Pro"}, {0x2000, "AC-3"},      {0x2001, "DTS"},       {0x674F, "Vorbis"},
        {0x6750, "Vorbis"},  {0x6751, "Vorbis"},    {0xF1AC, "FLAC"},
    };
    for (const auto& [known, name] : names)
        if (known == tag)
            return name;
    return nullptr;
}

const char* TypeName(int type) {
    return type == CAVIStream::TYPE_VIDEO ? "video" : type == CAVIStream::TYPE_AUDIO ? "audio" : "other";
}

// The compression as FourCC text; uncompressed frames have none.
std::string CompressionText(uint32_t compression) {
    return compression == BI_RGB ? "BI_RGB" : FourCCToString(compression);
}

int32_t Duration(const CAVIFile& file) {
    if (const CAVIStream* video = file.GetStream(file.GetVideoIndex()))
        return video->SampleToTime(video->GetLength());
    int32_t longest = 0;
    for (int i = 0; i < file.GetStreamCount(); ++i)
        if (const CAVIStream* stream = file.GetStream(i))
            longest = std::max(longest, stream->SampleToTime(stream->GetLength()));
    return longest;
}

std::string DurationText(int32_t ms) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return text;
}

int64_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

std::string FormatSummary(const CAVIStream& stream) {
    char text[160];
    const auto size = static_cast<size_t>(stream.GetFormatSize());
    if (BitmapInfoHeader bih;
        stream.GetType() == CAVIStream::TYPE_VIDEO && ParseBitmapInfoHeader(stream.GetFormat(), size, bih)) {
        std::snprintf(text, sizeof text, "%" PRId32 "x%" PRId32 ", %u bit, %s", bih.biWidth, bih.biHeight,
                      static_cast<unsigned>(bih.biBitCount), CompressionText(bih.biCompression).c_str());
        return text;
    }
    if (WaveFormatEx wf;
        stream.GetType() == CAVIStream::TYPE_AUDIO && ParseWaveFormatEx(stream.GetFormat(), size, wf)) {
        const char* name = AudioFormatName(wf.wFormatTag);
        std::snprintf(text, sizeof text, "%s%stag 0x%04X%s, %u ch, %u Hz, %u bytes/s, block %u, %u bit",
                      name ? name : "", name ? " (" : "", static_cast<unsigned>(wf.wFormatTag),
                      name ? ")" : "", static_cast<unsigned>(wf.nChannels),
                      static_cast<unsigned>(wf.nSamplesPerSec), static_cast<unsigned>(wf.nAvgBytesPerSec),
                      static_cast<unsigned>(wf.nBlockAlign), static_cast<unsigned>(wf.wBitsPerSample));
        return text;
    }
    std::snprintf(text, sizeof text, "format of %" PRId32 " bytes", stream.GetFormatSize());
    return text;
}

Json FormatJson(const CAVIStream& stream) {
    const auto size = static_cast<size_t>(stream.GetFormatSize());
    if (BitmapInfoHeader bih;
        stream.GetType() == CAVIStream::TYPE_VIDEO && ParseBitmapInfoHeader(stream.GetFormat(), size, bih))
        return {{"width", bih.biWidth},
                {"height", bih.biHeight},
                {"bit_count", bih.biBitCount},
                {"compression", CompressionText(bih.biCompression)}};
    if (WaveFormatEx wf;
        stream.GetType() == CAVIStream::TYPE_AUDIO && ParseWaveFormatEx(stream.GetFormat(), size, wf)) {
        const char* name = AudioFormatName(wf.wFormatTag);
        return {{"format_tag", wf.wFormatTag},
                {"format_name", name ? Json(name) : Json(nullptr)},
                {"channels", wf.nChannels},
                {"samples_per_sec", wf.nSamplesPerSec},
                {"avg_bytes_per_sec", wf.nAvgBytesPerSec},
                {"block_align", wf.nBlockAlign},
                {"bits_per_sample", wf.wBitsPerSample}};
    }
    return Json::object();
}

void PrintPlain(const CAVIFile& file) {
    const AviFileInfo& info = file.GetInfo();
    const int32_t ms = Duration(file);
    std::printf("%s\n", file.GetPath().c_str());
    const int64_t bytes = FileSize(file.GetPath());
    std::printf("  frames %" PRId32 ", duration %s (%" PRId32 " ms), %ux%u, %s\n", file.GetLength(),
                DurationText(ms).c_str(), ms, static_cast<unsigned>(info.dwWidth),
                static_cast<unsigned>(info.dwHeight), bytes < 0 ? "size unknown" : PlainSize(bytes).c_str());
    const AviReadReport* report = file.GetReport();
    std::printf("  OpenDML: %s\n", report && report->opendml ? "yes" : "no");
    if (!report || report->notes.empty())
        std::printf("  index: as stored in the file\n");
    else
        for (const std::string& note : report->notes)
            std::printf("  index: %s\n", note.c_str());
    for (int i = 0; i < file.GetStreamCount(); ++i) {
        const CAVIStream* stream = file.GetStream(i);
        if (!stream)
            continue;
        const AviStreamInfo& si = stream->GetInfo();
        std::printf("  stream %d: %s '%s' '%s', rate %u/%u, length %" PRId32 ", %s, %s", i,
                    TypeName(stream->GetType()), FourCCToString(si.fccType).c_str(),
                    FourCCToString(si.fccHandler).c_str(), static_cast<unsigned>(si.dwRate),
                    static_cast<unsigned>(si.dwScale), stream->GetLength(),
                    PlainSize(StreamBytes(*stream)).c_str(), FormatSummary(*stream).c_str());
        // Every audio sample is a key frame: a count would say nothing.
        if (stream->GetType() == CAVIStream::TYPE_VIDEO)
            std::printf(", %zu key frames", KeyFrames(*stream).size());
        std::printf("\n");
    }
}

Json StreamJson(const CAVIStream& stream, int index) {
    const AviStreamInfo& si = stream.GetInfo();
    Json out = {{"index", index},
                {"type", TypeName(stream.GetType())},
                {"fcc_type", FourCCToString(si.fccType)},
                {"fcc_handler", FourCCToString(si.fccHandler)},
                {"rate", si.dwRate},
                {"scale", si.dwScale},
                {"start", si.dwStart},
                {"length", stream.GetLength()},
                {"sample_size", si.dwSampleSize},
                {"suggested_buffer", si.dwSuggestedBufferSize},
                {"bytes", StreamBytes(stream)}};
    if (stream.GetType() == CAVIStream::TYPE_VIDEO)
        out["key_frames"] = KeyFrames(stream);
    out["format"] = FormatJson(stream);
    return out;
}

Json FileJson(const CAVIFile& file, const DecodeReport* decoded) {
    const AviFileInfo& info = file.GetInfo();
    const AviReadReport* report = file.GetReport();
    Json out = Json::object();
    PutFileName(out, "path", file.GetPath());
    out["open"] = true;
    out["frames"] = file.GetLength();
    out["duration_ms"] = Duration(file);
    out["width"] = info.dwWidth;
    out["height"] = info.dwHeight;
    out["size"] = FileSize(file.GetPath());
    out["opendml"] = report && report->opendml;
    out["index_rebuilt"] = report && report->indexRebuilt;
    out["index_notes"] = report ? Json(report->notes) : Json::array();
    if (decoded)
        out["decoded"] = DecodeJson(*decoded);
    Json streams = Json::array();
    for (int i = 0; i < file.GetStreamCount(); ++i)
        if (const CAVIStream* stream = file.GetStream(i))
            streams.push_back(StreamJson(*stream, i));
    out["streams"] = streams;
    return out;
}

int RunInfo(const InfoOptions& options) {
    CTerminalHost host(stderr);
    int status = 0;
    bool first = true;
    Json files = Json::array();
    for (const std::string& path : options.files) {
        CAVIFile file(host);
        const bool open = file.Open(path, true);
        const DecodeReport decoded = open && options.decode ? DecodeVideo(file) : DecodeReport();
        if (!open) {
            status = 1;
            if (!file.GetLastError().empty())
                std::fprintf(stderr, "  %s\n", file.GetLastError().c_str());
        }
        if (options.json) {
            if (open) {
                files.push_back(FileJson(file, options.decode ? &decoded : nullptr));
            } else {
                Json failed = Json::object();
                PutFileName(failed, "path", path);
                failed["open"] = false;
                failed["error"] = file.GetLastError();
                files.push_back(failed);
            }
            continue;
        }
        if (!first)
            std::printf("\n");
        first = false;
        if (open)
            PrintPlain(file);
        if (open && options.decode)
            PrintDecodeReport(decoded);
        else if (!open)
            std::printf("%s\n  cannot be read: %s\n", path.c_str(), file.GetLastError().c_str());
    }
    if (options.json)
        PrintJson(files);
    std::fflush(stdout);
    return status;
}
} // namespace

void RegisterInfoCommand(CLI::App& app, CliExit& exitCode) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = app.add_subcommand(
        "info", "Show what AVI files hold: frames, duration, streams, key frames and how the index was read");
    command->add_flag("--json", options->json,
                      "One JSON array with an object per file (video format \"compression\" is the FourCC, "
                      "or \"BI_RGB\" for uncompressed frames)");
    command->add_flag("--decode", options->decode,
                      "Also decode every video frame once and list the decoder's warnings and errors "
                      "(slower: takes as long as decoding the movie)");
    command->add_option("FILE", options->files, "AVI files to describe")->required();
    command->callback([options, &exitCode]() { exitCode.value = RunInfo(*options); });
}
