#pragma once
// The logical font record of a template, as the Qt font that draws its text.
// Fonts need a running QGuiApplication.

#include <QFont>

#include "editing/TemplateInfo.h"

namespace vex {

// The face used when a record names none, and the size of the default font.
inline constexpr const char* kDefaultGuiFace = "DejaVu Sans";
inline constexpr int kDefaultGuiPixels = 11;
// A height of 0 asks for the font's default size.
inline constexpr int kDefaultFontPixels = 16;
// Larger heights only come from damaged template entries.
inline constexpr int kMaxFontPixels = 2048;

// Negative heights are character heights, positive ones cell heights
// (ascent + descent); both in pixels. Text is drawn without antialiasing so
// every text pixel has exactly the drawing colour.
QFont FontFromRecord(const FontRecord& record);
QFont DefaultGuiFont();

// True when a QGuiApplication runs, without which no font can be used.
bool FontsAvailable();

} // namespace vex
