#pragma once
// What the list needs of a desktop entry (a .desktop file): its icon.
//
// QtCore only.

#include <QByteArray>
#include <QString>

namespace tovane {

// The Icon value of the [Desktop Entry] group (escapes undone, blanks around
// it dropped), or "" when the text has none. Only the head of a file is
// passed in; a group cut short simply ends there.
QString desktopEntryIcon(const QByteArray& text);

} // namespace tovane
