// A dialog template as the application stores it: the dialog's caption, styles, size and font,
// its controls in tab order with their ids, captions (UTF-8), styles and dialog-unit positions,
// and the initial-list entries the dialog applies while it initialises.
#pragma once

#include <span>

#include "framework/WinUser.h"

enum class ControlClass { Button, ComboBox, Static };

// The id of statics and group boxes, which nobody addresses.
constexpr int IDC_STATIC = 65535;

struct DialogItem {
    ControlClass kind;
    int id;
    const char* caption;  // UTF-8; null for none
    DWORD style;
    short x, y, cx, cy;  // dialog units; a combo box's cy includes its dropped-down list
};

// One entry of the initial lists: a message with a string for the control with the given id
// (CB_ADDSTRING appends the string to a combo box's list).
struct DialogInitEntry {
    int id;
    UINT message;
    const char* text;  // UTF-8
};

struct DialogTemplate {
    const char* caption;  // UTF-8
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;  // dialog units
    WORD pointSize;
    const char* typeface;
    std::span<const DialogItem> items;
    std::span<const DialogInitEntry> initEntries;
};
