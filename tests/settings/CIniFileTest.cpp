// Reading text files into the store, the typed getters, failures and hostile
// input.

#include "settings/CIniFile.h"
#include "settings/ProgramPaths.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Loads `text` from a file into a fresh store.
void LoadText(CIniFile& store, const CTempDir& dir, const std::string& text) {
    WriteFileBytes(dir.File("in.ini"), Bytes(text));
    ASSERT_TRUE(store.Load(dir.File("in.ini")));
}

std::string SaveText(CIniFile& store, const CTempDir& dir) {
    EXPECT_TRUE(store.Save(dir.File("out.ini")));
    return ReadFileText(dir.File("out.ini"));
}

size_t KeyCount(const CIniFile& store) {
    size_t count = 0;
    store.ForEachSection(
        [&count](const std::string&, const CIniFile::CKeyMap& keys) { count += keys.Size(); });
    return count;
}

// Every section, key and value, sorted: saving and loading again reverses
// keys that share a bucket, so the stores are compared by content.
std::set<std::string> Content(const CIniFile& store) {
    std::set<std::string> content;
    store.ForEachSection([&content](const std::string& section, const CIniFile::CKeyMap& keys) {
        keys.ForEach([&](const std::string& key, const std::string& value) {
            content.insert(section + '\x01' + key + '\x01' + value);
        });
    });
    return content;
}

} // namespace

TEST(CIniFile, ParsesLinesAsTheFileFormatDefines) {
    struct Case {
        const char* name;
        std::string text;
        std::string section;
        std::string key;
        std::optional<std::string> value; // nullopt: the key must not exist
        size_t keys;                      // keys in the whole store
    };
    const Case cases[] = {
        {"blanks trimmed", "[S]\n  key  =  value  \n", "S", "key", "value", 1},
        {"later = belong to the value", "[S]\nk=a=b\n", "S", "k", "a=b", 1},
        {"empty value", "[S]\nk=\n", "S", "k", "", 1},
        {"empty key", "[S]\n=v\n", "S", "", "v", 1},
        {"last value wins", "[S]\nk=1\n[T]\nx=y\n[S]\nk=2\n", "S", "k", "2", 2},
        {"brackets in a value make a header", "[S]\nk=[x]\nj=v\n", "x", "j", "v", 1},
        {"header text around brackets ignored", "junk [A] more\nk=v\n", "A", "k", "v", 1},
        {"] before [ is no header", "[S]\na]b[c\n", "S", "a]b[c", std::nullopt, 0},
        {"blanks inside brackets count", "[ s ]\nk=v\n", "s", "k", std::nullopt, 1},
        {"blanks inside brackets name", "[ s ]\nk=v\n", " s ", "k", "v", 1},
        {"tab stays in the key", "[S]\n\tk=v\n", "S", "k", std::nullopt, 1},
        {"tab key found with tab", "[S]\n\tk=v\n", "S", "\tk", "v", 1},
        {"indented comment", "[S]\n   //k=v\n", "S", "//k", std::nullopt, 0},
        {"// inside a value", "[S]\nk=a//b\n", "S", "k", "a//b", 1},
        {"keys before any header", "k=v\n[S]\n", "", "k", "v", 1},
        {"line without =", "[S]\nnothing here\n", "S", "nothing here", std::nullopt, 0},
        {"lone CR stays in the line", "[S]\rk=v\r\n", "S", "k", std::nullopt, 0},
        {"LF and CRLF alike", "[S]\r\na=1\nk=v\r\n", "S", "k", "v", 2},
        {"CR before CRLF stays", "[S]\nk=v\r\r\n", "S", "k", "v\r", 1},
        {"last line without line end", "[S]\nk=v", "S", "k", "v", 1},
        {"UTF-8 BOM before a header", "\xEF\xBB\xBF[S]\nk=v\n", "S", "k", "v", 1},
        {"UTF-8 BOM before a key", "\xEF\xBB\xBFk=v\n", "", "\xEF\xBB\xBFk", "v", 1},
        {"NUL bytes are ordinary", std::string("[S]\nk=a\0b\n", 10), "S", "k", std::string("a\0b", 3), 1},
        {"empty file", "", "", "", std::nullopt, 0},
        {"one byte", "x", "", "", std::nullopt, 0},
        {"one = only", "=", "", "", std::nullopt, 0},
    };
    CTempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CIniFile store;
        LoadText(store, dir, c.text);
        std::string value = "untouched";
        EXPECT_EQ(store.GetString(c.section, c.key, value), c.value.has_value());
        EXPECT_EQ(value, c.value.value_or("untouched"));
        EXPECT_EQ(KeyCount(store), c.keys);
    }
}

TEST(CIniFile, Utf16LittleEndianKeepsTheLowBytes) {
    std::string text = "\xFF\xFE";
    for (const char16_t c : std::u16string(u"[S]\r\nk=v\u0141\r\n")) {
        text.push_back(static_cast<char>(c & 0xFF));
        text.push_back(static_cast<char>(c >> 8));
    }
    text.push_back('x'); // a stray odd byte is read as a character of its own
    CTempDir dir;
    CIniFile store;
    LoadText(store, dir, text);
    std::string value;
    EXPECT_TRUE(store.GetString("S", "k", value));
    EXPECT_EQ(value, "vA"); // U+0141 loses its high byte
    EXPECT_EQ(KeyCount(store), 1u);
}

