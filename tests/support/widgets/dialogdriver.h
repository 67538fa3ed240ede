#pragma once
// Driving the program's modal forms in tests as a user would.

#include "app/dialog.h"

class QDialog;
class QWidget;

namespace tovane::test {

// A 1024 x 768 screen, in twips.
ScreenMetrics screen1024();

// What a main window lends its dialogs, on that screen.
DialogEnvironment dialogEnvironment(DialogPositions* positions = nullptr);

// Keys go where a user's keys go: to the widget that has the focus.
QWidget* keyTarget(QWidget& dialog);

// Opens the form and waits until it is the active window.
bool showAndActivate(QDialog& dialog);

// A form a failed test left open must not block the next one.
void rejectOpenDialogs();

} // namespace tovane::test
