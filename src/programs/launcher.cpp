#include "programs/launcher.h"

#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"
#include "platform/itemrecord.h"
#include "platform/launch.h"
#include "platform/names.h"
#include "platform/textfile.h"
#include "programs/associations.h"

#include <QLocale>

#include <cstdlib>

namespace tovane {

namespace {

const QString CrLf = QStringLiteral("\r\n");
// Desktop entries are small; a bigger file is no entry.
constexpr qint64 DesktopEntryLimit = 1 << 20;

QString fileUrl(const QString& path)
{
    return QString::fromLatin1(QByteArrayLiteral("file://") +
                               platform::nameToBytes(path).toPercentEncoding("/"));
}

} // namespace

DesktopOpener DesktopOpener::find()
{
    DesktopOpener o;
    QString program = platform::findProgram(QStringLiteral("gio"));
    if (!program.isEmpty()) {
        o.kind = Gio;
        o.program = program;
        o.leadingArguments = {QStringLiteral("open")};
        return o;
    }
    program = platform::findProgram(QStringLiteral("xdg-open"));
    if (!program.isEmpty()) {
        o.kind = XdgOpen;
        o.program = program;
    }
    return o;
}

OpenFailure openFailureFor(DesktopOpener::Kind kind, int exitCode)
{
    if (exitCode == 0)
        return OpenFailure::None;
    if (kind == DesktopOpener::XdgOpen) {
        // xdg-open: 2 a file does not exist, 3 no tool or application.
        if (exitCode == 2)
            return OpenFailure::NotFound;
        if (exitCode == 3)
            return OpenFailure::NoApplication;
        return OpenFailure::Other;
    }
    // gio open reports every failure as 2; a missing file is caught before.
    return OpenFailure::NoApplication;
}

QString launchTitle()
{
    return QStringLiteral("プログラム起動");
}

QString programFailedText(const QString& extension, const QString& program)
{
    return QStringLiteral("拡張子 ") + extension + QStringLiteral(" に関連づけられた実行ファイル") +
           CrLf + program + QStringLiteral(" が") + CrLf + CrLf +
           QStringLiteral("見つからないか、実行できません。");
}

QString openFailedText(const QString& name, OpenFailure failure)
{
    QString text = QStringLiteral("対象ファイル") + CrLf + name + CrLf +
                   QStringLiteral("を起動できませんでした。");
    QString detail;
    switch (failure) {
    case OpenFailure::NotFound:
        detail = QStringLiteral("対象ファイルが見つからないか、") + CrLf +
                 QStringLiteral("対象ファイル名に異常文字があります。");
        break;
    case OpenFailure::NoApplication:
        detail = QStringLiteral("実行ファイルが関連づけられていません。");
        break;
    case OpenFailure::LinkBroken:
        detail = QStringLiteral("ショートカットのリンク先ファイルが見つからないか、") + CrLf +
                 QStringLiteral("実行がキャンセルされました。");
        break;
    default:
        break;
    }
    if (!detail.isEmpty())
        text += CrLf + CrLf + detail;
    return text;
}

QString beingEditedText(const QString& name)
{
    return name + QStringLiteral(" ファイルは編集中です。");
}

Launcher::Launcher(LaunchContext context) : m_context(std::move(context)) {}

QStringList Launcher::standardApplicationFolders()
{
    QStringList folders;
    const QByteArray home = qgetenv("HOME");
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.isEmpty() && !home.isEmpty())
        dataHome = home + "/.local/share";
    QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = "/usr/local/share:/usr/share";
    for (const QByteArray& dir : (dataHome + ':' + dataDirs).split(':')) {
        if (dir.startsWith('/'))
            folders.append(addSeparator(platform::pathFromBytes(dir)) +
                           QStringLiteral("applications/"));
    }
    return folders;
}

QStringList Launcher::systemLocaleNames()
{
    const QString name = QLocale::system().name(); // "ja_JP"
    QStringList names{name};
    if (name.contains(u'_'))
        names.append(name.section(u'_', 0, 0));
    return names;
}

LaunchResult Launcher::fail(const QString& text)
{
    m_context.messages.showMessage(text, ButtonsOk, launchTitle());
    return LaunchResult::MessageShown;
}

int Launcher::launch(const QString& path)
{
    return open(path, false) == LaunchResult::MessageShown ? 1 : 0;
}

