#include "editor/BrowserPanes.h"

#include <QLabel>

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

QWidget* StandIn(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    return label;
}

} // namespace

QWidget* CreateFolderTreePane(QWidget* parent)
{
    return TreeFactory() ? TreeFactory()(parent) : StandIn(parent, "folderTree");
}
QWidget* CreateFileListPane(QWidget* parent)
{
    return ListFactory() ? ListFactory()(parent) : StandIn(parent, "fileList");
}
QWidget* CreateFrameStripPane(QWidget* parent)
{
    return StripFactory() ? StripFactory()(parent) : StandIn(parent, "frameStrip");
}

void SetFolderTreeFactory(PaneFactory make) { TreeFactory() = std::move(make); }
void SetFileListFactory(PaneFactory make) { ListFactory() = std::move(make); }
void SetFrameStripFactory(PaneFactory make) { StripFactory() = std::move(make); }

} // namespace vex
