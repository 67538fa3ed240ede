#pragma once
// Facts about the running system and the folders the program uses.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tovane::platform {

struct OsFacts {
    QString name;         // PRETTY_NAME of /etc/os-release, else "Linux"
    QString version;      // kernel release (uname -r)
    QString architecture; // uname -m
};
OsFacts osFacts();

// PRETTY_NAME (else NAME) of an os-release file's content; empty when absent.
QString prettyNameFromOsRelease(QByteArrayView content);

// The version dialog's text: " OS：" name CR LF "      Ver. " version, then
// "（" architecture "）" when the architecture is known.
QString osText(const OsFacts& facts);
QString osText();
int osClass(); // Linux counts as the newest class, 10

// Without TZ the C library looks at /etc/localtime again on every local-time
// conversion (once per archive entry); naming it once keeps the same zone.
void pinLocalTimeZone();

struct MemoryFacts {
    double totalBytes = 0;
    double availableBytes = 0;
};
MemoryFacts memoryFacts(); // sysinfo, /proc/meminfo MemAvailable when present

QString executablePath(); // /proc/self/exe
QString homeFolder();     // $HOME, else the passwd entry

// The working folder, byte-exact (getcwd): names that are not UTF-8 survive.
// Empty when it cannot be named; `error` then holds the errno (ENOENT when
// it was removed, EACCES when a folder above it cannot be read).
QString currentFolder(int& error);

// The settings folder: `overrideDir` (from --config-dir) when not empty, else
// $TOVANE_CONFIG_DIR, else $XDG_CONFIG_HOME/tovane, else ~/.config/tovane.
// Created (with parents, 0700) when missing. Returned absolute, without
// trailing "/"; empty when it cannot be created (`error` then holds the errno).
QString settingsFolder(const QString& overrideDir = QString());
QString settingsFolder(const QString& overrideDir, int& error);

QString desktopFolder();   // XDG_DESKTOP_DIR from user-dirs.dirs, else ~/Desktop
QStringList userFolders(); // the XDG user folders that exist
QString dataHome();        // $XDG_DATA_HOME or ~/.local/share
// The folder user-dirs.dirs names for XDG_<key>_DIR, else empty.
QString userDirectory(const char* key);
// $<variable> when it holds an absolute path, else ~/<belowHome>.
QString xdgHomeFolder(const char* variable, const char* belowHome);

// Asks for huge pages under a large buffer that is about to be filled: a
// text of tens of megabytes then costs a few dozen page faults instead of
// thousands. Small buffers and refusals are left as they are.
void adviseLargeBuffer(void* data, size_t size);

// Standard input and standard error are both a terminal, so a question can be
// asked and answered.
bool questionsCanBeAsked();

} // namespace tovane::platform
