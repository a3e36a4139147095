// flintmoor-cli info [--json] [--decode] FILE...: what an AVI file holds,
// what the reader had to do to make sense of it and, when asked, what the
// decoder had to say about its video frames.

#include "cli/CTerminalHost.h"
#include "cli/Commands.h"
#include "cli/JsonText.h"
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

std::string DecodeJson(const DecodeReport& report) {
    if (!report.done)
        return ",\n   \"decoded\": null";
    std::string out = ",\n   \"decoded\": {\"frames\": " + std::to_string(report.frames) +
                      ", \"failed\": " + std::to_string(report.failed) + ", \"notes\": [";
    for (size_t k = 0; k < report.notes.size(); ++k) {
        const CodecNote& note = report.notes[k];
        out += std::string(k ? ", " : "") + "{\"level\": " + (note.error ? "\"error\"" : "\"warning\"") +
               ", \"text\": " + JsonString(note.text) + ", \"count\": " + std::to_string(note.count) + "}";
    }
    return out + "], \"notes_left_out\": " + std::to_string(report.leftOut) + "}";
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
        std::snprintf(text, sizeof text, "tag 0x%04X, %u ch, %u Hz, %u bytes/s, block %u, %u bit",
                      static_cast<unsigned>(wf.wFormatTag), static_cast<unsigned>(wf.nChannels),
                      static_cast<unsigned>(wf.nSamplesPerSec), static_cast<unsigned>(wf.nAvgBytesPerSec),
                      static_cast<unsigned>(wf.nBlockAlign), static_cast<unsigned>(wf.wBitsPerSample));
        return text;
    }
    std::snprintf(text, sizeof text, "format of %" PRId32 " bytes", stream.GetFormatSize());
    return text;
}

std::string FormatJson(const CAVIStream& stream) {
    char text[256];
    const auto size = static_cast<size_t>(stream.GetFormatSize());
    if (BitmapInfoHeader bih;
        stream.GetType() == CAVIStream::TYPE_VIDEO && ParseBitmapInfoHeader(stream.GetFormat(), size, bih)) {
        std::snprintf(text, sizeof text,
                      "{\"width\": %" PRId32 ", \"height\": %" PRId32
                      ", \"bit_count\": %u, \"compression\": ",
                      bih.biWidth, bih.biHeight, static_cast<unsigned>(bih.biBitCount));
        return text + JsonString(CompressionText(bih.biCompression)) + "}";
    }
    if (WaveFormatEx wf;
        stream.GetType() == CAVIStream::TYPE_AUDIO && ParseWaveFormatEx(stream.GetFormat(), size, wf)) {
        std::snprintf(
            text, sizeof text,
            "{\"format_tag\": %u, \"channels\": %u, \"samples_per_sec\": %u, \"avg_bytes_per_sec\": %u, "
            "\"block_align\": %u, \"bits_per_sample\": %u}",
            static_cast<unsigned>(wf.wFormatTag), static_cast<unsigned>(wf.nChannels),
            static_cast<unsigned>(wf.nSamplesPerSec), static_cast<unsigned>(wf.nAvgBytesPerSec),
            static_cast<unsigned>(wf.nBlockAlign), static_cast<unsigned>(wf.wBitsPerSample));
        return text;
    }
    return "{}";
}

void PrintPlain(const CAVIFile& file) {
    const AviFileInfo& info = file.GetInfo();
    const int32_t ms = Duration(file);
    std::printf("%s\n", file.GetPath().c_str());
    std::printf("  frames %" PRId32 ", duration %s (%" PRId32 " ms), %ux%u, %" PRId64 " bytes\n",
                file.GetLength(), DurationText(ms).c_str(), ms, static_cast<unsigned>(info.dwWidth),
                static_cast<unsigned>(info.dwHeight), FileSize(file.GetPath()));
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
        // Every fixed-size audio sample is a key frame: no need to count them.
        const bool allKeys = stream->GetType() == CAVIStream::TYPE_AUDIO && stream->GetSampleSize() > 0;
        const size_t keys = allKeys ? static_cast<size_t>(stream->GetLength()) : KeyFrames(*stream).size();
        std::printf("  stream %d: %s '%s' '%s', rate %u/%u, length %" PRId32 ", %" PRId64
                    " bytes, %s, %zu key frames\n",
                    i, TypeName(stream->GetType()), FourCCToString(si.fccType).c_str(),
                    FourCCToString(si.fccHandler).c_str(), static_cast<unsigned>(si.dwRate),
                    static_cast<unsigned>(si.dwScale), stream->GetLength(), StreamBytes(*stream),
                    FormatSummary(*stream).c_str(), keys);
    }
}

