// Real input for tests that run in an X session (run-in-x-session.sh): the pointer moves and
// clicks through the X server, so window modality, stacking and focus apply as for a person.
#pragma once

#include <functional>
#include <string>

class QPoint;
class QWidget;

namespace testsupport {

// Raises the widget's window and clicks the middle of what the widget draws; false when xdotool
// failed.
bool ClickWithPointer(const QWidget& widget);
// The same at a point of the widget (a tab of a tab bar).
bool ClickAt(const QWidget& widget, const QPoint& point);

// Raises the widget's window and types keys (xdotool names: "space", "ctrl+s") into whatever
// has the focus there; false when xdotool failed.
bool PressKeys(const QWidget& widget, const std::string& keys);

// Runs the event loop until the condition holds or the time is up; returns its last value.
bool WaitWhileProcessing(const std::function<bool()>& condition, int timeoutMs = 5000);

}  // namespace testsupport
