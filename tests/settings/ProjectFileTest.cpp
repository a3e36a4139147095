// Saving and loading project files: the round trip, the rules for reading
// rows back, and files that are broken or hostile.

#include "settings/CIniFile.h"
#include "settings/CProjectFile.h"
#include "support/CommaDecimalLocale.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using KeyValues = std::map<std::string, std::string>;

// Every section/key/value of a store, order ignored.
KeyValues AllValues(const CIniFile& store) {
    KeyValues values;
    store.ForEachSection([&values](const std::string& section, const CIniFile::CKeyMap& keys) {
        keys.ForEach([&](const std::string& key, const std::string& value) {
            values["[" + section + "]" + key] = value;
        });
    });
    return values;
}

KeyValues FileValues(const std::string& path) {
    CIniFile file;
    EXPECT_TRUE(file.Load(path));
    return AllValues(file);
}

std::string RowsText(const std::vector<std::string>& lines) {
    std::string text = "[Movie Settings]\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(ProjectFile, SaveLoadAndSaveAgainKeepsEveryValue) {
    CTempDir dir;
    CIniFile window;
    window.SetInt("Slider", "Value", 321);
    window.SetString("Movie Settings", "Low-File", "/movies/low.avi");
    window.SetString("Movie Settings", "Fast-File", "/movies/fast.avi");
    window.SetString("Movie Settings", "Original-File", "/movies/source.avi");
    window.SetString("Movie Settings", "Oracle-File", "/movies/low_oracle.dat");
    window.SetFloat("Movie Settings", "Oracle Value", 2.5f);
    window.SetFloat("Movie Settings", "Comparison Value", 0.25f);
    const std::vector<ProjectRow> rows = {{"00000", "250", "Low Encoding"},
                                          {"00250", "500", "Fast Encoding"},
                                          {"00500", "12000", "Low Encoding"}};
    const KeyValues before = AllValues(window);
    ASSERT_TRUE(CProjectFile::Save(window, rows, dir.File("first.ini")));
    EXPECT_EQ(AllValues(window), before) << "saving must not change the window's store";

    const KeyValues saved = FileValues(dir.File("first.ini"));
    EXPECT_EQ(saved.at("[Movie Settings]StartFrame1"), "00250");
    EXPECT_EQ(saved.at("[Movie Settings]EndFrame2"), "12000");
    EXPECT_EQ(saved.at("[Movie Settings]Codec0"), "LOW");
    EXPECT_EQ(saved.at("[Movie Settings]Codec1"), "FAST");
    EXPECT_EQ(saved.at("[Movie Settings]Oracle Value"), "2.500000");

    CIniFile loaded;
    loaded.SetString("Stale", "Key", "from before");
    const ProjectLoadResult result = CProjectFile::Load(dir.File("first.ini"), loaded);
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ(result.sliderValue, 321);
    EXPECT_TRUE(result.hasLowFile);
    EXPECT_EQ(result.lowFile, "/movies/low.avi");
    EXPECT_EQ(result.fastFile, "/movies/fast.avi");
    ASSERT_EQ(result.parts.size(), 3u);
    EXPECT_EQ(result.parts[1].start, 250);
    EXPECT_EQ(result.parts[1].end, 500);
    EXPECT_TRUE(result.parts[1].fast);
    EXPECT_FALSE(result.parts[2].fast);
    EXPECT_EQ(AllValues(loaded), before) << "the store holds exactly the file's settings";

    // The window would now show the same rows; a second save writes the same.
    ASSERT_TRUE(CProjectFile::Save(loaded, rows, dir.File("second.ini")));
    EXPECT_EQ(FileValues(dir.File("second.ini")), saved);
}

// A German desktop writes numbers with a decimal comma; project files must
// still read the same everywhere, and files from elsewhere read the same here.
TEST(ProjectFile, ValuesReadBackTheSameUnderADecimalCommaLocale) {
    CTempDir dir;
    WriteText(dir.File("elsewhere.ini"),
              "[Movie Settings]\r\nOracle Value=2.5\r\nComparison Value=0.125\r\n");
    CCommaDecimalLocale german;
    ASSERT_TRUE(german.Active()) << german.Why();

    CIniFile window;
    window.SetFloat("Movie Settings", "Oracle Value", 2.5f);
    window.SetFloat("Movie Settings", "Comparison Value", 0.25f);
    ASSERT_TRUE(CProjectFile::Save(window, {{"00000", "250", "Fast Encoding"}}, dir.File("here.ini")));
    const std::string text = ReadFileText(dir.File("here.ini"));
    EXPECT_NE(text.find("Oracle Value=2.500000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Comparison Value=0.250000\r\n"), std::string::npos) << text;

    for (const auto& [file, oracle, comparison] :
         {std::tuple{"here.ini", 2.5f, 0.25f}, std::tuple{"elsewhere.ini", 2.5f, 0.125f}}) {
        CIniFile loaded;
        ASSERT_TRUE(CProjectFile::Load(dir.File(file), loaded).loaded) << file;
        float value = 0;
        EXPECT_TRUE(loaded.GetFloat("Movie Settings", "Oracle Value", value));
        EXPECT_EQ(value, oracle) << file;
        EXPECT_TRUE(loaded.GetFloat("Movie Settings", "Comparison Value", value));
        EXPECT_EQ(value, comparison) << file;
    }
}

