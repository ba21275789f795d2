#pragma once
// Pictures of the toolbar buttons and the program icon, drawn at run time.

#include <QIcon>

namespace vex {

// The button picture of command `id` (16 x 15 pixels, as the toolbars use).
QIcon CommandIcon(int id);
// The program icon: the installed one, else an arrow cursor drawn on a tile.
QIcon ProgramIcon();
// The bullet drawn before hyperlink labels (16 x 15 pixels).
QPixmap BulletPicture();

} // namespace vex