TEST(CIniFile, CommentsComeOnlyFromSetComment) {
    CTempDir dir;
    CIniFile store;
    LoadText(store, dir, "//file comment\n[S]\n//inner\nk=v\n");
    store.SetComment("S", "mine");
    EXPECT_EQ(SaveText(store, dir), "//mine\r\n[S]\r\nk=v\r\n\r\n");
    std::string value = "x";
    EXPECT_TRUE(store.GetString("S", "//mine", value)); // stored as an ordinary key
    EXPECT_EQ(value, "");
}

TEST(CIniFile, TypedValuesConvertLikeTheClassicRuntime) {
    CIniFile store;
    store.SetInt("N", "neg", -3);
    store.SetFloat("N", "five", 5.0f);
    store.SetFloat("N", "third", 1.0f / 3.0f);
    std::string text;
    ASSERT_TRUE(store.GetString("N", "neg", text));
    EXPECT_EQ(text, "-3");
    ASSERT_TRUE(store.GetString("N", "five", text));
    EXPECT_EQ(text, "5.000000");
    ASSERT_TRUE(store.GetString("N", "third", text));
    EXPECT_EQ(text, "0.333333");

    const struct {
        const char* text;
        int32_t expected;
    } ints[] = {{"12abc", 12},
                {"abc", 0},
                {"  -7", -7},
                {"+5", 5},
                {"007", 7},
                {"", 0},
                {"- 3", 0},
                {"300", 300},
                {"99999999999", INT32_MAX},
                {"-99999999999", INT32_MIN}};
    for (const auto& c : ints) {
        SCOPED_TRACE(c.text);
        store.SetString("I", "k", c.text);
        int32_t value = 42;
        EXPECT_TRUE(store.GetInt("I", "k", value));
        EXPECT_EQ(value, c.expected);
    }

    const struct {
        const char* text;
        float expected;
    } floats[] = {{"2.5", 2.5f}, {" -1.25e1x", -12.5f}, {"abc", 42.0f}, {"", 42.0f}, {"7", 7.0f}};
    for (const auto& c : floats) {
        SCOPED_TRACE(c.text);
        store.SetString("F", "k", c.text);
        float value = 42.0f;
        EXPECT_TRUE(store.GetFloat("F", "k", value));
        EXPECT_EQ(value, c.expected);
    }

    int32_t i = 9;
    float f = 9.0f;
    std::string s = "9";
    EXPECT_FALSE(store.GetInt("I", "missing", i));
    EXPECT_FALSE(store.GetFloat("missing", "k", f));
    EXPECT_FALSE(store.GetString("F", "K", s)); // case matters
    EXPECT_EQ(i, 9);
    EXPECT_EQ(f, 9.0f);
    EXPECT_EQ(s, "9");
    EXPECT_EQ(store.FindSection("nothing"), nullptr);
    EXPECT_EQ(store.FindSection("nothing"), nullptr); // a look-up creates nothing
    ASSERT_NE(store.FindSection("N"), nullptr);
    EXPECT_EQ(store.FindSection("N")->Size(), 3u);
}

TEST(CIniFile, FailuresKeepTheStoreAndTheFileName) {
    CTempDir dir;
    CIniFile store;
    LoadText(store, dir, "[S]\nk=v\n");
    const std::string loaded = dir.File("in.ini");
    EXPECT_EQ(store.GetFileName(), loaded);

    const std::string big = dir.File("big.ini");
    {
        WriteFileBytes(big, {});
        std::filesystem::resize_file(big, CIniFile::MAX_FILE_SIZE + 1); // sparse: no disk used
    }
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.File("missing.ini"), dir.Path().string(), big, fifo}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(store.Load(path));
        std::string value;
        EXPECT_TRUE(store.GetString("S", "k", value));
        EXPECT_EQ(store.GetFileName(), loaded);
    }
    EXPECT_FALSE(store.Save(dir.File("no/such/dir.ini")));
    EXPECT_EQ(store.GetFileName(), loaded);

    // A device or a FIFO is no place for a settings file: refused at once.
    EXPECT_FALSE(store.Save("/dev/full"));
    EXPECT_FALSE(store.Save(fifo));
    EXPECT_EQ(store.GetFileName(), loaded);

    store.Clear();
    EXPECT_EQ(KeyCount(store), 0u);
    EXPECT_EQ(store.GetFileName(), loaded);
}

std::set<std::string> FileNames(const CTempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    return names;
}