TEST(ProjectFile, EmptyListAndMissingKeysLeaveTheDefaults) {
    CTempDir dir;
    CIniFile window;
    ASSERT_TRUE(CProjectFile::Save(window, {}, dir.File("empty.ini")));
    CIniFile loaded;
    const ProjectLoadResult result = CProjectFile::Load(dir.File("empty.ini"), loaded);
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ(result.sliderValue, 0);
    EXPECT_FALSE(result.hasLowFile);
    EXPECT_FALSE(result.hasFastFile);
    EXPECT_TRUE(result.parts.empty());
    EXPECT_EQ(AllValues(loaded), (KeyValues{{"[Slider]Value", "0"}}));
}

TEST(ProjectFile, RowsAreReadAsTheListWroteThem) {
    CTempDir dir;
    WriteText(dir.File("p.ini"),
              RowsText({
                  "StartFrame0=00250", "EndFrame0=500",  "Codec0=Low",    // 0: leading zeros
                  "StartFrame1=500",   "EndFrame1=600",  "Codec1=low",    // 1: any case is LOW
                  "StartFrame2=600",   "EndFrame2=700",  "Codec2=FAST",   // 2: FAST exactly
                  "StartFrame3=700",   "EndFrame3=800",  "Codec3=fast",   // 3: not FAST: LOW
                  "StartFrame4=800",   "EndFrame4=900",  "Codec4=FASTER", // 4: not FAST: LOW
                  "StartFrame5=900",   "EndFrame5=900",  "Codec5=FAST",   // 5: empty, named
                  "StartFrame6=950",   "EndFrame6=940",  "Codec6=FAST",   // 6: reversed, named
                  "StartFrame8=1000",  "EndFrame8=1100", "Codec8=FAST",   // after a gap, named
              }));
    CIniFile store;
    const ProjectLoadResult result = CProjectFile::Load(dir.File("p.ini"), store);
    ASSERT_TRUE(result.loaded);
    ASSERT_EQ(result.parts.size(), 5u) << "rows after the first missing number are not read";
    EXPECT_EQ(result.parts[0].start, 250);
    const bool fast[] = {false, false, true, false, false};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(result.parts[i].fast, fast[i]) << "row " << i;
        EXPECT_EQ(result.parts[i].row, static_cast<int32_t>(i));
    }
    EXPECT_EQ(result.warnings,
              (std::vector<std::string>{
                  "Part 5 of the project file is empty (frame 900 to itself); it is left out.",
                  "Part 6 of the project file ends (frame 940) before it starts (frame 950); it is left out.",
                  "Part 7 of the project file lacks its keys (StartFrame, EndFrame, Codec); it and the parts "
                  "numbered after it are left out."}));
}

TEST(ProjectFile, UnreadableFileChangesNothing) {
    CTempDir dir;
    CIniFile store;
    store.SetInt("Slider", "Value", 0);
    const ProjectLoadResult result = CProjectFile::Load(dir.File("missing.ini"), store);
    EXPECT_FALSE(result.loaded);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(AllValues(store), (KeyValues{{"[Slider]Value", "0"}}));
    // A directory is no project file either.
    EXPECT_FALSE(CProjectFile::Load(dir.Path().string(), store).loaded);
}

TEST(ProjectFile, HostileRowsAreBoundedAndNegativeStartsDropped) {
    CTempDir dir;
    std::vector<std::string> lines = {"StartFrame0=-20", "EndFrame0=10", "Codec0=LOW"};
    for (int32_t n = 1; n <= 60; ++n) {
        const std::string number = std::to_string(n);
        lines.push_back("StartFrame" + number + "=" + number);
        lines.push_back("EndFrame" + number + "=99999999999999999999");
        lines.push_back("Codec" + number + "=FAST");
    }
    WriteText(dir.File("huge.ini"), RowsText(lines));
    CIniFile store;
    const ProjectLoadResult result = CProjectFile::Load(dir.File("huge.ini"), store, 50);
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ(result.parts.size(), 49u);
    ASSERT_EQ(result.warnings.size(), 2u);
    EXPECT_NE(result.warnings[0].find("-20"), std::string::npos);
    EXPECT_NE(result.warnings[1].find("more than"), std::string::npos);
    EXPECT_EQ(result.parts.front().start, 1);
}

} // namespace
