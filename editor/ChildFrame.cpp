#include "editor/ChildFrame.h"

#include <QFileInfo>

namespace vex {

CChildFrame::CChildFrame(QWidget* parent) : QWidget(parent) {}
CChildFrame::~CChildFrame() = default;

void CChildFrame::RestoreSplitterSizes() {}
void CChildFrame::SaveSplitterSizes() {}

void CChildFrame::NavigateTo(const QString& folder, const QString& fileName)
{
    folder_ = folder;
    if (!fileName.isEmpty()) OpenImage(folder + QLatin1Char('/') + fileName, 0);
}

QString CChildFrame::CurrentFolder() const { return folder_; }
QString CChildFrame::CurrentFileName() const { return fileName_; }

bool CChildFrame::OpenImage(const QString& path, int)
{
    fileName_ = QFileInfo(path).fileName();
    return true;
}

CIconView* CChildFrame::GetEditor() { return nullptr; }
bool CChildFrame::ConfirmSaveChanges() { return true; }
void CChildFrame::OnActivate() {}
bool CChildFrame::OnCommand(int) { return false; }
bool CChildFrame::OnUpdateCommand(int, CommandState&) { return false; }

} // namespace vex
