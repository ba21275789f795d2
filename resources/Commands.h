#pragma once
// The command ids of the menus, toolbars and accelerators with their menu
// texts ("text\taccelerator"), their prompts ("status line\ntool-tip") and the
// layout of the main frame's menus and five toolbars. Shared by the main
// frame, the child frame and the command router.

#include <span>

namespace vex {

// Framework command ids.
enum FrameworkCommand : int {
    kCmdNoise = 1, // "Add Noise" keeps the id the resources gave it
    kCmdTipOfTheDay = 103,
    kCmdFileNew = 57600, // New Window
    kCmdFileSaveDoc = 57603,
    kCmdFilePrint = 57607,
    kCmdFilePrintPreview = 57609,
    kCmdEditCopy = 57634,
    kCmdEditCut = 57635,
    kCmdEditPaste = 57637,
    kCmdWindowNew = 57648,
    kCmdAppAbout = 57664,
    kCmdAppExit = 57665,
    kCmdHelpFinder = 57667,
    kCmdContextHelp = 57669,
    kCmdHelp = 57670,
    kCmdDefaultHelp = 57671,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
};

// The program's own ids.
enum AppCommand : int {
    kCmdZoomIn = 32771,
    kCmdZoomOut = 32772,
    kCmdProperties = 32773,
    kCmdWebsite = 32774,
    kCmdPlay = 32775,
    kCmdPause = 32776,
    kCmdStop = 32777,
    kCmdNextFrame = 32778,
    kCmdPrevFrame = 32779,
    kCmdSaveAs = 32780,
    kCmdRotate180 = 32781,
    kCmdRotateLeft = 32782,
    kCmdRotateRight = 32783,
    kCmdRotateAngle = 32784,
    kCmdDelete = 32785,
    kCmdSave = 32786,
    kCmdZoomOne = 32787,
    kCmdGrayScale = 32788,
    kCmdNegative = 32789,
    kCmdUndo = 32790,
    kCmdRedo = 32791,
    kCmdLighten = 32792,
    kCmdDarken = 32793,
    kCmdMoreContrast = 32795,
    kCmdLessContrast = 32796,
    kCmdLightContrast = 32797,
    kCmdEmboss = 32799,
    kCmdBlur = 32800,
    kCmdSoften = 32801,
    kCmdSharpen = 32802,
    kCmdEdge = 32803,
    kCmdMedian = 32804,
    kCmdErode = 32805,
    kCmdContour = 32806,
    kCmdDilate = 32807,
    kCmdPseudoColors = 32808,
    kCmdJitter = 32809,
    kCmdAddRotateFrame = 32811,
    kCmdToolMove = 32812,
    kCmdToolPencil = 32813,
    kCmdOpen = 32814,
    kCmdGrid = 32815,
    kCmdPictureTemplate = 32816,
    kCmdToolLine = 32817,
    kCmdToolFill = 32818,
    kCmdToolText = 32819,
    kCmdToolEllipse = 32820,
    kCmdToolRectangle = 32826,
    kCmdToolRoundRect = 32827,
    kCmdViewRotateBar = 32828,
    kCmdViewTemplatesBar = 32829,
    kCmdViewDrawingBar = 32830,
    kCmdViewTransformBar = 32831,
    kCmdViewInfoBar = 32832,
    kCmdResize = 32833,
    kCmdFrameRate = 32835,
    kCmdToolSelect = 32836,
    kCmdCrop = 32837,
    kCmdToolEraser = 32838,
    kCmdClearSelection = 32839,
    kCmdRefresh = 32840,
    kCmdNewImage = 32841,
    kCmdToolHotspot = 32842,
    kCmdRemoveFrame = 32843,
    kCmdSelectAll = 32844,
    kCmdSaveAsNewFrame = 32845,
    kCmdImageProperties = 32846,
    kCmdHome = 32848,
    kCmdTech = 32849,
    kCmdCheckUpdates = 32850,
    kCmdTemplateArrow = 32851,
    kCmdToolTransparent = 32852,
    kCmdSelectSource = 32853,
    kCmdAcquire = 32854,
    kCmdArrowProperties = 32855,
    kCmdHistogram = 32856,
    kCmdGaussian2 = 32869,
    kCmdGaussian3 = 32870,
    kCmdGaussian5 = 32871,
    kCmdGaussian7 = 32872,
    kCmdAddBorder = 32873,
    kCmdResizeCanvas = 32874,
    kCmdCommunity = 32876,
    kCmdHueSaturation = 32877,
    kCmdRgb = 32878,
    kCmdThreshold = 32879,
    kCmdGamma = 32880,
    kCmdMirror = 32882,
    kCmdFlip = 32883,
    kCmdEditPalette = 32885,
    kCmdShear = 32886,
};

// Control bar ids.
enum BarId : int {
    kBarBasic = 32821,
    kBarRotate = 32822,
    kBarTransform = 32823,
    kBarDrawing = 32824,
    kBarTemplates = 32825,
    kBarInfo = 32832,
    kBarHistogram = 32856,
    kBarStatus = 59393,
};

struct CommandInfo {
    int id;
    // Menu text; a "\t" separates the accelerator shown beside it.
    const char* text;
    // "status line\ntool-tip"; empty when the resources gave none.
    const char* prompt;
    // Extra key sequences beyond the one in the text ("" for none).
    const char* extraKeys;
    // The menu item carries a check mark.
    bool checkable;
};

// One entry per command id.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

struct MenuItem {
    int id; // 0: separator
    // Replaces the command's text for this item ("&Export..." shares the id
    // of Save As).
    const char* textOverride = nullptr;
};

struct MenuInfo {
    const char* title;
    std::span<const MenuItem> items;
};

std::span<const MenuInfo> MainMenus();

struct ToolBarInfo {
    int barId;
    int resourceId;
    const char* title;
    int toggleId;
    std::span<const int> buttons; // 0: separator
    std::span<const int> dropDowns; // buttons with a drop-down arrow
    bool newRow; // starts a new row when docked by default
};

std::span<const ToolBarInfo> ToolBars();

// Ids only the keyboard reaches (no menu item).
std::span<const int> AcceleratorOnlyCommands();

} // namespace vex
