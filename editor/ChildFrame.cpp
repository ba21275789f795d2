#include "editor/ChildFrame.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QSplitter>

#include "browser/MultiImageView.h"
#include "browser/ShellIconListView.h"
#include "browser/ShellTreeView.h"
#include "editor/BrowserPanes.h"
#include "editor/IconView.h"
#include "editor/RulerSplitter.h"
#include "platform/Settings.h"

namespace vex {
namespace {

QSplitter* MakeSplitter(Qt::Orientation orientation, QWidget* parent)
{
    auto* s = new QSplitter(orientation, parent);
    s->setChildrenCollapsible(false);
    return s;
}

QWidget* WithMinimum(QWidget* w)
{
    w->setMinimumSize(kMinPaneSize, kMinPaneSize);
    return w;
}

int StoredOr(const char* name, int fallback)
{
    uint32_t value = uint32_t(fallback);
    if (!GetSettingInt(kSectionSplitters, name, value) || value > uint32_t(INT32_MAX)) return fallback;
    return int(value);
}

} // namespace

SplitterSizes DefaultSplitterSizes(int w, int h)
{
    SplitterSizes s;
    s.basic0 = w / 5;
    s.basic1 = 4 * (w / 5);
    s.basicLR0 = 3 * (4 * (w / 5) / 5);
    s.basicLR1 = 2 * (4 * (w / 5) / 5);
    s.basicTB0 = h / 2;
    s.basicTB1 = 2 * (h / 2);
    return s;
}

CChildFrame::CChildFrame(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    outer_ = MakeSplitter(Qt::Horizontal, this);
    QWidget* tree = CreateFolderTreePane(outer_);
    outer_->addWidget(WithMinimum(tree));
    right_ = MakeSplitter(Qt::Vertical, outer_);
    outer_->addWidget(WithMinimum(right_));
    QWidget* list = CreateFileListPane(right_);
    right_->addWidget(WithMinimum(list));
    lower_ = MakeSplitter(Qt::Horizontal, right_);
    right_->addWidget(WithMinimum(lower_));
    rulers_ = new CRulerSplitter(lower_);
    lower_->addWidget(WithMinimum(rulers_));
    QWidget* strip = CreateFrameStripPane(lower_);
    lower_->addWidget(WithMinimum(strip));
    tree_ = qobject_cast<CMyShellTreeView*>(tree);
    list_ = qobject_cast<CMyShellIconListView*>(list);
    strip_ = qobject_cast<CMultiImageView*>(strip);
    layout->addWidget(outer_);
    // The tree and the editor column start at half the width each.
    outer_->setSizes({1, 1});
    editor_ = rulers_->Editor();
    rulers_->ShowRulers(false, true);
    editor_->setFocus(Qt::OtherFocusReason);
    connect(editor_, &CIconView::TitleChanged, this, [this](const QString& title) {
        doc_.SetTitle(title);
        setWindowTitle(title);
    });
    editor_->UpdateTitle();
    doc_.SetTitle(editor_->GetTitle());
    setWindowTitle(editor_->GetTitle());
    WireBrowser();
}

CChildFrame::~CChildFrame()
{
    // The panes join their threads here, while every object their signals
    // reach still exists.
    editor_->History().onRefreshFile = nullptr;
    delete list_;
    delete strip_;
    delete tree_;
}

void CChildFrame::RestoreSplitterSizes()
{
    const SplitterSizes d = DefaultSplitterSizes(width(), height());
    outer_->setSizes({StoredOr("basic.0.cx", d.basic0), StoredOr("basic.1.cx", d.basic1)});
    lower_->setSizes({StoredOr("basicLR.0.cx", d.basicLR0), StoredOr("basicLR.1.cx", d.basicLR1)});
    right_->setSizes({StoredOr("basicTB.0.cy", d.basicTB0), StoredOr("basicTB.1.cy", d.basicTB1)});
}

SplitterSizes CChildFrame::CurrentSplitterSizes() const
{
    const QList<int> o = outer_->sizes(), l = lower_->sizes(), r = right_->sizes();
    SplitterSizes s;
    s.basic0 = o.value(0);
    s.basic1 = o.value(1);
    s.basicLR0 = l.value(0);
    s.basicLR1 = l.value(1);
    s.basicTB0 = r.value(0);
    s.basicTB1 = r.value(1);
    return s;
}

void CChildFrame::SaveSplitterSizes()
{
    const SplitterSizes s = CurrentSplitterSizes();
    SetSettingInt(kSectionSplitters, "basic.0.cx", uint32_t(s.basic0));
    SetSettingInt(kSectionSplitters, "basic.1.cx", uint32_t(s.basic1));
    SetSettingInt(kSectionSplitters, "basicLR.0.cx", uint32_t(s.basicLR0));
    SetSettingInt(kSectionSplitters, "basicLR.1.cx", uint32_t(s.basicLR1));
    SetSettingInt(kSectionSplitters, "basicTB.0.cy", uint32_t(s.basicTB0));
    SetSettingInt(kSectionSplitters, "basicTB.1.cy", uint32_t(s.basicTB1));
}

void CChildFrame::NavigateTo(const QString& folder, const QString& fileName)
{
    folder_ = folder;
    // A named file opens at once; the list selects its tile when it is made.
    if (!fileName.isEmpty()) OpenImage(folder + QLatin1Char('/') + fileName, 0);
    ShowInBrowser(folder, fileName);
}

QString CChildFrame::CurrentFolder() const
{
    // The tree's path ends with "/"; only the root keeps it.
    QString folder = tree_ ? tree_->CurrentFolder() : QString();
    if (folder.isEmpty()) return folder_;
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString CChildFrame::CurrentFileName() const
{
    const auto& path = editor_->GetPathName();
    return path ? QFileInfo(*path).fileName() : QString();
}

bool CChildFrame::OpenImage(const QString& path, int index)
{
    return editor_->SetImage(path, nullptr, index);
}

CIconView* CChildFrame::GetEditor() { return editor_; }

bool CChildFrame::ConfirmSaveChanges() { return editor_->ConfirmSaveChanges(); }

void CChildFrame::OnActivate()
{
    editor_->SetHistoryLimit(GetMaxUndo());
    editor_->RebuildEraserCursor();
    editor_->UpdateTitle();
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (!ConfirmSaveChanges()) {
        event->ignore();
        return;
    }
    editor_->StopWorkers();
    editor_->PauseAnimation();
    event->accept();
}

} // namespace vex
