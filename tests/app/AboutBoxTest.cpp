// The about box texts and the hyperlink labels.

#include <QLabel>

#include "AppTestSupport.h"
#include "shell/AboutBox.h"
#include "shell/StaticLink.h"

namespace vex {
namespace {

using AboutBoxTest = test::SettingsFixture;

TEST_F(AboutBoxTest, TitleVersionAndLinks)
{
    EXPECT_EQ(AboutVersionLine(), QStringLiteral("Vexmira v1.1.0 [Build 0x6] : 32 bit-edition"));
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Vexmira"));
    bool versionShown = false;
    for (QLabel* label : about.findChildren<QLabel*>()) versionShown |= label->text() == AboutVersionLine();
    EXPECT_TRUE(versionShown);
    struct Want {
        const char* text;
        WebPage page;
    };
    const Want want[] = {
        {"Visit Vexmira Homepage", WebPage::HomeLower},
        {"Read our FAQ online page", WebPage::Faq},
        {"Check if there is a newer version available.", WebPage::Update},
        {"Visit our online Community", WebPage::Community},
    };
    ASSERT_EQ(about.Links().size(), qsizetype(std::size(want)));
    for (size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(about.Links()[int(i)]->text(), QString::fromUtf8(want[i].text));
        EXPECT_EQ(about.Links()[int(i)]->Target(), QString::fromStdString(GetWebPage(want[i].page)));
    }
}

TEST_F(AboutBoxTest, LinkTurnsPurpleOnlyWhenOpened)
{
    CStaticLink link(QStringLiteral("Visit"), QStringLiteral("https://example.invalid/"));
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), CStaticLink::kUnvisited);
    QString opened;
    link.SetOpener([&opened](const QString& url) {
        opened = url;
        return false;
    });
    EXPECT_FALSE(link.Follow());
    EXPECT_EQ(opened, QStringLiteral("https://example.invalid/"));
    EXPECT_FALSE(link.Visited());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), CStaticLink::kUnvisited);
    link.SetOpener([](const QString&) { return true; });
    EXPECT_TRUE(link.Follow());
    EXPECT_TRUE(link.Visited());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), CStaticLink::kVisited);
}

} // namespace
} // namespace vex
