// The command table: one entry per id, every id the menus, toolbars and
// accelerators use is there, and the texts the resources fixed are exact.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "resources/Commands.h"

namespace vex {
namespace {

TEST(CommandTableTest, EveryIdOnce)
{
    std::map<int, int> seen;
    for (const CommandInfo& info : CommandTable()) ++seen[info.id];
    for (const auto& [id, count] : seen) EXPECT_EQ(count, 1) << "id " << id;
    EXPECT_EQ(seen.size(), CommandTable().size());
}

TEST(CommandTableTest, MenusToolbarsAndKeysUseOnlyKnownIds)
{
    std::set<int> reached;
    std::map<int, int> plainMenuItems;
    for (const MenuInfo& menu : MainMenus()) {
        for (const MenuItem& item : menu.items) {
            if (item.id == 0) continue;
            EXPECT_NE(FindCommand(item.id), nullptr) << menu.title << " item " << item.id;
            reached.insert(item.id);
            if (!item.textOverride) ++plainMenuItems[item.id];
        }
    }
    // Each command appears once in the menus under its own text.
    for (const auto& [id, count] : plainMenuItems) EXPECT_EQ(count, 1) << "id " << id;
    for (const ToolBarInfo& bar : ToolBars()) {
        for (int id : bar.buttons) {
            if (id != 0) {
                EXPECT_NE(FindCommand(id), nullptr) << "bar " << bar.barId << " button " << id;
            }
        }
        EXPECT_NE(FindCommand(bar.toggleId), nullptr) << "bar " << bar.barId;
    }
    for (int id : AcceleratorOnlyCommands()) reached.insert(id);
    // Nothing in the table is unreachable from a menu or a key.
    for (const CommandInfo& info : CommandTable()) EXPECT_TRUE(reached.count(info.id)) << "id " << info.id;
}

// Two commands on one key would make Qt run neither.
TEST(CommandTableTest, NoKeyServesTwoCommands)
{
    std::map<std::string, int> owner;
    for (const CommandInfo& info : CommandTable()) {
        std::vector<std::string> keys;
        const std::string text = info.text;
        if (const size_t tab = text.find('\t'); tab != std::string::npos) keys.push_back(text.substr(tab + 1));
        if (*info.extraKeys) keys.emplace_back(info.extraKeys);
        for (const std::string& key : keys) {
            const auto [it, fresh] = owner.emplace(key, info.id);
            EXPECT_TRUE(fresh) << key << " on " << it->second << " and " << info.id;
        }
    }
    EXPECT_GT(owner.size(), 10u);
}

TEST(CommandTableTest, TextsOfTheResources)
{
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        {kCmdTipOfTheDay, "Ti&p of the Day..."},
        {kCmdProperties, "&Properties"},
        {kCmdSaveAs, "Save &As..."},
        {kCmdDelete, "Delete"},
        {kCmdSave, "&Save\tCtrl+S"},
        {kCmdViewRotateBar, "&Rotate Toolbar"},
        {kCmdViewTemplatesBar, "&Templates Toolbar"},
        {kCmdViewDrawingBar, "&Drawing tools Toolbar"},
        {kCmdViewTransformBar, "Tr&ansformation Toolbar"},
        {kCmdViewInfoBar, "&View Info Bar"},
        {kCmdCheckUpdates, "Check For Updates online."},
        {kCmdHistogram, "Histogram"},
        {kCmdEditCopy, "&Copy\tCtrl+C"},
        {kCmdEditPaste, "Paste\tCtrl+V"},
        {kCmdEditCut, "&Cut\tCtrl+X"},
        {kCmdHelpFinder, "&Help Topics\tF1"},
        {kCmdViewToolbar, "&Basic Toolbar"},
        {kCmdUndo, "&Undo\tCtrl+Z"},
        {kCmdRedo, "&Redo\tCtrl+Y"},
        {kCmdRotate180, "Flip Image 180 degrees"},
        {kCmdRotateRight, "Rotate 90 Degrees Right"},
        {kCmdRotateLeft, "Rotate 90 Degree Right"},
        {kCmdRotateAngle, "Select the angle of rotation."},
        {kCmdAddRotateFrame, "&Add and rotate frame"},
        {kCmdGrayScale, "Gray Scale"},
        {kCmdNegative, "Negative"},
        {kCmdLighten, "Lighten"},
        {kCmdDarken, "Darken"},
        {kCmdMoreContrast, "More Contrast"},
        {kCmdLessContrast, "Less Contrast"},
        {kCmdLightContrast, "Set The light/contrast"},
        {kCmdBlur, "Blur"},
        {kCmdEmboss, "Emboss"},
        {kCmdSoften, "Soften"},
        {kCmdSharpen, "Sharpen"},
        {kCmdEdge, "Pencil draw, (Edge)"},
        {kCmdGaussian2, "Gaussian 2x2"},
        {kCmdGaussian3, "Gaussian 3x3"},
        {kCmdGaussian5, "Gaussian 5x5"},
        {kCmdGaussian7, "Gaussian 7x7"},
        {kCmdNoise, "Add Noise"},
        {kCmdMedian, "Median"},
        {kCmdErode, "Erode"},
        {kCmdDilate, "Dilate"},
        {kCmdContour, "Contour"},
        {kCmdPseudoColors, "Pseudo Colors"},
        {kCmdJitter, "Jitter"},
        {kCmdMirror, "Mirror"},
        {kCmdFlip, "Flip"},
        {kCmdShear, "Shear..."},
        {kCmdHueSaturation, "Hue and Saturation..."},
        {kCmdRgb, "RGB..."},
        {kCmdThreshold, "Threshold"},
        {kCmdGamma, "Gamma..."},
        {kCmdResize, "&Resize"},
        {kCmdAddBorder, "Add Border..."},
        {kCmdResizeCanvas, "Resize Canvas..."},
        {kCmdFrameRate, "Set Frame Rate."},
        {kCmdSaveAsNewFrame, "Save As New Frame"},
        {kCmdRemoveFrame, "Remove Frame.\tCtrl+R"},
        {kCmdImageProperties, "Image Properties"},
        {kCmdSelectAll, "Select All\tCtrl+A"},
        {kCmdClearSelection, "Clear Selection\tDel"},
        {kCmdCrop, "Crop \tShift+R"},
        {kCmdSelectSource, "Select Source..."},
        {kCmdAcquire, "Acquire"},
    };
    for (const Case& c : cases) {
        const CommandInfo* info = FindCommand(c.id);
        ASSERT_NE(info, nullptr) << "id " << c.id;
        EXPECT_STREQ(info->text, c.text) << "id " << c.id;
    }
}

TEST(CommandTableTest, PromptsOfTheResources)
{
    struct Case {
        int id;
        const char* prompt;
    };
    const Case cases[] = {
        {kCmdToolMove, "Move the picture around.\nMove picture."},
        {kCmdToolPencil, "Pencil draw on the current image.\nPencil Draw"},
        {kCmdGrid, "Show the Grid\nShow the Grid"},
        {kCmdToolLine, "Draw a straight line.\nLine"},
        {kCmdToolText, "Insert Text\nText"},
        {kCmdToolFill, "Fill a drawing area with the current selected color.\nFill area with color."},
        {kCmdToolEllipse, "Draw a circle\nCircle"},
        {kCmdToolRectangle, "Draw a rectangle\nRectangle."},
        {kCmdToolRoundRect, "Draw a Rounded rectangle\nRounded rectangle"},
        {kCmdToolSelect, "Rectangle Selection\nRectangle Selection"},
        {kCmdToolEraser,
         "Use the cursor as an eraser, select the size of the eraser on the toolbar.\n Use Cursor as Eraser. "},
        {kCmdToolHotspot, "Set The Hotspot.\nSet The Hotspot."},
        {kCmdToolTransparent,
         "Select the transparent color on your image. Simply click the color\nSet Transparent color."},
        {kCmdRotateLeft, "Rotate the curent image 90 degrees Left.\nRotate 90 degrees Left."},
        {kCmdPictureTemplate, "Add a picture template\nPicture template."},
        {kCmdTemplateArrow, "Show/Hide the arrow of the currently selected template.\nShow/Hide the arrow"},
        {kCmdArrowProperties, "Set the basic properties for the arrow.\nSet arrow property"},
    };
    for (const Case& c : cases) {
        const CommandInfo* info = FindCommand(c.id);
        ASSERT_NE(info, nullptr) << "id " << c.id;
        EXPECT_STREQ(info->prompt, c.prompt) << "id " << c.id;
    }
}

TEST(CommandTableTest, FiveToolbarsWithTheirButtons)
{
    struct Want {
        int barId;
        int resourceId;
        int toggleId;
        std::vector<int> buttons;
        std::vector<int> dropDowns;
    };
    const Want want[] = {
        {32821, 128, 59392,
         {57600, 32786, 32785, 32840, 0, 32773, 32832, 32856, 32790, 32791, 32771, 32787, 32772, 0, 32779, 32775,
          32777, 32776, 32778, 0, 32774, 57664},
         {32790, 32791}},
        {32822, 142, 32828, {32781, 32782, 32783, 32784}, {}},
        {32823, 144, 32831, {32788, 32789, 32792, 32793}, {}},
        {32824, 147, 32830,
         {32815, 32812, 32813, 32817, 32818, 32819, 32820, 32826, 32827, 32836, 32838, 32842, 0, 32854, 32885},
         {}},
        {32825, 151, 32829, {32816, 32851, 32855}, {32816, 32851, 32855}},
    };
    ASSERT_EQ(ToolBars().size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        const ToolBarInfo& have = ToolBars()[i];
        EXPECT_EQ(have.barId, want[i].barId);
        EXPECT_EQ(have.resourceId, want[i].resourceId);
        EXPECT_EQ(have.toggleId, want[i].toggleId);
        EXPECT_EQ(std::vector<int>(have.buttons.begin(), have.buttons.end()), want[i].buttons) << "bar " << have.barId;
        EXPECT_EQ(std::vector<int>(have.dropDowns.begin(), have.dropDowns.end()), want[i].dropDowns)
            << "bar " << have.barId;
    }
}

TEST(CommandTableTest, TipOfTheDayLeadsTheHelpMenu)
{
    const MenuInfo& help = MainMenus().back();
    EXPECT_STREQ(help.title, "&Help");
    ASSERT_FALSE(help.items.empty());
    EXPECT_EQ(help.items.front().id, kCmdTipOfTheDay);
    EXPECT_STREQ(MainMenus().front().title, "&File");
}

} // namespace
} // namespace vex
