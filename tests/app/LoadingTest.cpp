// Loading real files into the editor: icons of a program, animated cursors
// and GIF animations from the sample sets.

#include <fstream>

#include <QDir>
#include <QFileInfo>

#include "editor/IconView.h"
#include "image/ProgramFixtures.h"
#include "image/codecs/IconFixtures.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;

class LoadingTest : public AppTest {};

QString Corpus(const char* rel) { return QStringLiteral(VEXMIRA_CORPUS_DIR "/") + QLatin1String(rel); }

TEST_F(LoadingTest, ProgramWithThreeIconsGivesThreeFrames)
{
    auto block = [](uint8_t v) {
        return test::IconBlock(2, 2, 24, {}, std::vector<uint8_t>(16, v), test::FlatMask(2, 2, 0));
    };
    const std::map<uint16_t, std::vector<uint8_t>> icons = {{1, block(10)}, {2, block(20)}, {3, block(30)}};
    const auto bytes = test::BuildPe(false, {{"", 1, {1}}, {"", 2, {2}}, {"", 3, {3}}}, icons);
    const QString path = Path("tool.exe");
    std::ofstream(path.toStdString(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                              std::streamsize(bytes.size()));
    CIconView view;
    ASSERT_TRUE(view.SetImage(path));
    ASSERT_EQ(view.FrameCount(), 3u);
    EXPECT_EQ(view.GetFileType(), 0u);
    EXPECT_FALSE(view.IsAnimated());
    const uint8_t want[] = {10, 20, 30};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(view.GetImage().GetFrame(i)->GetPixelColor(0, 0).red, want[i]) << i;
}

TEST_F(LoadingTest, AnimatedCursorPlays)
{
    const QString ani = Corpus("ani/sdl_image/rgbrgb.ani");
    if (!QFileInfo::exists(ani)) GTEST_SKIP() << "sample set not present";
    CIconView view;
    ASSERT_TRUE(view.SetImage(ani));
    EXPECT_GE(view.FrameCount(), 2u);
    EXPECT_EQ(view.GetFileType(), uint32_t{TypeAni});
    EXPECT_TRUE(view.IsPlaying());
    EXPECT_EQ(view.TimerInterval(), PlaybackInterval(view.GetImage().GetFrameDelay(0)));
}

TEST_F(LoadingTest, GifFramesAllHaveTheSizeOfTheFirst)
{
    const QDir dir(Corpus("gif/wuffs"));
    if (!dir.exists()) GTEST_SKIP() << "sample set not present";
    int animations = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.gif")}, QDir::Files)) {
        CIconView view;
        view.SetImage(dir.filePath(name));
        if (view.FrameCount() < 2) continue;
        ++animations;
        EXPECT_TRUE(view.IsPlaying()) << name.toStdString();
        const CEditableImage& img = view.GetImage();
        for (int32_t i = 1; i < img.GetFrameCount(); ++i) {
            EXPECT_EQ(img.GetFrame(i)->GetWidth(), img.GetFrame(0)->GetWidth()) << name.toStdString() << " " << i;
            EXPECT_EQ(img.GetFrame(i)->GetHeight(), img.GetFrame(0)->GetHeight()) << name.toStdString() << " " << i;
        }
    }
    EXPECT_GT(animations, 0);
}

} // namespace
} // namespace vex
