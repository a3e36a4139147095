// flintmoor-cli info: the JSON form read back and checked against ffprobe,
// odd file names, files that do not open, and the form for people.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <random>

namespace {
using Json = nlohmann::json;

Json InfoJson(const std::vector<std::string>& files, CommandResult& result) {
    std::vector<std::string> args{"info", "--json"};
    args.insert(args.end(), files.begin(), files.end());
    result = RunCli(args);
    return Json::parse(result.out);
}

int64_t PacketBytes(const std::string& path, const std::string& stream) {
    int64_t total = 0;
    for (const ProbePacket& p : ProbePackets(path, stream))
        total += p.size;
    return total;
}

std::string MakeMovie(const CTempDir& dir, const std::string& name, const std::vector<std::string>& audio) {
    std::vector<std::string> args{"-f",
                                  "lavfi",
                                  "-i",
                                  "testsrc=size=176x144:rate=25",
                                  "-f",
                                  "lavfi",
                                  "-i",
                                  "sine",
                                  "-t",
                                  "2",
                                  "-c:v",
                                  "msmpeg4",
                                  "-vtag",
                                  "DIV3",
                                  "-g",
                                  "25",
                                  "-force_key_frames",
                                  "expr:eq(n,7)"};
    args.insert(args.end(), audio.begin(), audio.end());
    args.push_back(dir.File(name));
    const CommandResult r = Ffmpeg(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir.File(name);
}

TEST(InfoCommandTest, JsonAgreesWithFfprobe) {
    CTempDir dir;
    const std::string pcm = MakeMovie(dir, "pcm.avi", {"-c:a", "pcm_s16le", "-ac", "2", "-ar", "44100"});
    const std::string mp3 = MakeMovie(dir, "mp3.avi", {"-c:a", "libmp3lame", "-q:a", "5"});
    CommandResult r;
    Json json = InfoJson({pcm, mp3}, r);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(json.size(), 2u);

    for (size_t f = 0; f < 2; ++f) {
        Json file = json[f];
        const std::string path = f == 0 ? pcm : mp3;
        EXPECT_EQ(file["path"], path);
        EXPECT_TRUE(file["open"].get<bool>());
        // ffmpeg puts an empty chunk (a dropped frame) behind the first frame
        // when it muxes MP3; ffprobe skips it, but its time stamps count it.
        const auto packets = ProbePackets(path, "v:0");
        ASSERT_FALSE(packets.empty());
        const int64_t frames = packets.back().pts + 1;
        std::vector<int64_t> expectedKeys;
        for (const ProbePacket& p : packets)
            if (p.key)
                expectedKeys.push_back(p.pts);
        EXPECT_EQ(file["frames"], frames);
        EXPECT_EQ(file["duration_ms"], frames * 40);
        EXPECT_EQ(file["width"], 176);
        EXPECT_EQ(file["height"], 144);
        EXPECT_TRUE(file["opendml"].is_boolean());
        EXPECT_FALSE(file["opendml"].get<bool>());
        EXPECT_FALSE(file["index_rebuilt"].get<bool>());
        ASSERT_EQ(file["streams"].size(), 2u);

        Json video = file["streams"][0];
        EXPECT_EQ(video["index"], 0);
        EXPECT_EQ(video["type"], "video");
        EXPECT_EQ(video["fcc_type"], "vids");
        EXPECT_EQ(video["fcc_handler"], "DIV3");
        EXPECT_EQ(video["rate"], 25);
        EXPECT_EQ(video["scale"], 1);
        EXPECT_EQ(video["length"], frames);
        EXPECT_EQ(video["bytes"], PacketBytes(path, "v:0"));
        EXPECT_EQ(video["key_frames"].get<std::vector<int64_t>>(), expectedKeys);
        EXPECT_EQ(video["format"]["width"], 176);
        EXPECT_EQ(video["format"]["height"], 144);
        EXPECT_EQ(video["format"]["compression"], "DIV3");

        Json audio = file["streams"][1];
        EXPECT_EQ(audio["type"], "audio");
        EXPECT_EQ(audio["fcc_type"], "auds");
        EXPECT_FALSE(audio.contains("key_frames")); // video only
        EXPECT_EQ(audio["bytes"], PacketBytes(path, "a:0"));
        EXPECT_EQ(audio["format"]["samples_per_sec"], 44100);
        if (f == 0) {
            EXPECT_EQ(audio["length"], PacketBytes(path, "a:0") / 4);
            EXPECT_EQ(audio["sample_size"], 4);
            EXPECT_EQ(audio["format"]["format_tag"], 1);
            EXPECT_EQ(audio["format"]["channels"], 2);
            EXPECT_EQ(audio["format"]["block_align"], 4);
            EXPECT_EQ(audio["format"]["bits_per_sample"], 16);
        } else {
            EXPECT_EQ(audio["length"], static_cast<int64_t>(ProbePackets(path, "a:0").size()));
            EXPECT_EQ(audio["sample_size"], 0);
            EXPECT_EQ(audio["format"]["format_tag"], 0x55);
        }
    }
}

TEST(InfoCommandTest, OddNamesSurviveAndUnreadableFilesFailTheRunButNotTheList) {
    CTempDir dir;
    const std::string good = MakeMovie(dir, "good.avi", {"-an"});
    // Quote, backslash, newline, tab, a control byte and a byte that is no UTF-8.
    const std::string odd = dir.File("we\"ird\\na\nme\t\x01\xff\xc3\xa9.avi");
    WriteFileBytes(odd, ReadFileBytes(good));
    const std::string missing = dir.File("missing\xfe.avi");
    const std::string garbage = dir.File("garbage.avi");
    WriteFileBytes(garbage, std::vector<uint8_t>(4096, 'g'));

    CommandResult r;
    Json json = InfoJson({missing, odd, garbage, good}, r);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(json.size(), 4u);
    // A name that is no UTF-8: valid text with U+FFFD for the bad byte, and
    // the very bytes in hexadecimal beside it; good names have no such member.
    const auto hex = [](const std::string& bytes) {
        std::string text;
        char digits[3];
        for (const char c : bytes) {
            std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
            text += digits;
        }
        return text;
    };
    EXPECT_EQ(json[0]["path"], dir.File("missing\xef\xbf\xbd.avi"));
    EXPECT_EQ(json[0]["path_hex"], hex(missing));
    EXPECT_FALSE(json[0]["open"].get<bool>());
    EXPECT_TRUE(json[0]["open"].is_boolean());
    EXPECT_EQ(json[1]["path"], dir.File("we\"ird\\na\nme\t\x01\xef\xbf\xbd\xc3\xa9.avi"));
    EXPECT_EQ(json[1]["path_hex"], hex(odd));
    EXPECT_FALSE(json[3].contains("path_hex"));
    EXPECT_TRUE(json[1]["open"].get<bool>());
    EXPECT_EQ(json[1]["frames"], 50);
    EXPECT_FALSE(json[2]["open"].get<bool>());
    EXPECT_TRUE(json[3]["open"].get<bool>());
    EXPECT_EQ(json[3]["streams"].size(), 1u);
    EXPECT_NE(r.err.find("Failed to open AVI File: " + missing), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Failed to open AVI File: " + garbage), std::string::npos) << r.err;
}

TEST(InfoCommandTest, PlainFormIsForPeople) {
    CTempDir dir;
    const std::string path = MakeMovie(dir, "movie.avi", {"-c:a", "pcm_s16le"});
    const CommandResult r = RunCli({"info", path});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind(path + "\n", 0), 0u) << r.out;
    for (const char* part : {"frames 50", "duration 00:00:02.000", "176x144", " kB\n", "OpenDML: no",
                             "index: ", "stream 0: video 'vids' 'DIV3', rate 25/1, length 50", "3 key frames",
                             "stream 1: audio 'auds'", "PCM (tag 0x0001)"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    // Sizes in units people read; no key frames counted for audio (every
    // sample is one); nothing said about reading a file that was read.
    EXPECT_EQ(r.out.find(" bytes,"), std::string::npos) << r.out;
    const std::string audioLine = r.out.substr(r.out.find("stream 1:"));
    EXPECT_EQ(audioLine.find("key frames"), std::string::npos) << audioLine;
    EXPECT_EQ(r.out.find("cannot be read"), std::string::npos) << r.out;
    EXPECT_EQ(RunCli({"info"}).exitCode, 2); // a file is required
}

TEST(InfoCommandTest, CommonAudioFormatsAreNamed) {
    CTempDir dir;
    const std::vector<std::pair<std::string, std::string>> formats = {
        {"pcm_s16le", "PCM"}, {"libmp3lame", "MP3"}, {"ac3", "AC-3"}, {"aac", "AAC"}};
    std::vector<std::string> files;
    for (const auto& [codec, name] : formats)
        files.push_back(MakeMovie(dir, codec + ".avi", {"-c:a", codec}));
    CommandResult r;
    Json json = InfoJson(files, r);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(json.size(), formats.size());
    const CommandResult plain = RunCli({"info", files[2]});
    for (size_t i = 0; i < formats.size(); ++i)
        EXPECT_EQ(json[i]["streams"][1]["format"]["format_name"], formats[i].second) << formats[i].first;
    EXPECT_NE(plain.out.find("AC-3 (tag 0x2000)"), std::string::npos) << plain.out;
}
} // namespace

// A DIV3 movie whose chunk payloads were partly overwritten with noise: the
// index is intact, so only decoding shows the damage. `info --decode` lists
// the decoder's own notes for it and none for the clean file, in both forms.
TEST(InfoCommandTest, DecodeListsTheDecodersNotesOnADamagedFile) {
    CTempDir dir;
    const std::string clean = MakeMovie(dir, "clean.avi", {"-an"});
    std::vector<uint8_t> bytes = ReadFileBytes(clean);
    std::mt19937 noise(11);
    int garbled = 0;
    int seen = 0;
    for (size_t at = 0; at + 8 < bytes.size(); ++at) {
        if (std::memcmp(&bytes[at], "00dc", 4) != 0)
            continue;
        const uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 |
                              static_cast<uint32_t>(bytes[at + 7]) << 24;
        if (size < 16 || at + 8 + size > bytes.size() || seen++ % 3 != 2)
            continue;
        for (size_t i = at + 8 + size / 4; i < at + 8 + size; ++i)
            bytes[i] = static_cast<uint8_t>(noise());
        ++garbled;
    }
    ASSERT_GT(garbled, 5);
    const std::string damaged = dir.File("damaged.avi");
    WriteFileBytes(damaged, bytes);

    CommandResult r = RunCli({"info", "--decode", clean, damaged});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const size_t split = r.out.find(damaged);
    ASSERT_NE(split, std::string::npos) << r.out;
    const std::string cleanPart = r.out.substr(0, split);
    const std::string damagedPart = r.out.substr(split);
    EXPECT_NE(cleanPart.find("  decoded: 50 frames"), std::string::npos) << cleanPart;
    EXPECT_NE(cleanPart.find("  decoder: no warnings\n"), std::string::npos) << cleanPart;
    EXPECT_NE(damagedPart.find("  decoder: error: "), std::string::npos) << damagedPart;
    EXPECT_EQ(damagedPart.find("no warnings"), std::string::npos) << damagedPart;
    EXPECT_EQ(r.err.find("@ 0x"), std::string::npos) << r.err;                 // libav printed nothing itself
    EXPECT_EQ(RunCli({"info", clean}).out.find("decoder"), std::string::npos); // only when asked

    r = RunCli({"info", "--json", "--decode", clean, damaged});
    Json json = Json::parse(r.out);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[0]["decoded"]["frames"], 50);
    EXPECT_TRUE(json[0]["decoded"]["notes"].is_array());
    EXPECT_TRUE(json[0]["decoded"]["notes"].empty());
    Json notes = json[1]["decoded"]["notes"];
    ASSERT_FALSE(notes.empty()) << r.out;
    EXPECT_FALSE(notes[0]["text"].get<std::string>().empty());
    EXPECT_GE(notes[0]["count"], 1);
    EXPECT_TRUE(notes[0]["level"] == "error" || notes[0]["level"] == "warning");
}
