#include <QSignalSpy>

#include <gtest/gtest.h>

#include "BrowserFixtures.h"
#include "browser/BrowserEvents.h"
#include "browser/MultiImageView.h"
#include "editing/EditableImage.h"

namespace vex {
namespace {

std::vector<Raster> Frames(int n, uint8_t red)
{
    std::vector<Raster> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(test::SolidPicture(16 + i, 8, red, 0, 0));
        out.back().SetFrameDelay(static_cast<uint32_t>(10 * i));
    }
    return out;
}

int RedOf(const QImage& img)
{
    return qRed(img.pixel(kThumbnailSide / 2, kThumbnailSide / 2));
}

TEST(FrameStrip, OneFrameShowsOneCaptionedThumbnail)
{
    CMultiImageView view;
    view.SetFrames(Frames(1, 90));
    ASSERT_EQ(view.FrameCount(), 1);
    EXPECT_EQ(view.Caption(0).toStdString(), "Frame 1 of 1\nDelay - 0\n16x8\nBpp - 24");
    EXPECT_EQ(view.Thumbnail(0).size(), QSize(kThumbnailSide, kThumbnailSide));
    EXPECT_NEAR(RedOf(view.Thumbnail(0)), 90, 1);
}

TEST(FrameStrip, ChangingTheFrameCountMakesANewListBoxKeepingItReusesIt)
{
    CMultiImageView view;
    view.SetFrames(Frames(3, 1));
    EXPECT_EQ(view.ListBoxesCreated(), 1);
    view.SetFrames(Frames(5, 2));
    EXPECT_EQ(view.ListBoxesCreated(), 2);
    EXPECT_EQ(view.FrameCount(), 5);
    EXPECT_EQ(view.Caption(4).toStdString(), "Frame 5 of 5\nDelay - 40\n20x8\nBpp - 24");
    view.SetFrames(Frames(5, 3));
    EXPECT_EQ(view.ListBoxesCreated(), 2);
    view.SetFrames(std::vector<Raster>{});
    EXPECT_EQ(view.ListBox(), nullptr);
    EXPECT_EQ(view.FrameCount(), 0);
}

TEST(FrameStrip, TakesFramesFromTheEditableImage)
{
    CEditableImage image;
    image.Append(test::SolidPicture(4, 4, 10, 0, 0));
    image.Append(test::SolidPicture(6, 2, 20, 0, 0));
    CMultiImageView view;
    view.SetFrames(image);
    ASSERT_EQ(view.FrameCount(), 2);
    EXPECT_EQ(view.Caption(1).toStdString(), "Frame 2 of 2\nDelay - 0\n6x2\nBpp - 24");
}

// The worker converts its own copy: changing or dropping the editor's frame
// right after the call does not reach the thumbnail.
TEST(FrameStrip, OneFrameIsRebuiltFromACopyOnTheWorker)
{
    CMultiImageView view;
    view.SetFrames(Frames(2, 10));
    QSignalSpy updated(&view, &CMultiImageView::thumbnailUpdated);
    {
        Raster frame = test::SolidPicture(30, 30, 200, 0, 0);
        view.UpdateFrame(1, frame);
        frame.Clear(0);
    }
    ASSERT_TRUE(test::WaitUntil([&] { return updated.count() == 1; }));
    EXPECT_EQ(updated[0][0].toInt(), 1);
    EXPECT_NEAR(RedOf(view.Thumbnail(1)), 200, 1);
    EXPECT_EQ(view.Caption(1).toStdString(), "Frame 2 of 2\nDelay - 0\n30x30\nBpp - 24");
    EXPECT_NEAR(RedOf(view.Thumbnail(0)), 10, 1);
}

// Two quick updates: the first is cancelled, only the second is shown.
TEST(FrameStrip, ALaterUpdateWinsOverAnEarlierOne)
{
    CMultiImageView view;
    view.SetFrames(Frames(1, 10));
    QSignalSpy updated(&view, &CMultiImageView::thumbnailUpdated);
    view.UpdateFrame(0, test::SolidPicture(2000, 2000, 111, 0, 0));
    view.UpdateFrame(0, test::SolidPicture(8, 8, 222, 0, 0));
    ASSERT_TRUE(test::WaitUntil([&] { return updated.count() >= 1 && !view.IsConverting(); }));
    test::DrainEvents();
    EXPECT_EQ(updated.count(), 1);
    EXPECT_NEAR(RedOf(view.Thumbnail(0)), 222, 1);
}

TEST(FrameStrip, ZeltoUpdateListRebuildsOneThumbnail)
{
    CMultiImageView view;
    view.SetFrames(Frames(3, 10));
    QSignalSpy updated(&view, &CMultiImageView::thumbnailUpdated);
    auto frame = std::make_shared<const Raster>(test::SolidPicture(5, 5, 77, 0, 0));
    QCoreApplication::postEvent(&view, new ZeltoUpdateListEvent(2, frame));
    frame.reset();
    ASSERT_TRUE(test::WaitUntil([&] { return updated.count() == 1; }));
    EXPECT_NEAR(RedOf(view.Thumbnail(2)), 77, 1);
    // Without frames there is nothing to update.
    CMultiImageView empty;
    empty.UpdateFrame(0, test::SolidPicture(5, 5, 1, 0, 0));
    EXPECT_EQ(empty.FrameCount(), 0);
}

TEST(FrameStrip, ClickingAFrameSelectsItInTheEditor)
{
    CMultiImageView view;
    view.SetFrames(Frames(3, 10));
    QSignalSpy clicked(&view, &CMultiImageView::frameClicked);
    view.ListBox()->setCurrentRow(2);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked[0][0].toInt(), 2);
}

// Closing the strip while the worker runs cancels and joins it.
TEST(FrameStrip, DestroyingTheStripDuringAConversionIsClean)
{
    for (int round = 0; round < 3; ++round) {
        auto view = std::make_unique<CMultiImageView>();
        view->SetFrames(Frames(1, 10));
        view->UpdateFrame(0, test::SolidPicture(1500, 1500, 5, 0, 0));
        view.reset();
        test::DrainEvents(3);
    }
    SUCCEED();
}

} // namespace
} // namespace vex
