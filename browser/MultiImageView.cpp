#include "browser/MultiImageView.h"

#include <QIcon>
#include <QPixmap>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "browser/BrowserEvents.h"
#include "browser/TileFactory.h"
#include "editing/EditableImage.h"

namespace vex {

QString FrameCaption(const Raster& frame, int index, int count)
{
    return QString::asprintf("Frame %d of %d\nDelay - %d\n%dx%d\nBpp - %d", index + 1, count,
                             static_cast<int>(frame.GetFrameDelay()), static_cast<int>(frame.GetWidth()),
                             static_cast<int>(frame.GetHeight()), static_cast<int>(frame.GetBpp() & 0xFFFF));
}

CImageListBox::CImageListBox(QWidget* parent) : QListWidget(parent)
{
    setViewMode(QListView::ListMode);
    setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    setSpacing(2);
    setWordWrap(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
}

CMultiImageView::CMultiImageView(QWidget* parent) : QWidget(parent), channel_(new UiChannel(this)) {}

CMultiImageView::~CMultiImageView()
{
    WaitForWorker();
}

void CMultiImageView::WaitForWorker()
{
    // Cancel through the generation and the copy's escape flag, then join:
    // the worker posts its result and never waits for this thread.
    generation_.fetch_add(1);
    if (workerCopy_) workerCopy_->SetEscape(1);
    if (worker_.joinable()) worker_.join();
    workerCopy_.reset();
}

void CMultiImageView::SetFrames(const CEditableImage& image)
{
    std::vector<Raster> frames;
    frames.reserve(static_cast<size_t>(image.GetFrameCount()));
    for (int32_t i = 0; i < image.GetFrameCount(); ++i) frames.emplace_back(*image.GetFrame(i));
    SetFrames(frames);
}

void CMultiImageView::SetFrames(const std::vector<Raster>& frames)
{
    WaitForWorker();
    const int n = static_cast<int>(frames.size());
    if (list_ && list_->count() != n) {
        delete list_;
        list_ = nullptr;
    }
    thumbnails_.clear();
    frameCount_ = n;
    if (n == 0) return;
    if (!list_) {
        list_ = new CImageListBox(this);
        list_->setGeometry(rect());
        list_->show();
        ++listBoxesCreated_;
        connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0) emit frameClicked(row);
        });
        connect(list_, &QListWidget::itemDoubleClicked, this,
                [this](QListWidgetItem* item) { emit frameDoubleClicked(list_->row(item)); });
    }
    for (int i = 0; i < n; ++i) {
        Raster copy(frames[static_cast<size_t>(i)]);
        SetItem(i, IconImageOf(copy, kThumbnailSide), FrameCaption(frames[static_cast<size_t>(i)], i, n));
    }
}

void CMultiImageView::SetItem(int index, const QImage& thumbnail, const QString& caption)
{
    if (!list_) return;
    if (index < static_cast<int>(thumbnails_.size())) thumbnails_[static_cast<size_t>(index)] = thumbnail;
    else thumbnails_.push_back(thumbnail);
    const QIcon icon(QPixmap::fromImage(thumbnail));
    if (index < list_->count()) {
        list_->item(index)->setIcon(icon);
        list_->item(index)->setText(caption);
    } else {
        list_->addItem(new QListWidgetItem(icon, caption));
    }
}

void CMultiImageView::UpdateFrame(int index, const Raster& frame)
{
    if (!list_ || index < 0) return;
    WaitForWorker();
    const uint64_t g = generation_.load();
    workerCopy_ = std::make_shared<Raster>(frame);
    workerCopy_->SetEscape(0);
    const int count = std::max(frameCount_, index + 1);
    std::shared_ptr<Raster> copy = workerCopy_;
    // The caption describes the frame itself, not the thumbnail made of it.
    const QString caption = FrameCaption(frame, index, count);
    busy_.store(true);
    worker_ = std::thread([this, g, index, caption, copy] {
        QImage thumbnail = IconImageOf(*copy, kThumbnailSide);
        if (!thumbnail.isNull() && !copy->GetEscape() && generation_.load() == g) {
            channel_->Post([this, g, index, thumbnail, caption] { OnThumbnail(g, index, thumbnail, caption); });
        }
        busy_.store(false);
    });
}

void CMultiImageView::OnThumbnail(uint64_t generation, int index, QImage thumbnail, QString caption)
{
    if (generation != generation_.load()) return;
    if (index >= frameCount_) frameCount_ = index + 1;
    SetItem(index, thumbnail, caption);
    update();
    emit thumbnailUpdated(index);
}

QString CMultiImageView::Caption(int index) const
{
    if (!list_ || index < 0 || index >= list_->count()) return {};
    return list_->item(index)->text();
}

QImage CMultiImageView::Thumbnail(int index) const
{
    if (index < 0 || index >= static_cast<int>(thumbnails_.size())) return {};
    return thumbnails_[static_cast<size_t>(index)];
}

bool CMultiImageView::event(QEvent* e)
{
    if (e->type() == ZeltoUpdateListEvent::Type()) {
        const auto* update = static_cast<ZeltoUpdateListEvent*>(e);
        if (update->frame) UpdateFrame(update->index, *update->frame);
        return true;
    }
    return QWidget::event(e);
}

void CMultiImageView::resizeEvent(QResizeEvent* e)
{
    if (list_) list_->setGeometry(QRect(QPoint(0, 0), e->size()));
    QWidget::resizeEvent(e);
}

} // namespace vex
