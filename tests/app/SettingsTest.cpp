// The settings store against a temporary file: defaults, clamps, kinds kept
// apart and the default search list.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/Settings.h"

namespace vex {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        SetSettingsFile(dir_.filePath("Vexmira.ini"));
    }
    void TearDown() override { SetSettingsFile(QString()); }
    QTemporaryDir dir_;
};

TEST_F(SettingsTest, EmptyStoreReadsTheDefaults)
{
    EXPECT_EQ(GetDisplayStyle(), 31u);
    EXPECT_EQ(GetSearchPattern(), "*.*");
    EXPECT_EQ(GetDefaultFrameRate(), 100u);
    EXPECT_EQ(GetMaxUndo(), 10u);
    EXPECT_TRUE(GetAutoTransparent());
    uint32_t untouched = 77;
    EXPECT_FALSE(GetSettingInt(kSectionDisplay, "Zoom", untouched));
    EXPECT_EQ(untouched, 77u);
}

TEST_F(SettingsTest, StoredValuesAreClampedOnReadAndWrite)
{
    struct Case {
        const char* name;
        uint32_t stored;
        uint32_t want;
    };
    const Case cases[] = {
        {"maxundo", 1, 3}, {"maxundo", 500, 100}, {"maxundo", 0xFFFFFFFFu, 100}, {"maxundo", 42, 42},
        {"defaultframe", 5, 20}, {"defaultframe", 5000, 999}, {"defaultframe", 1000, 999},
        {"defaultframe", 250, 250},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetSettingInt(kSectionMisc, c.name, c.stored));
        const uint32_t have = std::string(c.name) == "maxundo" ? GetMaxUndo() : GetDefaultFrameRate();
        EXPECT_EQ(have, c.want) << c.name << " stored " << c.stored;
    }
    ASSERT_TRUE(SetDefaultFrameRate(0));
    uint32_t raw = 0;
    ASSERT_TRUE(GetSettingInt(kSectionMisc, "defaultframe", raw));
    EXPECT_EQ(raw, 20u);
    ASSERT_TRUE(SetMaxUndo(1000));
    ASSERT_TRUE(GetSettingInt(kSectionMisc, "maxundo", raw));
    EXPECT_EQ(raw, 100u);
}

TEST_F(SettingsTest, TextValuesKeepEmptyAndKindsStayApart)
{
    ASSERT_TRUE(SetSearchPattern(""));
    EXPECT_EQ(GetSearchPattern(), "*.*");
    std::string text = "unchanged";
    EXPECT_TRUE(GetSettingString(kSectionDisplay, "DefaultSearch", text)); // exists, empty
    EXPECT_EQ(text, "");

    // A text too long for four bytes does not read as an integer; a short one
    // reads as its raw bytes, as the registry would.
    ASSERT_TRUE(SetSettingString(kSectionMisc, "maxundo", "fifty"));
    EXPECT_EQ(GetMaxUndo(), 10u);
    ASSERT_TRUE(SetSettingString(kSectionMisc, "autotrans", ""));
    EXPECT_FALSE(GetAutoTransparent()); // one zero byte: 0
    ASSERT_TRUE(SetSettingInt(kSectionDisplay, "Path", 0x00636261));
    EXPECT_TRUE(GetSettingString(kSectionDisplay, "Path", text));
    EXPECT_EQ(text, "abc");

    ASSERT_TRUE(SetSettingString(kSectionDisplay, "PathFile", "naïve café.ico"));
    EXPECT_TRUE(GetSettingString(kSectionDisplay, "PathFile", text));
    EXPECT_EQ(text, "naïve café.ico");
}

TEST_F(SettingsTest, ResetSearchListWritesSevenEntries)
{
    ASSERT_TRUE(ResetSearchList());
    std::string p1, def, d3, missing;
    ASSERT_TRUE(GetSettingString(kSectionDisplay, "Search.p.1", p1));
    ASSERT_TRUE(GetSettingString(kSectionDisplay, "DefaultSearch", def));
    EXPECT_EQ(p1, def);
    EXPECT_EQ(def, "*.exe | *.ini | *.dll | *.ani | *.cur | *.ico | *.bmp | *.dib");
    ASSERT_TRUE(GetSettingString(kSectionDisplay, "Search.d.3", d3));
    EXPECT_EQ(d3.back(), 'b'); // the description ends without its parenthesis
    EXPECT_FALSE(GetSettingString(kSectionDisplay, "Search.d.7", missing));
    EXPECT_FALSE(GetSettingString(kSectionDisplay, "Search.p.7", missing));
}

TEST_F(SettingsTest, WebPagesAreWrittenOnFirstUse)
{
    std::string stored;
    EXPECT_FALSE(GetSettingString(kSectionWebsite, "faq", stored));
    const std::string address = GetWebPage(WebPage::Faq);
    EXPECT_FALSE(address.empty());
    ASSERT_TRUE(GetSettingString(kSectionWebsite, "faq", stored));
    EXPECT_EQ(stored, address);
    ASSERT_TRUE(SetSettingString(kSectionWebsite, "faq", "https://example.org/own"));
    EXPECT_EQ(GetWebPage(WebPage::Faq), "https://example.org/own");
}

TEST_F(SettingsTest, DamagedOrUnwritableFilesAreHandled)
{
    // A file QSettings cannot parse reads as defaults.
    QFile f(dir_.filePath("Vexmira.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Software\\x01\n\xff\xfe garbage = = =\n[");
    f.close();
    EXPECT_EQ(GetMaxUndo(), 10u);

    // A writer reports failure instead of claiming success.
    SetSettingsFile(dir_.filePath("no/such/dir/and/a/file\0x.ini"));
    SetSettingsFile("/proc/vexmira-cannot-write/Vexmira.ini");
    EXPECT_FALSE(SetMaxUndo(20));
}

} // namespace
} // namespace vex
