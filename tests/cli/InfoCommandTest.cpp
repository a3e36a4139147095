// flintmoor-cli info: the JSON form read back and checked against ffprobe,
// odd file names, files that do not open, and the form for people.

#include "support/Ffprobe.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <random>

namespace {
// Just enough JSON to read our own output back: strict about structure,
// escapes decoded (\udcXX gives back the raw byte XX, as it was written).
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        static const Json none;
        auto it = members.find(key);
        return it == members.end() ? none : it->second;
    }
    const Json& operator[](size_t i) const {
        static const Json none;
        return i < items.size() ? items[i] : none;
    }
    int64_t Int() const { return static_cast<int64_t>(number); }
};

class CJsonReader {
public:
    explicit CJsonReader(const std::string& text) : m_text(text) {}
    bool Read(Json& out) {
        const bool ok = Value(out);
        Blank();
        return ok && m_pos == m_text.size();
    }

private:
    void Blank() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool Take(char c) {
        Blank();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool Word(const std::string& word) {
        if (m_text.compare(m_pos, word.size(), word) != 0)
            return false;
        m_pos += word.size();
        return true;
    }
    bool String(std::string& out) {
        if (!Take('"'))
            return false;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            const char e = m_text[m_pos++];
            const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (simple.find(e) != std::string::npos) {
                out += meaning[simple.find(e)];
                continue;
            }
            if (e != 'u' || m_pos + 4 > m_text.size())
                return false;
            const unsigned code = static_cast<unsigned>(std::stoul(m_text.substr(m_pos, 4), nullptr, 16));
            m_pos += 4;
            if (code >= 0xDC80 && code <= 0xDCFF)
                out += static_cast<char>(code - 0xDC00);
            else if (code < 0x80)
                out += static_cast<char>(code);
            else
                return false; // our writer escapes nothing else
        }
        return false;
    }
    bool Value(Json& out) {
        Blank();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '"') {
            out.kind = Json::Kind::String;
            return String(out.text);
        }
        if (c == '[') {
            out.kind = Json::Kind::Array;
            ++m_pos;
            if (Take(']'))
                return true;
            do {
                out.items.emplace_back();
                if (!Value(out.items.back()))
                    return false;
            } while (Take(','));
            return Take(']');
        }
        if (c == '{') {
            out.kind = Json::Kind::Object;
            ++m_pos;
            if (Take('}'))
                return true;
            do {
                std::string key;
                if (!String(key) || !Take(':') || out.members.count(key) || !Value(out.members[key]))
                    return false;
            } while (Take(','));
            return Take('}');
        }
        if (Word("true") || Word("false")) {
            out.kind = Json::Kind::Bool;
            out.boolean = c == 't';
            return true;
        }
        if (Word("null"))
            return true;
        size_t used = 0;
        try {
            out.number = std::stod(m_text.substr(m_pos, 32), &used);
        } catch (...) {
            return false;
        }
        out.kind = Json::Kind::Number;
        m_pos += used;
        return true;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

Json InfoJson(const std::vector<std::string>& files, CommandResult& result) {
    std::vector<std::string> args{"info", "--json"};
    args.insert(args.end(), files.begin(), files.end());
    result = RunCli(args);
    Json json;
    EXPECT_TRUE(CJsonReader(result.out).Read(json)) << result.out;
    return json;
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
    const Json json = InfoJson({pcm, mp3}, r);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(json.items.size(), 2u);

    for (size_t f = 0; f < 2; ++f) {
        const Json& file = json[f];
        const std::string path = f == 0 ? pcm : mp3;
        EXPECT_EQ(file["path"].text, path);
        EXPECT_TRUE(file["open"].boolean);
        // ffmpeg puts an empty chunk (a dropped frame) behind the first frame
        // when it muxes MP3; ffprobe skips it, but its time stamps count it.
        const auto packets = ProbePackets(path, "v:0");
        ASSERT_FALSE(packets.empty());
        const int64_t frames = packets.back().pts + 1;
        std::vector<int64_t> expectedKeys;
        for (const ProbePacket& p : packets)
            if (p.key)
                expectedKeys.push_back(p.pts);
        EXPECT_EQ(file["frames"].Int(), frames);
        EXPECT_EQ(file["duration_ms"].Int(), frames * 40);
        EXPECT_EQ(file["width"].Int(), 176);
        EXPECT_EQ(file["height"].Int(), 144);
        EXPECT_EQ(file["opendml"].kind, Json::Kind::Bool);
        EXPECT_FALSE(file["opendml"].boolean);
        EXPECT_FALSE(file["index_rebuilt"].boolean);
        ASSERT_EQ(file["streams"].items.size(), 2u);

        const Json& video = file["streams"][0];
        EXPECT_EQ(video["index"].Int(), 0);
        EXPECT_EQ(video["type"].text, "video");
        EXPECT_EQ(video["fcc_type"].text, "vids");
        EXPECT_EQ(video["fcc_handler"].text, "DIV3");
        EXPECT_EQ(video["rate"].Int(), 25);
        EXPECT_EQ(video["scale"].Int(), 1);
        EXPECT_EQ(video["length"].Int(), frames);
        EXPECT_EQ(video["bytes"].Int(), PacketBytes(path, "v:0"));
        std::vector<int64_t> keys;
        for (const Json& k : video["key_frames"].items)
            keys.push_back(k.Int());
        EXPECT_EQ(keys, expectedKeys);
        EXPECT_EQ(video["format"]["width"].Int(), 176);
        EXPECT_EQ(video["format"]["height"].Int(), 144);
        EXPECT_EQ(video["format"]["compression"].text, "DIV3");

        const Json& audio = file["streams"][1];
        EXPECT_EQ(audio["type"].text, "audio");
        EXPECT_EQ(audio["fcc_type"].text, "auds");
        EXPECT_EQ(audio["key_frames"].kind, Json::Kind::Null); // video only
        EXPECT_EQ(audio["bytes"].Int(), PacketBytes(path, "a:0"));
        EXPECT_EQ(audio["format"]["samples_per_sec"].Int(), 44100);
        if (f == 0) {
            EXPECT_EQ(audio["length"].Int(), PacketBytes(path, "a:0") / 4);
            EXPECT_EQ(audio["sample_size"].Int(), 4);
            EXPECT_EQ(audio["format"]["format_tag"].Int(), 1);
            EXPECT_EQ(audio["format"]["channels"].Int(), 2);
            EXPECT_EQ(audio["format"]["block_align"].Int(), 4);
            EXPECT_EQ(audio["format"]["bits_per_sample"].Int(), 16);
        } else {
            EXPECT_EQ(audio["length"].Int(), static_cast<int64_t>(ProbePackets(path, "a:0").size()));
            EXPECT_EQ(audio["sample_size"].Int(), 0);
            EXPECT_EQ(audio["format"]["format_tag"].Int(), 0x55);
        }
    }
}

TEST(InfoCommandTest, OddNamesSurviveAndUnreadableFilesFailTheRunButNotTheList) {
    CTempDir dir;
    const std::string good = MakeMovie(dir, "good.avi", {"-an"});
    // Quote, backslash, newline, tab, a control byte and a byte that is no UTF-8.
    const std::string odd = dir.File("we\"ird\\na\nme\t\x01\xff\xc3\xa9.avi");
    WriteFileBytes(odd, ReadFileBytes(good));
    const std::string missing = dir.File("missing.avi");
    const std::string garbage = dir.File("garbage.avi");
    WriteFileBytes(garbage, std::vector<uint8_t>(4096, 'g'));

    CommandResult r;
    const Json json = InfoJson({missing, odd, garbage, good}, r);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find('\xff'), std::string::npos); // raw non-UTF-8 bytes are escaped
    ASSERT_EQ(json.items.size(), 4u);
    EXPECT_EQ(json[0]["path"].text, missing);
    EXPECT_FALSE(json[0]["open"].boolean);
    EXPECT_EQ(json[0]["open"].kind, Json::Kind::Bool);
    EXPECT_EQ(json[1]["path"].text, odd);
    EXPECT_TRUE(json[1]["open"].boolean);
    EXPECT_EQ(json[1]["frames"].Int(), 50);
    EXPECT_FALSE(json[2]["open"].boolean);
    EXPECT_TRUE(json[3]["open"].boolean);
    EXPECT_EQ(json[3]["streams"].items.size(), 1u);
    EXPECT_NE(r.err.find("Failed to open AVI File: " + missing), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Failed to open AVI File: " + garbage), std::string::npos) << r.err;
}

TEST(InfoCommandTest, PlainFormIsForPeople) {
    CTempDir dir;
    const std::string path = MakeMovie(dir, "movie.avi", {"-c:a", "pcm_s16le"});
    const CommandResult r = RunCli({"info", path});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind(path + "\n", 0), 0u) << r.out;
    for (const char* part : {"frames 50", "duration 00:00:02.000", "176x144", "OpenDML: no",
                             "index: ", "stream 0: video 'vids' 'DIV3', rate 25/1, length 50", "3 key frames",
                             "stream 1: audio 'auds'"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    EXPECT_EQ(RunCli({"info"}).exitCode, 2); // a file is required
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
    Json json;
    ASSERT_TRUE(CJsonReader(r.out).Read(json)) << r.out;
    ASSERT_EQ(json.items.size(), 2u);
    EXPECT_EQ(json[0]["decoded"]["frames"].Int(), 50);
    EXPECT_EQ(json[0]["decoded"]["notes"].kind, Json::Kind::Array);
    EXPECT_TRUE(json[0]["decoded"]["notes"].items.empty());
    const Json& notes = json[1]["decoded"]["notes"];
    ASSERT_FALSE(notes.items.empty()) << r.out;
    EXPECT_FALSE(notes[0]["text"].text.empty());
    EXPECT_GE(notes[0]["count"].Int(), 1);
    EXPECT_TRUE(notes[0]["level"].text == "error" || notes[0]["level"].text == "warning");
}
