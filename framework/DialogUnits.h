// Dialog units to pixels, as the original platform converts them: a horizontal unit is a quarter
// of the dialog font's average character width, a vertical unit an eighth of its height.
#pragma once

struct DialogBaseUnits {
    int cxChar;  // average character width in pixels
    int cyChar;  // character height in pixels
};

struct PixelRect {
    int x, y, width, height;
    bool operator==(const PixelRect&) const = default;
};

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

PixelRect MapDialogRect(int x, int y, int cx, int cy, const DialogBaseUnits& units);
