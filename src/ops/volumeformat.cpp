#include "ops/volumeformat.h"

#include "core/messageservice.h"
#include "fs/pathcheck.h"
#include "platform/toolstart.h"

#include <cerrno>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");

} // namespace

QString formatTitle()
{
    return QStringLiteral("フォーマット");
}

QString formatProgramName()
{
    return QStringLiteral("gnome-disks");
}

QString formatToolMissingText()
{
    return QStringLiteral("フォーマット用のプログラム（") + formatProgramName() +
           QStringLiteral("）が") + crlf + QStringLiteral("インストールされていないので、") + crlf +
           crlf + QStringLiteral("フォーマットできません。");
}

QString formatNoDeviceText(const QString& mountPoint)
{
    return QStringLiteral("ドライブ ") + mountPoint + QStringLiteral(" は") + crlf + crlf +
           QStringLiteral("フォーマットできるデバイスではありません。");
}

QString formatStartFailedText(int error)
{
    return QStringLiteral("フォーマット用のプログラム（") + formatProgramName() +
           QStringLiteral("）を") + crlf + QStringLiteral("起動できませんでした。") + crlf + crlf +
           PathChecker::systemErrorText(error);
}

FormatTool FormatTool::platformTool()
{
    return FormatTool{platform::findProgram, platform::startProgram};
}

QStringList formatArguments(const QString& device)
{
    return {QStringLiteral("--block-device"), device, QStringLiteral("--format-device")};
}

int startFormat(MessageService& messages, const platform::VolumeInfo& volume,
                const FormatTool& tool, pid_t& pid)
{
    pid = 0;
    // Only a block device can take a new file system; network shares,
    // memory file systems and FUSE sources name none.
    if (!volume.device.startsWith(QLatin1String("/dev/"))) {
        messages.showMessage(formatNoDeviceText(volume.mountPoint), ButtonsOk, formatTitle());
        return FormatNoDevice;
    }
    const QString program = tool.findProgram ? tool.findProgram(formatProgramName()) : QString();
    if (program.isEmpty()) {
        messages.showMessage(formatToolMissingText(), ButtonsOk, formatTitle());
        return FormatNoTool;
    }
    const int error =
        tool.start ? tool.start(program, formatArguments(volume.device), pid) : ENOSYS;
    if (error) {
        messages.showMessage(formatStartFailedText(error), ButtonsOk, formatTitle());
        return FormatStartFailed;
    }
    return FormatStarted;
}

} // namespace tovane
