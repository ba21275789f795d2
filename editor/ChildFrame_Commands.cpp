// The child frame's command routing: which editor command is enabled and
// checked, and what each one does.

#include <algorithm>
#include <iterator>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "browser/ShellIconListView.h"
#include "editor/ChildFrame.h"
#include "editor/EditorCommands.h"
#include "editor/IconView.h"

namespace vex {
namespace {

struct ToolEntry {
    int id;
    uint32_t bit;
};
constexpr ToolEntry kTools[] = {
    {cmd::ToolMoveCmd, ToolMove},           {cmd::ToolPencilCmd, ToolPencil},   {cmd::ToolLineCmd, ToolLine},
    {cmd::ToolFillCmd, ToolFill},           {cmd::ToolTextCmd, ToolText},       {cmd::ToolEllipseCmd, ToolEllipse},
    {cmd::ToolRectangleCmd, ToolRectangle}, {cmd::ToolRoundRectCmd, ToolRoundRect},
    {cmd::ToolSelectCmd, ToolSelect},       {cmd::ToolEraserCmd, ToolEraser},   {cmd::ToolHotspotCmd, ToolHotspot},
    {cmd::ToolTransparentCmd, ToolTransparent},
};

template <size_t N>
bool In(const int (&ids)[N], int id)
{
    return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

bool IsPlaybackCommand(int id)
{
    return id == cmd::Play || id == cmd::Pause || id == cmd::Stop || id == cmd::NextFrame ||
           id == cmd::PreviousFrame || id == cmd::SetFrameRate;
}

// Ids whose action comes with later work: routed here, shown disabled.
// Opening a new window is left to the main frame.
constexpr int kOtherCommands[] = {cmd::RemoveFrame, cmd::ShowArrow, cmd::ArrowProperties, cmd::ClearSelection,
                                  cmd::Cut,         cmd::Crop,      cmd::SaveAs,          cmd::Save,
                                  cmd::Copy,        cmd::Paste,     cmd::DeleteFile,      cmd::Print,
                                  cmd::PrintPreview, cmd::GeneralInfoBar, cmd::EditPalette};

} // namespace

bool CChildFrame::ToolCommand(int id, uint32_t& bit) const
{
    for (const ToolEntry& t : kTools) {
        if (t.id == id) {
            bit = t.bit;
            return true;
        }
    }
    return false;
}

bool CChildFrame::IsEditorCommand(int id) const
{
    uint32_t bit = 0;
    return id == cmd::ZoomIn || id == cmd::ZoomOut || id == cmd::ZoomOne || IsPlaybackCommand(id) ||
           ToolCommand(id, bit) || id == cmd::ShowGrid || id == cmd::Undo || id == cmd::Redo ||
           In(cmd::kImageCommands, id) || In(cmd::kHistogramButtons, id) || In(kOtherCommands, id) ||
           id == cmd::RefreshFolder;
}

bool CChildFrame::IsCommandAvailable(int id)
{
    uint32_t bit = 0;
    for (const ToolEntry& t : kTools)
        if (t.id == id) bit = t.bit;
    return bit != 0 || id == cmd::ZoomIn || id == cmd::ZoomOut || id == cmd::ZoomOne || id == cmd::Play ||
           id == cmd::Pause || id == cmd::Stop || id == cmd::NextFrame || id == cmd::PreviousFrame ||
           id == cmd::ShowGrid || id == cmd::Undo || id == cmd::Redo || id == cmd::DeleteFile ||
           id == cmd::RefreshFolder;
}

bool CChildFrame::CommandRuleEnabled(int id)
{
    CIconView* e = GetEditor();
    if (!e) return false;
    const bool frames = e->HasFrames();
    uint32_t bit = 0;
    if (id == cmd::ZoomIn) return frames && CanZoomIn(e->GetZoom());
    if (id == cmd::ZoomOut) return frames && CanZoomOut(e->GetZoom());
    if (id == cmd::ZoomOne) return frames && e->GetZoom() != 1.0f;
    if (IsPlaybackCommand(id)) return e->IsAnimated();
    if (ToolCommand(id, bit) || id == cmd::ShowGrid) return frames;
    if (id == cmd::Undo) return e->CanUndo();
    if (id == cmd::Redo) return e->CanRedo();
    if (In(cmd::kImageCommands, id)) return frames;
    if (id == cmd::RemoveFrame) return frames && e->FrameCount() >= 2;
    if (id == cmd::ShowArrow || id == cmd::ArrowProperties) return frames && e->GetCurrentTemplate() >= 0;
    if (id == cmd::ClearSelection) return e->GetCurrentTemplate() >= 0 || e->GetCurrentTemplate() == -2;
    if (id == cmd::Cut || id == cmd::Crop) return e->GetImage().HasSelectionRect();
    if (In(cmd::kHistogramButtons, id)) return true;
    if (id == cmd::SaveAs) return frames;
    if (id == cmd::Save) return e->IsModified();
    if (id == cmd::Copy) return frames;
    if (id == cmd::Paste) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && (data->hasImage() || data->hasUrls() || data->hasFormat(QStringLiteral("image/bmp")));
    }
    if (id == cmd::DeleteFile) return e->GetPathName().has_value();
    if (id == cmd::RefreshFolder || id == cmd::NewWindow) return true;
    if (id == cmd::Print || id == cmd::PrintPreview || id == cmd::EditPalette) return frames;
    // The info bar is unchecked while its sheet does not exist.
    if (id == cmd::GeneralInfoBar) return true;
    return false;
}

bool CChildFrame::OnUpdateCommand(int id, CommandState& state)
{
    if (!IsEditorCommand(id)) return false;
    state = CommandState{};
    CIconView* e = GetEditor();
    if (!e) return true;
    state.enabled = IsCommandAvailable(id) && CommandRuleEnabled(id);
    uint32_t bit = 0;
    if (ToolCommand(id, bit)) state.checked = (e->GetDrawStyle() & bit) != 0;
    else if (id == cmd::ShowGrid) state.checked = (e->GetDrawStyle() & StyleGrid) != 0;
    return true;
}

bool CChildFrame::OnCommand(int id)
{
    if (!IsEditorCommand(id)) return false;
    CIconView* e = GetEditor();
    if (!e || !IsCommandAvailable(id) || !CommandRuleEnabled(id)) return true;
    uint32_t bit = 0;
    if (ToolCommand(id, bit)) {
        // Choosing the active tool again returns to the move tool; the
        // active move tool gives way to the pencil.
        const bool active = (e->GetDrawStyle() & bit) != 0;
        if (active) e->SelectTool(bit == ToolMove ? uint32_t{ToolPencil} : uint32_t{ToolMove});
        else e->SelectTool(bit);
        return true;
    }
    switch (id) {
    case cmd::ZoomIn: e->ZoomIn(); break;
    case cmd::ZoomOut: e->ZoomOut(); break;
    case cmd::ZoomOne: e->ZoomReset(); break;
    case cmd::Play: e->PlayAnimation(); break;
    case cmd::Pause: e->PauseAnimation(); break;
    case cmd::Stop: e->StopAnimation(); break;
    case cmd::NextFrame: e->StepFrame(1); break;
    case cmd::PreviousFrame: e->StepFrame(-1); break;
    case cmd::ShowGrid: e->ToggleGrid(); break;
    case cmd::Undo: e->Undo(1); break;
    case cmd::Redo: e->Redo(1); break;
    case cmd::DeleteFile:
        if (list_) list_->DeleteSelectedFiles();
        break;
    case cmd::RefreshFolder: RefreshFolder(); break;
    default: break;
    }
    return true;
}

} // namespace vex
