// The dialog font: the template's face mapped to a font that has the CJK glyphs the captions
// need, at the template's point size, and the base units measured from it.
#pragma once

#include <QFont>

#include "framework/DialogUnits.h"
#include "platform/win32.h"

namespace framework {

QFont DialogFont(const char* typeface, WORD pointSize);
// As the original platform measures them: the average width of the 52 Latin letters, rounded,
// and the font's height.
DialogBaseUnits MeasureBaseUnits(const QFont& font);

}  // namespace framework
