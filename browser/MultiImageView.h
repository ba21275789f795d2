#pragma once
// The frame strip: a vertical list of 96 x 96 thumbnails of the editor's
// frames, each captioned with its number, delay, size and depth. It keeps its
// own copies of the frames; one changed frame is redrawn on a single worker
// thread, whose result is tagged with a generation so only the latest
// request is shown.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include <QListWidget>
#include <QWidget>

#include "browser/UiChannel.h"
#include "image/Raster.h"

namespace vex {

class CEditableImage;

inline constexpr int kThumbnailSide = 96;

// Caption of frame index (0-based) of count frames.
QString FrameCaption(const Raster& frame, int index, int count);

class CImageListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CImageListBox(QWidget* parent = nullptr);
};

class CMultiImageView : public QWidget {
    Q_OBJECT
public:
    explicit CMultiImageView(QWidget* parent = nullptr);
    ~CMultiImageView() override;

    // Rebuilds every thumbnail from copies of the frames; an empty list
    // removes the list box.
    void SetFrames(const std::vector<Raster>& frames);
    void SetFrames(const CEditableImage& image);
    // Rebuilds one thumbnail and caption on the worker; a running conversion
    // is cancelled first.
    void UpdateFrame(int index, const Raster& frame);

    CImageListBox* ListBox() const { return list_; }
    // How many list boxes were created so far (a new one per change of count).
    int ListBoxesCreated() const { return listBoxesCreated_; }
    int FrameCount() const { return list_ ? list_->count() : 0; }
    QString Caption(int index) const;
    QImage Thumbnail(int index) const;
    bool IsConverting() const { return worker_.joinable() && busy_.load(); }

signals:
    void frameClicked(int index);
    void frameDoubleClicked(int index);
    // A single-frame conversion reached the list (tests wait on it).
    void thumbnailUpdated(int index);

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void WaitForWorker();
    void SetItem(int index, const QImage& thumbnail, const QString& caption);
    void OnThumbnail(uint64_t generation, int index, QImage thumbnail, QString caption);

    CImageListBox* list_ = nullptr;
    int listBoxesCreated_ = 0;
    std::vector<QImage> thumbnails_;
    int frameCount_ = 0;

    UiChannel* channel_;
    std::thread worker_;
    std::shared_ptr<Raster> workerCopy_;
    std::atomic<uint64_t> generation_{0};
    std::atomic<bool> busy_{false};
};

} // namespace vex
