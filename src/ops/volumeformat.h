#pragma once
// Formatting a volume. Tovane never writes a file system itself: the
// volume's block device goes to the desktop's disk utility, which asks
// everything a format needs and refuses what is in use.

#include "platform/volumes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <sys/types.h>

namespace tovane {

class MessageService;

QString formatTitle();       // フォーマット
QString formatProgramName(); // gnome-disks
QString formatToolMissingText();
QString formatNoDeviceText(const QString& mountPoint);
QString formatStartFailedText(int error);

// How the disk utility is found and started (tests put in their own).
struct FormatTool {
    std::function<QString(const QString& name)> findProgram;
    std::function<int(const QString& program, const QStringList& arguments, pid_t& pid)> start;
    static FormatTool platformTool();
};

// The arguments that open the utility's format dialog for `device`.
QStringList formatArguments(const QString& device);

enum FormatResult : int {
    FormatStarted = 0,
    FormatNoTool = 1,
    FormatNoDevice = 2,
    FormatStartFailed = 3,
};

// Hands `volume` to the utility; every outcome but FormatStarted has been
// told through `messages`. `pid` is the utility's process when started.
int startFormat(MessageService& messages, const platform::VolumeInfo& volume,
                const FormatTool& tool, pid_t& pid);

} // namespace tovane