std::string StreamJson(const CAVIStream& stream, int index) {
    const AviStreamInfo& si = stream.GetInfo();
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"index\": %d, \"type\": \"%s\", \"fcc_type\": %s, \"fcc_handler\": %s, \"rate\": %u, "
                  "\"scale\": %u, \"start\": %u, \"length\": %" PRId32 ", \"sample_size\": %u, "
                  "\"suggested_buffer\": %u, \"bytes\": %" PRId64,
                  index, TypeName(stream.GetType()), JsonString(FourCCToString(si.fccType)).c_str(),
                  JsonString(FourCCToString(si.fccHandler)).c_str(), static_cast<unsigned>(si.dwRate),
                  static_cast<unsigned>(si.dwScale), static_cast<unsigned>(si.dwStart), stream.GetLength(),
                  static_cast<unsigned>(si.dwSampleSize), static_cast<unsigned>(si.dwSuggestedBufferSize),
                  StreamBytes(stream));
    std::string out = text;
    if (stream.GetType() == CAVIStream::TYPE_VIDEO) {
        out += ", \"key_frames\": [";
        const std::vector<int32_t> keys = KeyFrames(stream);
        for (size_t k = 0; k < keys.size(); ++k)
            out += (k ? ", " : "") + std::to_string(keys[k]);
        out += "]";
    }
    return out + ", \"format\": " + FormatJson(stream) + "}";
}

std::string FileJson(const CAVIFile& file, const std::string& decoded) {
    const AviFileInfo& info = file.GetInfo();
    const AviReadReport* report = file.GetReport();
    char text[256];
    std::snprintf(
        text, sizeof text,
        ", \"open\": true, \"frames\": %" PRId32 ", \"duration_ms\": %" PRId32
        ", \"width\": %u, \"height\": %u, \"size\": %" PRId64 ", \"opendml\": %s, \"index_rebuilt\": %s",
        file.GetLength(), Duration(file), static_cast<unsigned>(info.dwWidth),
        static_cast<unsigned>(info.dwHeight), FileSize(file.GetPath()),
        report && report->opendml ? "true" : "false", report && report->indexRebuilt ? "true" : "false");
    std::string out = "  {\"path\": " + JsonString(file.GetPath()) + text + ",\n   \"index_notes\": [";
    for (size_t k = 0; report && k < report->notes.size(); ++k)
        out += (k ? ", " : "") + JsonString(report->notes[k]);
    out += "]" + decoded + ",\n   \"streams\": [";
    for (int i = 0; i < file.GetStreamCount(); ++i)
        if (const CAVIStream* stream = file.GetStream(i))
            out += (i ? ",\n    " : "\n    ") + StreamJson(*stream, i);
    return out + "]}";
}

int RunInfo(const InfoOptions& options) {
    CTerminalHost host(stderr);
    int status = 0;
    bool first = true;
    if (options.json)
        std::printf("[");
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
            std::printf("%s\n", first ? "" : ",");
            if (open)
                std::printf("%s", FileJson(file, options.decode ? DecodeJson(decoded) : "").c_str());
            else
                std::printf("  {\"path\": %s, \"open\": false, \"error\": %s}", JsonString(path).c_str(),
                            JsonString(file.GetLastError()).c_str());
        } else {
            if (!first)
                std::printf("\n");
            if (open)
                PrintPlain(file);
            if (open && options.decode)
                PrintDecodeReport(decoded);
            else
                std::printf("%s\n  cannot be read: %s\n", path.c_str(), file.GetLastError().c_str());
        }
        first = false;
    }
    if (options.json)
        std::printf("\n]\n");
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
