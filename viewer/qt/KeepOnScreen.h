// Where a window goes is decided before the window manager has framed it, with a guess at its
// decorations, and a window manager may still place a window that was just mapped by its own
// rules. These act again once the window is framed, then leave the window to the operator.
#pragma once

#include <functional>

class QWidget;

// Runs action once the window has a frame of its own on screen (at once when it has); never
// after the window is gone.
void WhenFramed(QWidget* window, std::function<void()> action);

// Once framed, moves the window (and shrinks it, when it can) so its whole frame, title bar
// first, is on the screen's available area.
void KeepFrameOnScreen(QWidget* window);
