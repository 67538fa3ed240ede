#pragma once
// Desktop entries (.desktop files): the keys of their [Desktop Entry] group
// and the command line their Exec key stands for, split into arguments the
// way the freedesktop Desktop Entry rules say, so that no shell ever reads
// it.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tovane {

struct DesktopEntry {
    QString type;
    QString name; // localized for the running locale where the file has it
    QString icon;
    QString exec;
    QString tryExec;
    QString path;
    QString url; // Type=Link
    bool terminal = false;
    bool hidden = false;
    bool valid = false; // the file has a [Desktop Entry] group
};

// `localeNames`: the locale's names from most to least specific
// ("ja_JP", "ja"); the first Name[...] found among them wins.
DesktopEntry parseDesktopEntry(const QByteArray& content, const QStringList& localeNames = {});

// Why an Exec value cannot be run.
enum class ExecError { None, Empty, BadQuoting, UnknownFieldCode };

// The argument vector of an Exec value (string escapes already resolved).
// `files` stand for %f/%u (the first one) and %F/%U (all); `entryFile` is
// the %k location; %i gives "--icon" and the icon when there is one, %c the
// name; the deprecated codes vanish and %% is "%".
QStringList expandExec(const QString& exec, const DesktopEntry& entry, const QString& entryFile,
                       const QStringList& files, ExecError& error);

} // namespace tovane
