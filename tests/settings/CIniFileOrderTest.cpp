// The order of lines in written files: the hash buckets, the chains, and the
// files that other programs and earlier versions expect byte for byte.

#include "settings/CIniFile.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Keys(const CIniHashMap<int>& map) {
    std::string order;
    map.ForEach(
        [&order](const std::string& key, int value) { order += key + ":" + std::to_string(value) + " "; });
    return order;
}

std::string SaveText(CIniFile& store) {
    CTempDir dir;
    const std::string path = dir.File("out.ini");
    EXPECT_TRUE(store.Save(path));
    return ReadFileText(path);
}

} // namespace

TEST(CIniHashMap, BucketTakesBytesAsSignedChars) {
    EXPECT_EQ(IniHashBucket(""), 0u);
    EXPECT_EQ(IniHashBucket("a"), 12u);
    EXPECT_EQ(IniHashBucket("ab"), 1u);
    // An unsigned byte would put both into bucket 0.
    EXPECT_EQ(IniHashBucket("\xE9"
                            "a"),
              2u);
    EXPECT_EQ(IniHashBucket("a\xE9"), 16u);
    EXPECT_EQ(IniHashBucket("TimeIntervalls"), 15u);
}

TEST(CIniHashMap, IteratesBucketsUpwardNewestFirstAndReplacesInPlace) {
    CIniHashMap<int> map;
    map.Set("a", 1);  // bucket 12
    map.Set("b", 2);  // 13
    map.Set("r", 3);  // 12
    map.Set("ab", 4); // 1
    map.Set("q", 5);  // 11
    EXPECT_EQ(Keys(map), "ab:4 q:5 r:3 a:1 b:2 ");
    map.Set("a", 6);
    EXPECT_EQ(Keys(map), "ab:4 q:5 r:3 a:6 b:2 ");
    EXPECT_EQ(map.Size(), 5u);
    map.Clear();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.Find("a"), nullptr);
    map.Set("a", 7);
    EXPECT_EQ(Keys(map), "a:7 ");
}

// A data base as the export builds it: defaults, movie info, two intervals,
// then both codec sections, in the order the export sets them.
TEST(CIniFile, SavesTheDataBaseExampleByteForByte) {
    CIniFile store;
    store.SetComment("DataBase", "Important Informations about the current movie data base");
    store.SetFloat("DataBase", "Version", 1.0f);
    store.SetComment("Movie", "FramePerSeconds = Frames per seconds of the original movie");
    store.SetComment("Movie", "ResolutionX = Width of the original Movie");
    store.SetComment("Movie", "ResolutionY = Height of the original Movie");
    store.SetInt("Movie", "FramePerSeconds", -1);
    store.SetInt("Movie", "ResolutionX", -1);
    store.SetInt("Movie", "ResolutionY", -1);
    store.SetComment(
        "CheckPoints",
        "CheckPoints are used to synchronize different original movies with different movie data bases");
    store.SetInt("Movie", "FramePerSeconds", 25);
    store.SetInt("Movie", "ResolutionX", 640);
    store.SetInt("Movie", "ResolutionY", 272);
    const int times[2][3] = {{0, 10000, 1}, {10000, 20000, 0}};
    for (int n = 0; n < 2; ++n) {
        if (n == 0)
            store.SetComment("TimeIntervalls", "List of encoding parts with low or fast motion");
        store.SetInt("TimeIntervalls", "StartTime" + std::to_string(n), times[n][0]);
        store.SetInt("TimeIntervalls", "EndTime" + std::to_string(n), times[n][1]);
        store.SetInt("TimeIntervalls", "Part" + std::to_string(n), times[n][2]);
    }
    const struct {
        const char* section;
        const char* prefix;
        int firstByte;
    } codecs[] = {{"Low-Codec", "Low", 3}, {"Fast-Codec", "Fast", 4}};
    for (const auto& codec : codecs) {
        const std::string prefix = codec.prefix;
        store.SetInt(codec.section, prefix + "BufferSize", 2);
        store.SetInt(codec.section, "Byte0", codec.firstByte);
        store.SetInt(codec.section, "Byte1", 0);
        store.SetInt(codec.section, prefix + "fccType", 1935960438);
        store.SetInt(codec.section, prefix + "fccHandler", 0);
        store.SetInt(codec.section, prefix + "dwKeyFrameEvery", 0);
        store.SetInt(codec.section, prefix + "dwQuality", 10000);
        store.SetInt(codec.section, prefix + "dwBytesPerSecond", 0);
        store.SetInt(codec.section, prefix + "dwFlags", 0);
        store.SetInt(codec.section, prefix + "dwInterleaveEvery", 0);
    }

    EXPECT_EQ(SaveText(store),
              ReadFileText(std::string(FLINTMOOR_TEST_DATA) + "/example_movie_database.vdb"));
}

TEST(CIniFile, SavesTheLanguageSettingAlone) {
    CIniFile store;
    store.SetString("LANGUAGE", "CurrentLanguage", "English");
    EXPECT_EQ(SaveText(store), "[LANGUAGE]\r\nCurrentLanguage=English\r\n\r\n");
}

TEST(CIniFile, KeysWithoutHeaderRoundTripThroughTheEmptySection) {
    CTempDir dir;
    WriteFileBytes(dir.File("in.ini"), {'k', '=', 'v', '\n', '[', 'S', ']', '\n', 'x', '=', 'y'});
    CIniFile store;
    ASSERT_TRUE(store.Load(dir.File("in.ini")));
    const std::string saved = SaveText(store);
    EXPECT_NE(saved.find("[]\r\nk=v\r\n\r\n"), std::string::npos) << saved;

    WriteFileBytes(dir.File("again.ini"), std::vector<uint8_t>(saved.begin(), saved.end()));
    CIniFile again;
    ASSERT_TRUE(again.Load(dir.File("again.ini")));
    std::string value;
    EXPECT_TRUE(again.GetString("", "k", value));
    EXPECT_EQ(value, "v");
    EXPECT_EQ(SaveText(again), saved);
}

// Merge walks the other store in its order and sets each key here, so two
// new keys of one bucket come out in the opposite order; existing keys keep
// their place and take the new value.
TEST(CIniFile, MergeOverwritesInPlaceAndAddsInTheOthersOrder) {
    CIniFile mine;
    mine.SetString("S", "b", "mine");
    mine.SetString("S", "keep", "1");
    CIniFile other;
    other.SetString("S", "a", "A"); // "a" and "r" share bucket 12
    other.SetString("S", "r", "R");
    other.SetString("S", "b", "theirs");
    other.SetComment("T", "note");
    mine.Merge(other);

    std::string value;
    ASSERT_TRUE(mine.GetString("S", "b", value));
    EXPECT_EQ(value, "theirs");
    ASSERT_TRUE(mine.GetString("S", "keep", value));
    EXPECT_EQ(value, "1");
    EXPECT_EQ(SaveText(other), "[S]\r\nr=R\r\na=A\r\nb=theirs\r\n\r\n//note\r\n[T]\r\n\r\n");
    const std::string merged = SaveText(mine);
    EXPECT_NE(merged.find("[S]\r\nkeep=1\r\na=A\r\nr=R\r\nb=theirs\r\n"), std::string::npos) << merged;
    EXPECT_NE(merged.find("//note\r\n[T]\r\n"), std::string::npos) << merged;

    mine.Merge(mine); // merging a store into itself changes nothing
    EXPECT_EQ(SaveText(mine), merged);
}