// A saved file replaces only its name: another name of the same file (a hard
// link to an input) keeps the old bytes, and a save that fails half way
// leaves the old file whole and no temporary file behind.
TEST(CIniFile, SaveReplacesTheNameOnlyWhenComplete) {
    CTempDir dir;
    const std::vector<uint8_t> input = Bytes("RIFF input movie bytes");
    WriteFileBytes(dir.File("movie.avi"), input);
    ASSERT_EQ(::link(dir.File("movie.avi").c_str(), dir.File("linked.vdb").c_str()), 0);
    CIniFile store;
    store.SetString("S", "k", "v");
    ASSERT_TRUE(store.Save(dir.File("linked.vdb")));
    EXPECT_EQ(ReadFileBytes(dir.File("movie.avi")), input);
    EXPECT_EQ(ReadFileBytes(dir.File("linked.vdb")), Bytes("[S]\r\nk=v\r\n\r\n"));

    // A symbolic link stays a link to the file it names.
    std::filesystem::create_symlink("linked.vdb", dir.File("alias.vdb"));
    store.SetString("S", "k", "w");
    ASSERT_TRUE(store.Save(dir.File("alias.vdb")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("alias.vdb")));
    EXPECT_EQ(ReadFileBytes(dir.File("linked.vdb")), Bytes("[S]\r\nk=w\r\n\r\n"));

    // A write error (here: the file size limit) is an exception, not false.
    store.SetString("S", "big", std::string(64 * 1024, 'x'));
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(store.Save(dir.File("linked.vdb")), CIniFileError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(ReadFileBytes(dir.File("linked.vdb")), Bytes("[S]\r\nk=w\r\n\r\n"));
    EXPECT_EQ(FileNames(dir), (std::set<std::string>{"alias.vdb", "linked.vdb", "movie.avi"}));

    // A replaced file keeps its permissions, and one without the right to
    // write it is not replaced (as it would not be truncated).
    ASSERT_EQ(::chmod(dir.File("linked.vdb").c_str(), 0640), 0);
    store.SetString("S", "big", "small");
    ASSERT_TRUE(store.Save(dir.File("linked.vdb")));
    EXPECT_EQ(std::filesystem::status(dir.File("linked.vdb")).permissions(), std::filesystem::perms(0640));
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(dir.File("linked.vdb").c_str(), 0440), 0);
        EXPECT_FALSE(store.Save(dir.File("linked.vdb")));
    }
}

// Random bytes (with NULs, BOMs, brackets, long lines) must load without harm,
// and what we save must load back to the same store.
TEST(CIniFile, AnyBytesLoadAndSavedFilesReadBackTheSame) {
    std::mt19937 random(20261208);
    std::string alphabet = "[]=/ \t\r\n\r\nab\xFF\xFE\x80";
    alphabet.push_back('\0');
    CTempDir dir;
    for (int round = 0; round < 120; ++round) {
        std::string text;
        const size_t length = random() % (round % 20 == 0 ? 40000 : 400);
        for (size_t i = 0; i < length; ++i)
            text.push_back(random() % 4 == 0 ? static_cast<char>(random())
                                             : alphabet[random() % alphabet.size()]);
        if (round % 3 == 0 && text.size() >= 2) {
            text[0] = '\xFF';
            text[1] = '\xFE';
        }
        CIniFile store;
        LoadText(store, dir, text);
        const std::string first = SaveText(store, dir);
        CIniFile again;
        LoadText(again, dir, first);
        ASSERT_EQ(Content(again), Content(store)) << "round " << round;
    }

    CIniFile store;
    LoadText(store, dir, std::string(1 << 20, 'k') + "=" + std::string(1 << 20, 'v')); // one long line
    ASSERT_NE(store.FindSection(""), nullptr);
    EXPECT_EQ(store.FindSection("")->Size(), 1u);
}

TEST(ProgramPaths, SettingsGoBesideTheProgramOrIntoTheUserConfiguration) {
    const std::string programDirectory = GetProgramDirectory();
    ASSERT_FALSE(programDirectory.empty());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(programDirectory) / "test_settings"));

    // The test program's directory is writable.
    EXPECT_EQ(GetSettingsFilePath("Settings.ini"), programDirectory + "/Settings.ini");

    CTempDir dir;
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(GetSettingsFilePath("Settings.ini", dir.File("not-there")), dir.File("flintmoor/Settings.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("flintmoor")));
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home && home[0]) {
        EXPECT_EQ(GetSettingsFilePath("S.ini", dir.File("not-there")),
                  (std::filesystem::path(home) / ".config/flintmoor/S.ini").string());
    }
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(CIniFile, LoadsBesideTheProgram) {
    const std::string name = "flintmoor-beside-" + std::to_string(getpid()) + ".ini";
    const std::string expected = GetProgramDirectory() + "/" + name;
    CIniFile store;
    std::string path;
    EXPECT_FALSE(store.LoadBesideProgram(name, &path));
    EXPECT_EQ(path, expected); // also on failure, so the caller can create it there
    // Read from the very place the settings are written to.
    EXPECT_EQ(path, GetSettingsFilePath(name));

    WriteFileBytes(expected, Bytes("[LANGUAGE]\r\nCurrentLanguage=English\r\n"));
    EXPECT_TRUE(store.LoadBesideProgram(name));
    std::filesystem::remove(expected);
    std::string value;
    EXPECT_TRUE(store.GetString("LANGUAGE", "CurrentLanguage", value));
    EXPECT_EQ(value, "English");
    EXPECT_EQ(store.GetFileName(), expected);
}
