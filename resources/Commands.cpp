#include "resources/Commands.h"

#include <algorithm>
#include <array>

namespace vex {
namespace {

constexpr bool kCheck = true;
constexpr bool kPlain = false;

// Texts and prompts of the resources; where the resources gave none, our own.
constexpr CommandInfo kCommands[] = {
    // File
    {kCmdFileNew, "&New Window", "Open a new explorer window\nNew Window", "", kPlain},
    {kCmdOpen, "&Open...\tCtrl+O", "Open an image file\nOpen", "", kPlain},
    {kCmdNewImage, "&New Image...\tCtrl+N", "Create a new image\nNew Image", "", kPlain},
    {kCmdSave, "&Save\tCtrl+S", "Save the current image\nSave", "", kPlain},
    {kCmdSaveAs, "Save &As...", "Save the current image under a new name or type\nSave As", "", kPlain},
    {kCmdDelete, "Delete", "Delete the selected files\nDelete", "", kPlain},
    {kCmdRefresh, "Re&fresh\tF5", "Read the current folder again\nRefresh", "", kPlain},
    {kCmdFilePrint, "&Print...\tCtrl+P", "Print the current image\nPrint", "", kPlain},
    {kCmdFilePrintPreview, "Print Pre&view", "Show the pages as they will be printed\nPrint Preview", "", kPlain},
    {kCmdSelectSource, "Select Source...", "Choose the scanner to acquire from\nSelect Source", "", kPlain},
    {kCmdAcquire, "Acquire", "Acquire an image from the scanner\nAcquire", "", kPlain},
    {kCmdProperties, "&Properties", "Change the program's options\nOptions", "", kPlain},
    {kCmdAppExit, "E&xit", "Quit the program\nExit", "", kPlain},
    // Edit
    {kCmdUndo, "&Undo\tCtrl+Z", "Undo the last change\nUndo", "", kPlain},
    {kCmdRedo, "&Redo\tCtrl+Y", "Redo the change undone last\nRedo", "", kPlain},
    {kCmdEditCut, "&Cut\tCtrl+X", "Cut the image to the selection\nCut", "", kPlain},
    {kCmdEditCopy, "&Copy\tCtrl+C", "Copy the image to the clipboard\nCopy", "Ctrl+Ins", kPlain},
    {kCmdEditPaste, "Paste\tCtrl+V", "Paste from the clipboard\nPaste", "Shift+Ins", kPlain},
    {kCmdSelectAll, "Select All\tCtrl+A", "Select the whole image\nSelect All", "", kPlain},
    {kCmdClearSelection, "Clear Selection\tDel", "Clear the selection\nClear Selection", "", kPlain},
    {kCmdCrop, "Crop \tShift+R", "Crop the image to the selection\nCrop", "", kPlain},
    {kCmdPictureTemplate, "&Picture Template", "Add a picture template\nPicture template.", "", kPlain},
    {kCmdTemplateArrow, "Template &Arrow",
     "Show/Hide the arrow of the currently selected template.\nShow/Hide the arrow", "", kCheck},
    {kCmdArrowProperties, "Arrow P&roperties", "Set the basic properties for the arrow.\nSet arrow property", "",
     kPlain},
    // View
    {kCmdZoomIn, "Zoom &In\tCtrl++", "Enlarge the view\nZoom In", "", kPlain},
    {kCmdZoomOut, "Zoom &Out\tCtrl+-", "Reduce the view\nZoom Out", "", kPlain},
    {kCmdZoomOne, "&Actual Size\tCtrl+1", "Show the image at its own size\nZoom 1:1", "", kPlain},
    {kCmdGrid, "Show the &Grid", "Show the Grid\nShow the Grid", "", kCheck},
    {kCmdViewToolbar, "&Basic Toolbar", "Show or hide the basic toolbar\nBasic Toolbar", "", kCheck},
    {kCmdViewRotateBar, "&Rotate Toolbar", "Show or hide the rotate toolbar\nRotate Toolbar", "", kCheck},
    {kCmdViewTransformBar, "Tr&ansformation Toolbar",
     "Show or hide the transformation toolbar\nTransformation Toolbar", "", kCheck},
    {kCmdViewDrawingBar, "&Drawing tools Toolbar", "Show or hide the drawing tools toolbar\nDrawing tools Toolbar",
     "", kCheck},
    {kCmdViewTemplatesBar, "&Templates Toolbar", "Show or hide the templates toolbar\nTemplates Toolbar", "",
     kCheck},
    {kCmdViewStatusBar, "&Status Bar", "Show or hide the status bar\nStatus Bar", "", kCheck},
    {kCmdViewInfoBar, "&View Info Bar", "Show or hide the General Info Bar\nGeneral Info Bar", "", kCheck},
    {kCmdHistogram, "Histogram", "Show or hide the histogram\nHistogram", "", kCheck},
    {kCmdEditPalette, "Edit the &Palette...", "Edit the palette of the image\nEdit Palette", "", kPlain},
    // Image
    {kCmdRotate180, "Flip Image 180 degrees", "Turn the image half way round\nRotate 180 degrees", "", kPlain},
    {kCmdRotateLeft, "Rotate 90 Degree Right", "Rotate the curent image 90 degrees Left.\nRotate 90 degrees Left.",
     "", kPlain},
    {kCmdRotateRight, "Rotate 90 Degrees Right", "Rotate the current image 90 degrees right\nRotate 90 degrees Right",
     "", kPlain},
    {kCmdRotateAngle, "Select the angle of rotation.", "Rotate by an angle of your choice\nRotate by angle", "",
     kPlain},
    {kCmdAddRotateFrame, "&Add and rotate frame", "Build an animation of rotated copies\nAdd and rotate frame", "",
     kPlain},
    {kCmdMirror, "Mirror", "Mirror the image left to right\nMirror", "", kPlain},
    {kCmdFlip, "Flip", "Flip the image top to bottom\nFlip", "", kPlain},
    {kCmdShear, "Shear...", "Shear the image\nShear", "", kPlain},
    {kCmdResize, "&Resize", "Change the size of the image\nResize", "", kPlain},
    {kCmdAddBorder, "Add Border...", "Add a border around the image\nAdd Border", "", kPlain},
    {kCmdResizeCanvas, "Resize Canvas...", "Change the canvas around the image\nResize Canvas", "", kPlain},
    {kCmdImageProperties, "Image Properties", "Frame rate, position and depth of the frame\nImage Properties", "",
     kPlain},
    // Colours
    {kCmdGrayScale, "Gray Scale", "Turn the image into shades of grey\nGray Scale", "", kPlain},
    {kCmdNegative, "Negative", "Invert the colours\nNegative", "", kPlain},
    {kCmdLighten, "Lighten", "Make the image lighter\nLighten", "", kPlain},
    {kCmdDarken, "Darken", "Make the image darker\nDarken", "", kPlain},
    {kCmdMoreContrast, "More Contrast", "Raise the contrast\nMore Contrast", "", kPlain},
    {kCmdLessContrast, "Less Contrast", "Lower the contrast\nLess Contrast", "", kPlain},
    {kCmdLightContrast, "Set The light/contrast", "Set the light and contrast\nLight and contrast", "", kPlain},
    {kCmdPseudoColors, "Pseudo Colors", "Colour the image by brightness\nPseudo Colors", "", kPlain},
    {kCmdHueSaturation, "Hue and Saturation...", "Change hue and saturation\nHue and Saturation", "", kPlain},
    {kCmdRgb, "RGB...", "Change the red, green and blue levels\nRGB", "", kPlain},
    {kCmdThreshold, "Threshold", "Reduce the image to black and white\nThreshold", "", kPlain},
    {kCmdGamma, "Gamma...", "Change the gamma\nGamma", "", kPlain},
    // Filters
    {kCmdBlur, "Blur", "Blur the image\nBlur", "", kPlain},
    {kCmdEmboss, "Emboss", "Emboss the image\nEmboss", "", kPlain},
    {kCmdSoften, "Soften", "Soften the image\nSoften", "", kPlain},
    {kCmdSharpen, "Sharpen", "Sharpen the image\nSharpen", "", kPlain},
    {kCmdEdge, "Pencil draw, (Edge)", "Draw the edges of the image\nEdge", "", kPlain},
    {kCmdGaussian2, "Gaussian 2x2", "Gaussian blur over 2 x 2 pixels\nGaussian 2x2", "", kPlain},
    {kCmdGaussian3, "Gaussian 3x3", "Gaussian blur over 3 x 3 pixels\nGaussian 3x3", "", kPlain},
    {kCmdGaussian5, "Gaussian 5x5", "Gaussian blur over 5 x 5 pixels\nGaussian 5x5", "", kPlain},
    {kCmdGaussian7, "Gaussian 7x7", "Gaussian blur over 7 x 7 pixels\nGaussian 7x7", "", kPlain},
    {kCmdNoise, "Add Noise", "Add random noise\nAdd Noise", "", kPlain},
    {kCmdMedian, "Median", "Median filter\nMedian", "", kPlain},
    {kCmdErode, "Erode", "Erode the image\nErode", "", kPlain},
    {kCmdDilate, "Dilate", "Dilate the image\nDilate", "", kPlain},
    {kCmdContour, "Contour", "Trace the contours\nContour", "", kPlain},
    {kCmdJitter, "Jitter", "Scatter the pixels\nJitter", "", kPlain},
    // Frames
    {kCmdPlay, "&Play", "Play the animation\nPlay", "", kPlain},
    {kCmdPause, "P&ause", "Pause the animation\nPause", "", kPlain},
    {kCmdStop, "&Stop", "Stop the animation\nStop", "", kPlain},
    {kCmdNextFrame, "&Next Frame", "Show the next frame\nNext Frame", "", kPlain},
    {kCmdPrevFrame, "P&revious Frame", "Show the previous frame\nPrevious Frame", "", kPlain},
    {kCmdFrameRate, "Set Frame Rate.", "Set the delay of the frames\nFrame Rate", "", kPlain},
    {kCmdSaveAsNewFrame, "Save As New Frame", "Add the edited frame as a new frame\nSave As New Frame", "", kPlain},
    {kCmdRemoveFrame, "Remove Frame.\tCtrl+R", "Remove the current frame\nRemove Frame", "", kPlain},
    // Tools
    {kCmdToolMove, "&Move", "Move the picture around.\nMove picture.", "", kCheck},
    {kCmdToolPencil, "&Pencil", "Pencil draw on the current image.\nPencil Draw", "", kCheck},
    {kCmdToolLine, "&Line", "Draw a straight line.\nLine", "", kCheck},
    {kCmdToolFill, "&Fill", "Fill a drawing area with the current selected color.\nFill area with color.", "",
     kCheck},
    {kCmdToolText, "&Text", "Insert Text\nText", "", kCheck},
    {kCmdToolEllipse, "&Circle", "Draw a circle\nCircle", "", kCheck},
    {kCmdToolRectangle, "&Rectangle", "Draw a rectangle\nRectangle.", "", kCheck},
    {kCmdToolRoundRect, "R&ounded Rectangle", "Draw a Rounded rectangle\nRounded rectangle", "", kCheck},
    {kCmdToolSelect, "&Selection", "Rectangle Selection\nRectangle Selection", "", kCheck},
    {kCmdToolEraser, "&Eraser",
     "Use the cursor as an eraser, select the size of the eraser on the toolbar.\n Use Cursor as Eraser. ", "",
     kCheck},
    {kCmdToolHotspot, "&Hotspot", "Set The Hotspot.\nSet The Hotspot.", "", kCheck},
    {kCmdToolTransparent, "Tr&ansparent Color",
     "Select the transparent color on your image. Simply click the color\nSet Transparent color.", "", kCheck},
    // Window
    {kCmdWindowNew, "&New Window", "Open another explorer window\nNew Window", "", kPlain},
    // Help
    {kCmdTipOfTheDay, "Ti&p of the Day...", "Show a tip\nTip of the Day", "", kPlain},
    {kCmdHelpFinder, "&Help Topics\tF1", "List the help topics\nHelp Topics", "", kPlain},
    {kCmdHelp, "&Help", "Help on the current task\nHelp", "", kPlain},
    {kCmdContextHelp, "&What's This?\tShift+F1", "Help on a clicked item\nHelp", "", kPlain},
    {kCmdDefaultHelp, "&Default Help", "Open the help\nHelp", "", kPlain},
    {kCmdWebsite, "Vexmira &Website", "Visit the Vexmira website\nWebsite", "", kPlain},
    {kCmdHome, "Vexmira &Home Page", "Visit the Vexmira home page\nHome Page", "", kPlain},
    {kCmdTech, "&Technical Support", "Visit the technical support pages\nTechnical Support", "", kPlain},
    {kCmdCommunity, "Online &Community", "Visit the online community\nCommunity", "", kPlain},
    {kCmdCheckUpdates, "Check For Updates online.", "Look for a newer version\nCheck For Updates", "", kPlain},
    {kCmdAppAbout, "&About Vexmira...", "Show the program's version\nAbout", "", kPlain},
};

constexpr MenuItem kFileMenu[] = {
    {kCmdFileNew}, {kCmdOpen}, {kCmdNewImage}, {0}, {kCmdSave}, {kCmdSaveAs}, {kCmdSaveAs, "&Export..."},
    {kCmdDelete}, {kCmdRefresh}, {0}, {kCmdFilePrint}, {kCmdFilePrintPreview}, {0}, {kCmdSelectSource},
    {kCmdAcquire}, {0}, {kCmdProperties}, {0}, {kCmdAppExit},
};
constexpr MenuItem kEditMenu[] = {
    {kCmdUndo}, {kCmdRedo}, {0}, {kCmdEditCut}, {kCmdEditCopy}, {kCmdEditPaste}, {0}, {kCmdSelectAll},
    {kCmdClearSelection}, {kCmdCrop}, {0}, {kCmdPictureTemplate}, {kCmdTemplateArrow}, {kCmdArrowProperties},
};
constexpr MenuItem kViewMenu[] = {
    {kCmdZoomIn}, {kCmdZoomOut}, {kCmdZoomOne}, {kCmdGrid}, {0}, {kCmdViewToolbar}, {kCmdViewRotateBar},
    {kCmdViewTransformBar}, {kCmdViewDrawingBar}, {kCmdViewTemplatesBar}, {kCmdViewStatusBar}, {0},
    {kCmdViewInfoBar}, {kCmdHistogram}, {kCmdEditPalette},
};
constexpr MenuItem kImageMenu[] = {
    {kCmdRotate180}, {kCmdRotateLeft}, {kCmdRotateRight}, {kCmdRotateAngle}, {kCmdAddRotateFrame}, {0},
    {kCmdMirror}, {kCmdFlip}, {kCmdShear}, {0}, {kCmdResize}, {kCmdAddBorder}, {kCmdResizeCanvas}, {0},
    {kCmdImageProperties},
};
constexpr MenuItem kColourMenu[] = {
    {kCmdGrayScale}, {kCmdNegative}, {kCmdPseudoColors}, {0}, {kCmdLighten}, {kCmdDarken}, {kCmdMoreContrast},
    {kCmdLessContrast}, {kCmdLightContrast}, {0}, {kCmdHueSaturation}, {kCmdRgb}, {kCmdThreshold}, {kCmdGamma},
};
constexpr MenuItem kFilterMenu[] = {
    {kCmdBlur}, {kCmdEmboss}, {kCmdSoften}, {kCmdSharpen}, {kCmdEdge}, {0}, {kCmdGaussian2}, {kCmdGaussian3},
    {kCmdGaussian5}, {kCmdGaussian7}, {0}, {kCmdNoise}, {kCmdMedian}, {kCmdErode}, {kCmdDilate}, {kCmdContour},
    {kCmdJitter},
};
constexpr MenuItem kFrameMenu[] = {
    {kCmdPlay}, {kCmdPause}, {kCmdStop}, {kCmdNextFrame}, {kCmdPrevFrame}, {0}, {kCmdFrameRate},
    {kCmdSaveAsNewFrame}, {kCmdRemoveFrame},
};
constexpr MenuItem kToolMenu[] = {
    {kCmdToolMove}, {kCmdToolPencil}, {kCmdToolLine}, {kCmdToolFill}, {kCmdToolText}, {kCmdToolEllipse},
    {kCmdToolRectangle}, {kCmdToolRoundRect}, {kCmdToolSelect}, {kCmdToolEraser}, {kCmdToolHotspot},
    {kCmdToolTransparent},
};
constexpr MenuItem kWindowMenu[] = {{kCmdWindowNew}};
// The tip of the day leads the Help menu.
constexpr MenuItem kHelpMenu[] = {
    {kCmdTipOfTheDay}, {kCmdHelpFinder}, {0}, {kCmdWebsite}, {kCmdHome}, {kCmdTech}, {kCmdCommunity},
    {kCmdCheckUpdates}, {0}, {kCmdAppAbout},
};

constexpr MenuInfo kMenus[] = {
    {"&File", kFileMenu}, {"&Edit", kEditMenu}, {"&View", kViewMenu}, {"&Image", kImageMenu},
    {"&Colors", kColourMenu}, {"F&ilters", kFilterMenu}, {"F&rames", kFrameMenu}, {"&Tools", kToolMenu},
    {"&Window", kWindowMenu}, {"&Help", kHelpMenu},
};

constexpr int kBasicButtons[] = {kCmdFileNew, kCmdSave, kCmdDelete, kCmdRefresh, 0, kCmdProperties,
                                 kCmdViewInfoBar, kCmdHistogram, kCmdUndo, kCmdRedo, kCmdZoomIn, kCmdZoomOne,
                                 kCmdZoomOut, 0, kCmdPrevFrame, kCmdPlay, kCmdStop, kCmdPause, kCmdNextFrame, 0,
                                 kCmdWebsite, kCmdAppAbout};
constexpr int kBasicDropDowns[] = {kCmdUndo, kCmdRedo};
constexpr int kRotateButtons[] = {kCmdRotate180, kCmdRotateLeft, kCmdRotateRight, kCmdRotateAngle};
constexpr int kTransformButtons[] = {kCmdGrayScale, kCmdNegative, kCmdLighten, kCmdDarken};
constexpr int kDrawingButtons[] = {kCmdGrid, kCmdToolMove, kCmdToolPencil, kCmdToolLine, kCmdToolFill,
                                   kCmdToolText, kCmdToolEllipse, kCmdToolRectangle, kCmdToolRoundRect,
                                   kCmdToolSelect, kCmdToolEraser, kCmdToolHotspot, 0, kCmdAcquire,
                                   kCmdEditPalette};
constexpr int kTemplateButtons[] = {kCmdPictureTemplate, kCmdTemplateArrow, kCmdArrowProperties};

constexpr ToolBarInfo kToolBars[] = {
    {kBarBasic, 128, "Basic", kCmdViewToolbar, kBasicButtons, kBasicDropDowns, false},
    {kBarRotate, 142, "Rotate", kCmdViewRotateBar, kRotateButtons, {}, false},
    {kBarTransform, 144, "Transformation", kCmdViewTransformBar, kTransformButtons, {}, false},
    {kBarDrawing, 147, "Drawing tools", kCmdViewDrawingBar, kDrawingButtons, {}, true},
    {kBarTemplates, 151, "Templates", kCmdViewTemplatesBar, kTemplateButtons, kTemplateButtons, false},
};

constexpr int kAcceleratorOnly[] = {kCmdHelp, kCmdContextHelp, kCmdDefaultHelp};

} // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo* FindCommand(int id)
{
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [id](const CommandInfo& c) { return c.id == id; });
    return found == std::end(kCommands) ? nullptr : &*found;
}

std::span<const MenuInfo> MainMenus() { return kMenus; }
std::span<const ToolBarInfo> ToolBars() { return kToolBars; }
std::span<const int> AcceleratorOnlyCommands() { return kAcceleratorOnly; }

} // namespace vex
