#pragma once
// The command ids the child frame routes to its editor.

namespace vex::cmd {

inline constexpr int ZoomIn = 32771, ZoomOut = 32772, ZoomOne = 32787;
inline constexpr int Play = 32775, Pause = 32776, Stop = 32777, NextFrame = 32778, PreviousFrame = 32779,
                     SetFrameRate = 32835;
inline constexpr int ToolMoveCmd = 32812, ToolPencilCmd = 32813, ToolLineCmd = 32817, ToolFillCmd = 32818,
                     ToolTextCmd = 32819, ToolEllipseCmd = 32820, ToolRectangleCmd = 32826, ToolRoundRectCmd = 32827,
                     ToolSelectCmd = 32836, ToolEraserCmd = 32838, ToolHotspotCmd = 32842, ToolTransparentCmd = 32852;
inline constexpr int ShowGrid = 32815;
inline constexpr int Undo = 32790, Redo = 32791;
inline constexpr int RemoveFrame = 32843;
inline constexpr int ShowArrow = 32851, ArrowProperties = 32855;
inline constexpr int ClearSelection = 32839;
inline constexpr int Cut = 57635, Crop = 32837;
inline constexpr int SaveAs = 32780, Save = 32786;
inline constexpr int Copy = 57634, Paste = 57637;
inline constexpr int DeleteFile = 32785, RefreshFolder = 32840, NewWindow = 57600;
inline constexpr int Print = 57607, PrintPreview = 57609;
inline constexpr int GeneralInfoBar = 32832, EditPalette = 32885;

// The image commands: enabled while the image has frames.
inline constexpr int kImageCommands[] = {32781, 32782, 32783, 32784, 32811, 32788, 32789, 32792, 32793, 32795,
                                         32796, 32799, 32800, 32801, 32802, 32803, 32804, 32805, 32806, 32807,
                                         32808, 32809, 1,     32869, 32870, 32871, 32872, 32877, 32878, 32879,
                                         32880, 32882, 32883, 32886, 32833, 32873, 32874, 32845, 32846, 32816,
                                         32844};
// The histogram bar's buttons.
inline constexpr int kHistogramButtons[] = {1103, 1104, 1106, 1107, 1108};

} // namespace vex::cmd
