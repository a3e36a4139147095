// Caption look-up in language files and the list of language files.

#include "settings/CLanguage.h"
#include "settings/CLanguageList.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
class CTestWindow : public ICaptionWindow {
public:
    explicit CTestWindow(std::string caption) : m_caption(std::move(caption)) {}
    std::string GetCaption() const override { return m_caption; }
    void SetCaption(const std::string& caption) override { m_caption = caption; }
    std::string m_caption;
};

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}
} // namespace

TEST(LanguageTest, ResolvesFromTheSourceStoreOrTheDefault) {
    CTempDir dir;
    WriteText(dir.File("de.ini"), "[LANGUAGE]\r\nLanguage=Deutsch\r\n[MAIN_DLG]\r\nReset=Zurücksetzen\r\n");
    CLanguage main;
    ASSERT_TRUE(main.LoadFile(dir.File("de.ini")));
    CLanguage dialog;
    CTestWindow reset("Reset"), about("About");
    dialog.Register(&reset, "Reset", "MAIN_DLG", "Reset", CLanguage::MODE_REPLACE, &main);
    dialog.Register(&about, "About", "MAIN_DLG", "About", CLanguage::MODE_REPLACE, &main);
    dialog.ApplyAll();
    EXPECT_EQ(reset.m_caption, "Zurücksetzen");
    EXPECT_EQ(about.m_caption, "About"); // missing key: the default
    EXPECT_EQ(dialog.GetText(&reset), "Zurücksetzen");
    EXPECT_EQ(dialog.GetText(nullptr), "");
    // The dialog's own store holds nothing: without a source, the defaults.
    dialog.Register(&reset, "Reset", "MAIN_DLG", "Reset", CLanguage::MODE_REPLACE);
    EXPECT_EQ(dialog.GetText(&reset), "Reset");
}

TEST(LanguageTest, AppendedTitleNeverAccumulates) {
    CTempDir dir;
    WriteText(dir.File("x.ini"), "[TOP_WINDOW]\r\nPersonalMainText=Mine\r\n");
    CLanguage language;
    CTestWindow title("Flintmoor 1.5");
    language.Register(&title, "", "TOP_WINDOW", "PersonalMainText", CLanguage::MODE_APPEND);
    language.ApplyAll();
    EXPECT_EQ(title.m_caption, "Flintmoor 1.5 ");
    ASSERT_TRUE(language.LoadFile(dir.File("x.ini")));
    language.Register(&title, "", "TOP_WINDOW", "PersonalMainText", CLanguage::MODE_APPEND);
    language.ApplyAll();
    EXPECT_EQ(title.m_caption, "Flintmoor 1.5 Mine");
    // A file that cannot be loaded keeps the store as it was.
    EXPECT_FALSE(language.LoadFile(dir.File("missing.ini")));
    language.Register(&title, "", "TOP_WINDOW", "PersonalMainText", CLanguage::MODE_APPEND);
    language.ApplyAll();
    EXPECT_EQ(title.m_caption, "Flintmoor 1.5 Mine");
}

TEST(LanguageListTest, OffersFilesThatNameTheirLanguage) {
    CTempDir first, second;
    WriteText(first.File("a.ini"), "[LANGUAGE]\r\nLanguage=Deutsch\r\n");
    WriteText(first.File("b.ini"), "[MAIN_DLG]\r\nReset=No language named\r\n");
    WriteText(first.File("notes.txt"), "[LANGUAGE]\r\nLanguage=Text\r\n");
    WriteText(second.File("c.ini"), "[LANGUAGE]\r\nLanguage=DEUTSCH\r\n");
    WriteText(second.File("d.ini"), "[LANGUAGE]\r\nLanguage=English\r\n");
    CLanguageList list;
    list.ScanLanguageDirs({first.File("none"), first.Path().string(), second.Path().string()});
    ASSERT_EQ(list.GetLanguages().size(), 3u);
    const LanguageFile* german = list.FindLanguage("deutsch");
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(german->path, first.File("a.ini")); // the first one found wins
    EXPECT_NE(list.FindLanguage("ENGLISH"), nullptr);
    EXPECT_EQ(list.FindLanguage("Text"), nullptr);
}
