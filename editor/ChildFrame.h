#pragma once
// The child window of the main frame: the browser panes and the editor with
// its rulers in nested splitters, and the command target for every editor
// command.

#include <QString>
#include <QWidget>

#include "platform/CommandTarget.h"

namespace vex {

class CIconView;

class CChildFrame : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Splitter sizes from / to "Config\Display\Splitters".
    void RestoreSplitterSizes();
    void SaveSplitterSizes();

    // Shows `folder` in the browser and selects `fileName` there (which opens
    // it); an empty name selects the first tile.
    void NavigateTo(const QString& folder, const QString& fileName);
    // The folder the browser shows, and the file name (without folder) of the
    // image in the editor.
    QString CurrentFolder() const;
    QString CurrentFileName() const;

    // Loads `path` (frame or icon `index`) into the editor.
    bool OpenImage(const QString& path, int index);
    CIconView* GetEditor();

    // Asks to save a modified image; false when the user cancelled.
    bool ConfirmSaveChanges();
    // Called when the window becomes active.
    void OnActivate();

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

private:
    QString folder_;
    QString fileName_;
};

} // namespace vex
