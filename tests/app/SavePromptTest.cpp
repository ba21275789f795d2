// The save-changes prompt: which answers let the image be replaced, and
// which files are never written back in place.

#include <cctype>
#include <ostream>
#include <string>

#include "editor/IconView.h"
#include "tests/app/EditorTestSupport.h"

namespace vex {
namespace {

using test::AppTest;
using test::MakePicture;
using Answer = CIconView::SaveAnswer;

class PromptTest : public AppTest {};

struct PromptCase {
    const char* name;
    uint32_t type;
    bool withPath;
    Answer answer;
    bool saveResult;
    bool wantContinue;
    bool wantSave;   // the file is written back
    bool wantSaveAs; // the Save As flow runs
};

void PrintTo(const PromptCase& c, std::ostream* os) { *os << c.name; }

std::string PromptCaseName(const ::testing::TestParamInfo<PromptCase>& info)
{
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

class SavePromptTest : public AppTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(SavePromptTest, ContinuesOnlyWhenTheAnswerAllowsIt)
{
    const PromptCase& c = GetParam();
    CIconView view;
    int asked = 0, saved = 0, savedAs = 0;
    QString text, caption;
    view.SetSavePrompt([&](const QString& t, const QString& cap) {
        ++asked;
        text = t;
        caption = cap;
        return c.answer;
    });
    view.SetSaveHandlers([&](const QString&, uint32_t) { return ++saved, c.saveResult; },
                         [&] { return ++savedAs, c.saveResult; });
    Raster frame = MakePicture(4, 4, 1);
    frame.SetType(c.type);
    view.SetImage(QString(), &frame, 0);
    if (c.withPath) view.SetPathName(QStringLiteral("/tmp/pic.") + QString::number(c.type), false);
    // Unmodified: no question at all.
    EXPECT_TRUE(view.ConfirmSaveChanges());
    EXPECT_EQ(asked, 0);
    view.SetModified(true);
    EXPECT_EQ(view.ConfirmSaveChanges(), c.wantContinue) << c.name;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(caption, QStringLiteral("Save Changes."));
    const QString name = c.withPath ? *view.GetPathName() : QStringLiteral("Untitled");
    EXPECT_EQ(text, QStringLiteral("Do you want to save the changes you made to ") + name);
    EXPECT_EQ(saved, c.wantSave ? 1 : 0) << c.name;
    EXPECT_EQ(savedAs, c.wantSaveAs ? 1 : 0) << c.name;
}

// A failed save must not let the image be replaced; program pictures,
// metafiles and one-frame animated cursors are never written over their file.
const PromptCase kPromptCases[] = {
    {"no", TypePng, true, Answer::No, true, true, false, false},
    {"cancel", TypePng, true, Answer::Cancel, true, false, false, false},
    {"yes saved", TypePng, true, Answer::Yes, true, true, true, false},
    {"yes save failed", TypePng, true, Answer::Yes, false, false, true, false},
    {"yes untitled saved as", TypePng, false, Answer::Yes, true, true, false, true},
    {"yes untitled save as cancelled", TypePng, false, Answer::Yes, false, false, false, true},
    {"program picture", TypeUnknown, true, Answer::Yes, true, true, false, true},
    {"metafile", TypeWmf, true, Answer::Yes, false, false, false, true},
    {"one-frame animated cursor", TypeAni, true, Answer::Yes, true, true, false, true},
};
INSTANTIATE_TEST_SUITE_P(Answers, SavePromptTest, ::testing::ValuesIn(kPromptCases), PromptCaseName);

TEST_F(PromptTest, CancelledPromptKeepsTheImage)
{
    CIconView view;
    ASSERT_TRUE(view.SetImage(WriteIcon("two.ico", 2)));
    view.SetModified(true);
    view.SetSavePrompt([](const QString&, const QString&) { return Answer::Cancel; });
    EXPECT_FALSE(view.SetImage(WriteIcon("one.ico", 1)));
    EXPECT_EQ(view.FrameCount(), 2u);
    EXPECT_TRUE(view.IsModified());
    view.SetSavePrompt([](const QString&, const QString&) { return Answer::No; });
    EXPECT_TRUE(view.SetImage(WriteIcon("one.ico", 1)));
    EXPECT_EQ(view.FrameCount(), 1u);
    EXPECT_FALSE(view.IsModified());
}
} // namespace
} // namespace vex
