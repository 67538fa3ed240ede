#pragma once
// Facts about the running system and the folders the program uses.

#include <QString>
#include <QStringList>

namespace tovane::platform {

struct OsFacts {
    QString name;         // PRETTY_NAME of /etc/os-release, else "Linux"
    QString version;      // kernel release (uname -r)
    QString architecture; // uname -m
};
OsFacts osFacts();

struct MemoryFacts {
    double totalBytes = 0;
    double availableBytes = 0;
};
MemoryFacts memoryFacts(); // sysinfo, /proc/meminfo MemAvailable when present

QString executablePath(); // /proc/self/exe
QString homeFolder();     // $HOME, else the passwd entry

// The settings folder: `overrideDir` (from --config-dir) when not empty, else
// $TOVANE_CONFIG_DIR, else $XDG_CONFIG_HOME/tovane, else ~/.config/tovane.
// Created (with parents, 0700) when missing. Returned without trailing "/".
QString settingsFolder(const QString& overrideDir = QString());

QString desktopFolder();        // XDG_DESKTOP_DIR from user-dirs.dirs, else ~/Desktop
QStringList userFolders();      // the XDG user folders that exist
QString dataHome();             // $XDG_DATA_HOME or ~/.local/share

} // namespace tovane::platform
