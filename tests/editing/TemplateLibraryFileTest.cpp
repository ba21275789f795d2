// The library text: sections, key lines, defaults and value conversions.
#include <gtest/gtest.h>

#include <string>

#include "editing/TemplateLibraryFile.h"

namespace vex {
namespace {

TemplateInfo Entry(const std::string& text, int32_t n = 0)
{
    TemplateInfo d;
    EXPECT_TRUE(TemplateLibraryFile(text).ReadEntry(n, d)) << text;
    return d;
}

TEST(TemplateLibraryFile, OnlyTheDefaultSectionHoldsNoEntries)
{
    const TemplateLibraryFile f("[file.default]\nname=Card\ntemplate.w=10\n");
    TemplateInfo d;
    EXPECT_TRUE(f.HasSection("file.default"));
    EXPECT_FALSE(f.ReadEntry(0, d));
}

TEST(TemplateLibraryFile, SectionsWithoutLinesAreAbsent)
{
    const TemplateLibraryFile f("[file.0]\n[file.1]\nname=b\n[file.2]\n\n   \n[file.3]\nx\n[file.4]");
    EXPECT_FALSE(f.HasSection("file.0"));
    EXPECT_TRUE(f.HasSection("file.1"));
    EXPECT_FALSE(f.HasSection("file.2")); // blank lines only
    EXPECT_TRUE(f.HasSection("file.3"));  // a line without '=' is a line
    EXPECT_FALSE(f.HasSection("file.4")); // header at the end of the text
    TemplateInfo d;
    EXPECT_FALSE(f.ReadEntry(0, d));
}

TEST(TemplateLibraryFile, LinesBeforeTheFirstSectionAreNeverRead)
{
    const TemplateLibraryFile f("name=outside\ntemplate.w=77\n[file.0]\ntemplate.h=5\n");
    EXPECT_EQ(f.GetValue("", "name"), std::nullopt);
    TemplateInfo d;
    ASSERT_TRUE(f.ReadEntry(0, d));
    EXPECT_EQ(FieldText(d.name), "");
    EXPECT_EQ(d.width, 0);
    EXPECT_EQ(d.height, 5);
}

TEST(TemplateLibraryFile, EntryTakesMissingKeysFromTheDefault)
{
    const std::string text = "[file.0]\nname=Only a name\n"
                             "[file.default]\nname=Default\ntemplate.w=120\ntemplate.h=60\ntemplate.cr=255\n"
                             "template.style=6\narrow.theta=0.25\narrow.fill=1\ntext.font.FaceName=DejaVu Sans\n"
                             "text.font.Weight=700\ntemplate.bpp=8\n";
    const TemplateInfo d = Entry(text);
    EXPECT_EQ(FieldText(d.name), "Only a name");
    EXPECT_EQ(d.entryNumber, 0);
    EXPECT_EQ(d.width, 120);
    EXPECT_EQ(d.height, 60);
    EXPECT_EQ(d.fillColor, 255u);
    EXPECT_EQ(d.style, 6);
    EXPECT_FLOAT_EQ(d.arrowAngle, 0.25f);
    EXPECT_TRUE(d.arrowFilled);
    EXPECT_EQ(FieldText(d.font.faceName), "DejaVu Sans");
    EXPECT_EQ(d.font.weight, 700);
    EXPECT_EQ(d.bitsPerPixel, 8);
}

// A key missing in the entry and in the defaults leaves 0, not the defaults
// of a new layer.
TEST(TemplateLibraryFile, MissingKeysStayZero)
{
    const TemplateInfo d = Entry("[file.0]\nname=n\n");
    TemplateInfo want = ZeroedTemplateInfo();
    StoreText(want.name, "n");
    EXPECT_TRUE(d == want);
    EXPECT_EQ(d.bitsPerPixel, 0);
    EXPECT_EQ(d.arrowWidth, 0);
    EXPECT_EQ(d.arrowPen, 0);
    EXPECT_EQ(d.arrowStyle, 0);
    EXPECT_EQ(d.font.weight, 0);
    EXPECT_EQ(d.font.height, 0);
    EXPECT_EQ(d.transparentTextBackground, 0);
}

TEST(TemplateLibraryFile, PositionWordsBecomeNumbers)
{
    struct Case {
        const char* have;
        int32_t want;
    };
    const Case cases[] = {{"{center}", -3}, {"{left}", -1}, {"{right}", -2}, {"{top}", -1},
                          {"{bottom}", -2}, {"{Center}", 0},  {"12", 12},      {" {center} ", -3}};
    for (const Case& c : cases) {
        const TemplateInfo d = Entry(std::string("[file.0]\ntemplate.x=") + c.have + "\ntemplate.y=" + c.have + "\n");
        EXPECT_EQ(d.x, c.want) << "have " << c.have;
        EXPECT_EQ(d.y, c.want) << "have " << c.have;
    }
}

TEST(TemplateLibraryFile, BitDepthsMapToTheRenderedDepths)
{
    struct Case {
        const char* have;
        uint16_t want;
    };
    const Case cases[] = {{"-5", 1}, {"0", 1},  {"1", 1},  {"2", 1},   {"3", 1},  {"4", 4},
                          {"7", 4},  {"8", 8},  {"16", 8}, {"23", 8},  {"24", 24}, {"32", 24}};
    for (const Case& c : cases)
        EXPECT_EQ(Entry(std::string("[file.0]\ntemplate.bpp=") + c.have + "\n").bitsPerPixel, c.want) << "have "
                                                                                                     << c.have;
}

TEST(TemplateLibraryFile, SystemFontDefaultInAnyCaseLeavesTheField)
{
    const std::string text = "[file.0]\ntext.font.Weight={SYS.LF.DEFAULT}\ntext.font.CharSet={Sys.Lf.Default}\n"
                             "text.font.Italic=1\n"
                             "[file.default]\ntext.font.Weight=700\ntext.font.CharSet=2\n";
    const TemplateInfo d = Entry(text);
    // The entry has the key, so the default's 700 is not used either.
    EXPECT_EQ(d.font.weight, 0);
    EXPECT_EQ(d.font.charSet, 0);
    EXPECT_EQ(d.font.italic, 1);
}

TEST(TemplateLibraryFile, SectionHeadersAndKeyLines)
{
    const TemplateLibraryFile f("  \t[file.0]  \r\n"
                                "  name  =  Two words  \r\n"
                                "formula=a=b\r\n"
                                "DejaVu Sans\r\n"
                                "Template.W=5\r\n"
                                "[ file.1 ]\nname=spaced\n");
    EXPECT_TRUE(f.HasSection("file.0"));
    EXPECT_EQ(f.GetValue("file.0", "name"), "Two words");
    EXPECT_EQ(f.GetValue("file.0", "formula"), "a=b");
    EXPECT_EQ(f.GetValue("file.0", "DejaVu Sans"), "DejaVu Sans");
    // Names and sections are compared exactly.
    EXPECT_EQ(f.GetValue("file.0", "template.w"), std::nullopt);
    EXPECT_FALSE(f.HasSection("file.1"));
    EXPECT_TRUE(f.HasSection(" file.1 "));
}

TEST(TemplateLibraryFile, LongTextsAreCut)
{
    const std::string longName(300, 'a');
    const std::string longFace(40, 'F');
    const TemplateInfo d = Entry("[file.0]\nname=" + longName + "\ntext.font.FaceName=" + longFace + "\n");
    EXPECT_EQ(FieldText(d.name), std::string(259, 'a'));
    EXPECT_EQ(FieldText(d.font.faceName), std::string(31, 'F'));
    // A cut never splits a character: 258 bytes then a two-byte one.
    const TemplateInfo u = Entry("[file.0]\nname=" + std::string(258, 'b') + "\xC3\xA9" + "\n");
    EXPECT_EQ(FieldText(u.name), std::string(258, 'b'));
}

// Library values that size or draw something are held in bounds, so a
// damaged or hostile file cannot make the renderer allocate without limit.
TEST(TemplateLibraryFile, ValuesAreRangeChecked)
{
    struct Case {
        const char* key;
        const char* value;
        int32_t TemplateInfo::*field;
        int32_t want;
    };
    const Case cases[] = {
        {"template.w", "-5", &TemplateInfo::width, 0},
        {"template.w", "999999", &TemplateInfo::width, kMaxTemplateSide},
        {"template.h", "99999999999999", &TemplateInfo::height, kMaxTemplateSide},
        {"template.h", "-99999999999999", &TemplateInfo::height, 0},
        {"arrow.width", "100000", &TemplateInfo::arrowWidth, kMaxArrowWidth},
        {"arrow.width", "-1", &TemplateInfo::arrowWidth, 0},
        {"arrow.pen", "1000", &TemplateInfo::arrowPen, kMaxArrowPen},
        {"arrow.pen", "-3", &TemplateInfo::arrowPen, 0},
        {"text.padding.w", "70000", &TemplateInfo::paddingWidth, kMaxTemplateSide},
        {"template.x", "-2147483648", &TemplateInfo::x, -kMaxTemplatePosition},
        {"template.w", "  42px", &TemplateInfo::width, 42},
        {"template.w", "wide", &TemplateInfo::width, 0},
    };
    for (const Case& c : cases) {
        const TemplateInfo d = Entry(std::string("[file.0]\n") + c.key + "=" + c.value + "\n");
        EXPECT_EQ(d.*(c.field), c.want) << c.key << " have " << c.value;
    }
    EXPECT_EQ(Entry("[file.0]\ntext.font.Weight=5000\n").font.weight, kMaxFontWeight);
    EXPECT_FLOAT_EQ(Entry("[file.0]\narrow.theta=nan\n").arrowAngle, 0.0f);
    EXPECT_FLOAT_EQ(Entry("[file.0]\narrow.theta=inf\n").arrowAngle, 0.0f);
    EXPECT_FLOAT_EQ(Entry("[file.0]\narrow.theta= 0.5rad\n").arrowAngle, 0.5f);
    EXPECT_FLOAT_EQ(Entry("[file.0]\narrow.theta=.25\n").arrowAngle, 0.25f);
    EXPECT_FLOAT_EQ(Entry("[file.0]\narrow.theta=+1e-1\n").arrowAngle, 0.1f);
    EXPECT_FLOAT_EQ(Entry("[file.0]\narrow.theta=-0.3\n").arrowAngle, -0.3f);
}

TEST(TemplateLibraryFile, ArrowFillIsExactlyOne)
{
    EXPECT_TRUE(Entry("[file.0]\narrow.fill=1\n").arrowFilled);
    EXPECT_TRUE(Entry("[file.0]\narrow.fill=01\n").arrowFilled);
    EXPECT_FALSE(Entry("[file.0]\narrow.fill=2\n").arrowFilled);
    EXPECT_FALSE(Entry("[file.0]\narrow.fill=yes\n").arrowFilled);
}

TEST(TemplateLibraryFile, FirstSectionOfANameAndFirstKeyWin)
{
    const TemplateLibraryFile f("[file.0]\nname=first\nname=second\n[file.0]\nname=third\n");
    EXPECT_EQ(f.GetValue("file.0", "name"), "first");
}

TEST(TemplateLibraryFile, ReplaceAllReplacesEveryOccurrence)
{
    EXPECT_EQ(ReplaceAll("{a}x{a}", "{a}", "{a}{a}"), "{a}{a}x{a}{a}");
    EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
}

} // namespace
} // namespace vex
