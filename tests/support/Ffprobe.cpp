#include "support/Ffprobe.h"

#include <climits>
#include <cstring>
#include <sstream>

namespace {
std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

int64_t ToInt(const std::string& s, int64_t fallback) {
    try {
        size_t used = 0;
        long long v = std::stoll(s, &used);
        return used ? v : fallback;
    } catch (...) {
        return fallback;
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            lines.push_back(line);
    return lines;
}
} // namespace

CommandResult Ffmpeg(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"ffmpeg", "-v", "error", "-y", "-nostdin"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv);
}

std::vector<ProbePacket> ProbePackets(const std::string& path, const std::string& stream) {
    auto r = RunCommand({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
                         "packet=pts,dts,size,flags", "-of", "csv=p=0", path});
    std::vector<ProbePacket> packets;
    for (const auto& line : Lines(r.out)) {
        auto f = Split(line, ',');
        if (f.size() < 4)
            continue;
        ProbePacket p;
        p.pts = ToInt(f[0], INT64_MIN);
        p.dts = ToInt(f[1], INT64_MIN);
        p.size = ToInt(f[2], -1);
        p.key = f[3].find('K') != std::string::npos;
        packets.push_back(p);
    }
    return packets;
}

std::vector<ProbeStream> ProbeStreams(const std::string& path) {
    auto r =
        RunCommand({"ffprobe", "-v", "error", "-show_entries",
                    "stream=index,codec_type,codec_name,codec_tag_string,width,height,pix_fmt,sample_rate,"
                    "channels,r_frame_rate,nb_frames",
                    "-of", "default=nw=0:nk=0", path});
    std::vector<ProbeStream> streams;
    ProbeStream cur;
    bool inStream = false;
    for (const auto& line : Lines(r.out)) {
        if (line == "[STREAM]") {
            cur = ProbeStream();
            inStream = true;
            continue;
        }
        if (line == "[/STREAM]") {
            if (inStream)
                streams.push_back(cur);
            inStream = false;
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "index")
            cur.index = static_cast<int>(ToInt(value, -1));
        else if (key == "codec_type")
            cur.codecType = value;
        else if (key == "codec_name")
            cur.codecName = value;
        else if (key == "codec_tag_string")
            cur.codecTag = value;
        else if (key == "width")
            cur.width = static_cast<int>(ToInt(value, 0));
        else if (key == "height")
            cur.height = static_cast<int>(ToInt(value, 0));
        else if (key == "pix_fmt")
            cur.pixFmt = value;
        else if (key == "sample_rate")
            cur.sampleRate = static_cast<int>(ToInt(value, 0));
        else if (key == "channels")
            cur.channels = static_cast<int>(ToInt(value, 0));
        else if (key == "r_frame_rate")
            cur.rFrameRate = value;
        else if (key == "nb_frames")
            cur.nbFrames = ToInt(value, -1);
    }
    return streams;
}

std::vector<int64_t> ProbeVideoKeyFrames(const std::string& path) {
    std::vector<int64_t> keys;
    auto packets = ProbePackets(path, "v:0");
    for (size_t i = 0; i < packets.size(); ++i)
        if (packets[i].key)
            keys.push_back(static_cast<int64_t>(i));
    return keys;
}

std::string FfmpegDecodeErrors(const std::string& path) {
    auto r = Ffmpeg({"-i", path, "-f", "null", "-"});
    return r.err + (r.exitCode != 0 ? "exit status " + std::to_string(r.exitCode) : "");
}

std::vector<std::string> FramemD5Copy(const std::string& path, const std::string& stream) {
    auto r = Ffmpeg({"-i", path, "-map", "0:" + stream, "-c", "copy", "-f", "framemd5", "-"});
    std::vector<std::string> out;
    for (const auto& line : Lines(r.out))
        if (line[0] != '#')
            out.push_back(line);
    return out;
}

std::vector<std::vector<uint8_t>> FfmpegFramesBottomUp(const std::string& path, int width, int height,
                                                       const std::string& pixFmt, int bytesPerPixel) {
    const CommandResult r = RunCommand(
        {"ffmpeg", "-v", "error", "-nostdin", "-i", path, "-f", "rawvideo", "-pix_fmt", pixFmt, "-"});
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
    const size_t frameBytes = rowBytes * static_cast<size_t>(height);
    std::vector<std::vector<uint8_t>> frames;
    if (r.exitCode != 0 || frameBytes == 0)
        return frames;
    for (size_t at = 0; at + frameBytes <= r.out.size(); at += frameBytes) {
        std::vector<uint8_t> frame(frameBytes);
        for (size_t y = 0; y < static_cast<size_t>(height); ++y)
            std::memcpy(frame.data() + (static_cast<size_t>(height) - 1 - y) * rowBytes,
                        r.out.data() + at + y * rowBytes, rowBytes);
        frames.push_back(std::move(frame));
    }
    return frames;
}