LaunchResult Launcher::open(const QString& path, bool quietNoApplication)
{
    const QString name = path.size() > 1 ? fileNameOf(stripSeparator(path)) : QString();
    m_context.progress.setStatusText(name + QStringLiteral(" 関連プログラムを起動中"));
    const QString extension = extensionOf(name).toLower();
    // Desktop entries often start with "#!/usr/bin/env xdg-open": they are
    // entries all the same, never run as scripts.
    const bool desktopEntry = extension == QStringLiteral("desktop");
    const bool executable = !desktopEntry && platform::isExecutableFile(path);

    if (!executable && !desktopEntry) {
        if (m_context.editedUnsaved && m_context.editedUnsaved(path))
            return fail(beingEditedText(name));
        const QString program = programForExtension(m_context.table, extension);
        if (!program.isEmpty()) {
            if (platform::spawnDetached(program, {program, path}, parentOf(path)) != 0)
                return fail(programFailedText(extension, program));
            return LaunchResult::Started;
        }
    }

    if (executable) {
        // A program that does not start says nothing, as it always did.
        return platform::spawnDetached(path, {path}, parentOf(path)) == 0
                   ? LaunchResult::Started
                   : LaunchResult::SilentFailure;
    }

    OpenFailure failure = OpenFailure::None;
    ItemRecord record;
    if (platform::statPath(path, record) != 0)
        failure = OpenFailure::NotFound;
    else if (desktopEntry)
        failure = startDesktopEntry(path);
    else
        failure = runOpener(fileUrl(path), parentOf(path));
    if (failure == OpenFailure::None)
        return LaunchResult::Started;
    if (failure == OpenFailure::NoApplication && quietNoApplication)
        return LaunchResult::NoApplication;
    return fail(openFailedText(name, failure));
}

OpenFailure Launcher::runOpener(const QString& target, const QString& folder)
{
    const DesktopOpener& o = m_context.opener;
    if (o.kind == DesktopOpener::None || o.program.isEmpty())
        return OpenFailure::NoApplication;
    QStringList args{o.program};
    args += o.leadingArguments;
    args += target;
    bool exited = false;
    int code = 0;
    if (platform::spawnAndWait(o.program, args, folder, o.waitMs, exited, code) != 0)
        return OpenFailure::NoApplication;
    return exited ? openFailureFor(o.kind, code) : OpenFailure::None;
}

OpenFailure Launcher::startDesktopEntry(const QString& path)
{
    // Entries from elsewhere (a download, a mail) run only when marked
    // executable, as the desktops themselves require.
    bool trusted = false;
    const QString folder = addSeparator(parentOf(path));
    for (const QString& f : std::as_const(m_context.applicationFolders))
        trusted = trusted || folder == f;
    if (!trusted && !platform::hasExecuteBit(path))
        return OpenFailure::LinkBroken;

    QByteArray content;
    if (platform::readWholeFile(path, content, DesktopEntryLimit) != 0)
        return OpenFailure::LinkBroken;
    const DesktopEntry entry = parseDesktopEntry(content, m_context.localeNames);
    if (!entry.valid || entry.hidden)
        return OpenFailure::LinkBroken;
    if (entry.type == QStringLiteral("Link")) {
        if (entry.url.isEmpty())
            return OpenFailure::LinkBroken;
        const OpenFailure f = runOpener(entry.url, parentOf(path));
        return f == OpenFailure::NotFound ? OpenFailure::LinkBroken : f;
    }
    if (entry.type != QStringLiteral("Application"))
        return OpenFailure::LinkBroken;
    if (!entry.tryExec.isEmpty() && platform::findProgram(entry.tryExec).isEmpty())
        return OpenFailure::LinkBroken;
    ExecError error = ExecError::None;
    QStringList args = expandExec(entry.exec, entry, path, {}, error);
    if (error != ExecError::None)
        return OpenFailure::LinkBroken;
    if (entry.terminal) {
        const QString terminal = platform::findProgram(m_context.terminal);
        if (terminal.isEmpty())
            return OpenFailure::LinkBroken;
        args = QStringList{terminal, QStringLiteral("-e")} + args;
    }
    const QString program = args.first();
    if (platform::spawnDetached(program, args, entry.path) != 0)
        return OpenFailure::LinkBroken;
    return OpenFailure::None;
}

} // namespace tovane
