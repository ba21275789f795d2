#include "editor/BrowserPanes.h"

#include "browser/MultiImageView.h"
#include "browser/ShellIconListView.h"
#include "browser/ShellTreeView.h"

namespace vex {
namespace {

PaneFactory& TreeFactory()
{
    static PaneFactory f;
    return f;
}
PaneFactory& ListFactory()
{
    static PaneFactory f;
    return f;
}
PaneFactory& StripFactory()
{
    static PaneFactory f;
    return f;
}

QWidget* Named(QWidget* pane, const char* name)
{
    pane->setObjectName(QLatin1String(name));
    return pane;
}

} // namespace

QWidget* CreateFolderTreePane(QWidget* parent)
{
    return TreeFactory() ? TreeFactory()(parent) : Named(new CMyShellTreeView(parent), "folderTree");
}
QWidget* CreateFileListPane(QWidget* parent)
{
    return ListFactory() ? ListFactory()(parent) : Named(new CMyShellIconListView(parent), "fileList");
}
QWidget* CreateFrameStripPane(QWidget* parent)
{
    return StripFactory() ? StripFactory()(parent) : Named(new CMultiImageView(parent), "frameStrip");
}

void SetFolderTreeFactory(PaneFactory make) { TreeFactory() = std::move(make); }
void SetFileListFactory(PaneFactory make) { ListFactory() = std::move(make); }
void SetFrameStripFactory(PaneFactory make) { StripFactory() = std::move(make); }

} // namespace vex
