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

QWidget* StandIn(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    return label;
}

} // namespace

QWidget* CreateFolderTreePane(QWidget* parent)
{
    return TreeFactory() ? TreeFactory()(parent) : StandIn(parent, "folderTree", QStringLiteral("Folders"));
}
QWidget* CreateFileListPane(QWidget* parent)
{
    return ListFactory() ? ListFactory()(parent) : StandIn(parent, "fileList", QStringLiteral("Files"));
}
QWidget* CreateFrameStripPane(QWidget* parent)
{
    return StripFactory() ? StripFactory()(parent) : StandIn(parent, "frameStrip", QStringLiteral("Frames"));
}

void SetFolderTreeFactory(PaneFactory make) { TreeFactory() = std::move(make); }
void SetFileListFactory(PaneFactory make) { ListFactory() = std::move(make); }
void SetFrameStripFactory(PaneFactory make) { StripFactory() = std::move(make); }

} // namespace vex
