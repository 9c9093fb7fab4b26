// The program's own pictures, drawn rather than shipped: the six state images
// of the legend, the toolbar glyphs, the report icons and the about banner.
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace dm::ui {

// State image 1 to 6 (16 x 16); 0 is none.
QPixmap stateImage(int index);

enum class Glyph { Start, Abort, Sync, Report, Exit };
QIcon toolbarGlyph(Glyph glyph);

// 32 x 32: the folders are identical, or they are not.
QPixmap reportIcon(bool identical);

QPixmap aboutBanner(int width, int height);

// The forms' typeface: SimSun where it exists, else a CJK font that does.
QFont formFont(int pixelSize, bool bold = false);

}  // namespace dm::ui
