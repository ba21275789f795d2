#pragma once
// The browser panes of a child window: folder tree, file list and frame
// strip. Each is made by a replaceable factory (a test can put a plain
// widget in a pane's place; the child frame then leaves that pane unwired).

#include <functional>

#include <QWidget>

namespace vex {

using PaneFactory = std::function<QWidget*(QWidget* parent)>;

QWidget* CreateFolderTreePane(QWidget* parent);
QWidget* CreateFileListPane(QWidget* parent);
QWidget* CreateFrameStripPane(QWidget* parent);

// Replace a factory (an empty function restores the real pane).
void SetFolderTreeFactory(PaneFactory make);
void SetFileListFactory(PaneFactory make);
void SetFrameStripFactory(PaneFactory make);

} // namespace vex
