#include "fs/pathcheck.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "platform/errortext.h"

#include <cerrno>

namespace tovane {

namespace {

const QString CrLf2 = QStringLiteral("\r\n\r\n");
const QString ComputerNodeText = QStringLiteral("ｺﾝﾋﾟｭｰﾀ");
const QString ComputerNodeKey = QStringLiteral("_");

// Errors that concern the whole volume: asking further up the path would
// only wait once more for the same answer.
bool volumeWide(int error)
{
    return error == ETIMEDOUT || error == ENOMEDIUM;
}

bool unreadableError(int error)
{
    return error == EIO || error == EUCLEAN || error == EBADMSG || error == ENOSYS ||
           error == EREMOTEIO;
}

bool isFolderRecord(const ItemRecord& r)
{
    return r.isFolder() || (r.isSymlink && r.linkToFolder);
}

} // namespace

struct PathChecker::Outcome {
    QString root;   // mount point of the path
    QString folder; // the path with trailing "/"
    QString name;
    bool mounted = true;
    platform::VolumeInfo info;
    Kind kind = Kind::None;
    int code = CheckAvailable;
    QString fallback;
};

PathChecker::PathChecker(CheckContext context) : m_context(std::move(context)) {}

QString PathChecker::checkProgressText()
{
    return QStringLiteral("ドライブまたはフォルダの使用可能状態をチェック中");
}

QString PathChecker::notConnectedText(const QString& root)
{
    return QStringLiteral("ドライブ ") + root + QStringLiteral(" は") + CrLf2 +
           QStringLiteral("接続されていません。");
}

QString PathChecker::noMediumText(const QString& root)
{
    return QStringLiteral("ドライブ ") + root + QStringLiteral(" に") + CrLf2 +
           QStringLiteral("メディアが挿入されていません。");
}

QString PathChecker::unreadableText(const QString& root)
{
    return QStringLiteral("ドライブ ") + root + QStringLiteral(" の") + CrLf2 +
           QStringLiteral("メディアはフォーマット異常です。");
}

QString PathChecker::pathMissingText(const QString& folder)
{
    return QStringLiteral("パス ") + folder + QStringLiteral(" は") + CrLf2 +
           QStringLiteral("見つかりません。");
}

QString PathChecker::fileMissingText(const QString& folder, const QString& name)
{
    return QStringLiteral("ファイル ") + folder + name + QStringLiteral(" は") + CrLf2 +
           QStringLiteral("見つかりません。");
}

QString PathChecker::accessDeniedText(const QString& folder)
{
    return QStringLiteral("フォルダ ") + addSeparator(folder) + QStringLiteral(" について") +
           CrLf2 + systemErrorText(EACCES);
}

QString PathChecker::writeProtectedText(const QString& root)
{
    return QStringLiteral("ドライブ ") + root + QStringLiteral(" は") + CrLf2 +
           QStringLiteral("書込み禁止状態です。");
}

QString PathChecker::cannotProcessText(const QString& root)
{
    return QStringLiteral("ドライブ ") + root + QStringLiteral(" は") + CrLf2 +
           QStringLiteral("処理できません。");
}

QString PathChecker::systemErrorText(int errorNumber)
{
    return platform::systemErrorText(errorNumber);
}

QString PathChecker::fallbackPath(WindowIndex window) const
{
    return isWindowIndex(window) ? m_fallback[window] : QString();
}

void PathChecker::setFallback(WindowIndex window, const QString& path)
{
    if (isWindowIndex(window))
        m_fallback[window] = path;
}

int PathChecker::checkPath(WindowIndex window, const QString& path, const QString& name, bool show)
{
    // Cleared first: a fallback left from an earlier path must not pass for this one's.
    setFallback(window, QString());
    if (path.isEmpty() || !path.startsWith(PathSeparator))
        return CheckNotAPath;

    Outcome o;
    const VolumeMatch volume = m_context.volumes.volumeOf(path);
    o.root = volume.mountPoint;
    o.mounted = volume.mounted;
    o.info = volume.info;
    o.folder = addSeparator(path);
    o.name = name;
    run(o, stripSeparator(path), name);
    setFallback(window, o.fallback);
    if (o.code == CheckAvailable)
        return o.code;

    if (m_failedDrives.contains(o.root))
        return o.code;
    m_failedDrives.append(o.root);
    if (!show)
        return o.code;

    QString text;
    switch (o.kind) {
    case Kind::NotConnected:
        text = notConnectedText(o.root);
        break;
    case Kind::NoMedium:
        text = noMediumText(o.root);
        break;
    case Kind::Unreadable:
        text = unreadableText(o.root);
        break;
    case Kind::Path:
        text = pathMissingText(o.folder);
        break;
    case Kind::File:
        text = fileMissingText(o.folder, o.name);
        break;
    case Kind::Access:
        text = accessDeniedText(o.folder);
        break;
    case Kind::None:
        return o.code;
    }
    m_context.messages.showMessage(text, ButtonsOk, m_context.caption);
    return o.code;
}

void PathChecker::failDrive(Outcome& o, int error)
{
    if (error == ENOMEDIUM || error == ETIMEDOUT) {
        o.kind = Kind::NoMedium;
        o.code = CheckNotReady;
    } else if (unreadableError(error)) {
        o.kind = Kind::Unreadable;
        o.code = CheckUnreadable;
    } else if (error == EACCES) {
        o.kind = Kind::Access;
        o.code = CheckAccessDenied;
    } else {
        o.kind = Kind::NotConnected;
        o.code = CheckNotConnected;
    }
    o.fallback.clear();
}

bool PathChecker::findFallback(Outcome& o, const QString& folderPath)
{
    VolumeSource& source = m_context.volumes;
    QString up = stripSeparator(parentOf(folderPath));
    while (up != o.root && pathLiesWithin(up, o.root)) {
        ItemRecord record;
        int e = source.statPath(up, record);
        if (e == 0 && isFolderRecord(record)) {
            e = source.access(up, AccessRead | AccessSearch);
            if (e == 0) {
                o.fallback = up;
                return true;
            }
        }
        if (volumeWide(e)) {
            failDrive(o, e);
            return true;
        }
        up = stripSeparator(parentOf(up));
    }
    return false;
}

void PathChecker::run(Outcome& o, const QString& folderPath, const QString& name)
{
    // A volume that went away is a missing drive, whatever the folder left
    // behind on the parent file system still holds.
    if (!o.mounted) {
        failDrive(o, ENOENT);
        return;
    }
    VolumeSource& source = m_context.volumes;

    if (!name.isEmpty()) {
        ItemRecord entry;
        const int e = source.lookupEntry(folderPath, name, entry);
        if (e == 0)
            return;
        if (volumeWide(e)) {
            failDrive(o, e);
            return;
        }
        o.kind = e == EACCES ? Kind::Access : Kind::File;
    }

    const bool rootAlone = folderPath == o.root;
    if (!rootAlone) {
        ItemRecord entry;
        int e = source.statPath(folderPath, entry);
        if (e == 0 && o.kind == Kind::File) {
            o.code = CheckFileMissing;
            o.fallback = folderPath;
            return;
        }
        if (e == 0 && o.kind == Kind::None) {
            if (!isFolderRecord(entry))
                return;
            // A folder the user may not list is as unusable as a missing one.
            e = source.access(folderPath, AccessRead | AccessSearch);
            if (e != EACCES && !volumeWide(e))
                return;
        }
        if (volumeWide(e)) {
            failDrive(o, e);
            return;
        }
        if (e == EACCES)
            o.kind = Kind::Access;
        else if (e != 0)
            o.kind = Kind::Path;
        o.code = o.kind == Kind::Access ? CheckAccessDenied : CheckPathMissing;
        if (findFallback(o, folderPath))
            return;
    }

    // The volume itself.
    ItemRecord rootRecord;
    if (const int e = source.statPath(o.root, rootRecord)) {
        failDrive(o, e);
        return;
    }
    o.fallback = o.root;
    switch (o.kind) {
    case Kind::File:
        o.code = CheckFileMissing;
        return;
    case Kind::Path:
        o.code = CheckPathMissing;
        return;
    case Kind::Access:
        o.code = CheckAccessDenied;
        return;
    default:
        break;
    }
    // Only a check of the root alone gets here without a failure.
    readFacts(o);
}

void PathChecker::readFacts(Outcome& o)
{
    m_facts = DriveFacts();
    m_facts.root = o.root;
    m_facts.driveType = o.info.driveType;
    m_facts.fileSystem = o.info.fileSystem;
    m_facts.label = o.info.label;
    platform::VolumeSpace space;
    const int e = m_context.volumes.volumeSpace(o.root, space);
    if (e == 0) {
        m_facts.totalBytes = space.totalBytes;
        m_facts.availableBytes = space.availableBytes;
        m_facts.clusterSize = space.blockSize;
    } else if (volumeWide(e)) {
        // Answers for the root itself may come from a cache while the
        // volume hangs; listing it next would freeze the window.
        failDrive(o, e);
    }
}

bool PathChecker::checkWritable(const QString& path, bool show, const QString& title)
{
    if (path == ComputerNodeText || path == ComputerNodeKey)
        return false;

    int code = CheckAvailable;
    QString drive = path;
    if (!path.startsWith(PathSeparator)) {
        code = CheckInvalidDrive;
    } else {
        const VolumeMatch volume = m_context.volumes.volumeOf(path);
        drive = volume.mountPoint;
        if (!volume.mounted) {
            code = CheckNotConnected;
        } else if (volume.info.readOnly) {
            // Mounted read-only: nothing on it can be written, whatever it is.
            code = CheckWriteProtected;
        } else if (volume.info.driveType == platform::DriveRemovable ||
                   volume.info.driveType == platform::DriveCdRom) {
            platform::VolumeSpace space;
            const int e = m_context.volumes.volumeSpace(drive, space);
            if (e == 0)
                code =
                    volume.info.readOnly || space.readOnly ? CheckWriteProtected : CheckAvailable;
            else if (e == EROFS)
                code = CheckWriteProtected;
            else if (e == ENOMEDIUM || e == ETIMEDOUT)
                code = CheckNotReady;
            else if (unreadableError(e))
                code = CheckUnreadable;
            else
                code = CheckNotConnected;
            if (code == CheckNotReady) {
                const WindowIndex selected =
                    m_context.selectedWindow ? m_context.selectedWindow() : LeftWindow;
                code = checkPath(selected, drive, QString(), false);
            }
        }
    }

    if (show && code != CheckAvailable) {
        QString text;
        switch (code) {
        case CheckWriteProtected:
            text = writeProtectedText(drive);
            break;
        case CheckNotReady:
        case CheckNotConnected:
            text = noMediumText(drive);
            break;
        case CheckUnreadable:
            text = unreadableText(drive);
            break;
        default:
            text = cannotProcessText(drive);
            break;
        }
        m_context.messages.showMessage(text, ButtonsOk, title);
        // An unreadable medium may still be formatted, which writes it.
        if (code == CheckUnreadable)
            code = CheckAvailable;
    }
    m_lastCheckCode = code;
    return code == CheckAvailable;
}

void PathChecker::showCheckProgress(bool on)
{
    ProgressService& progress = m_context.progress;
    const int flags = ProgressService::SetPointer | ProgressService::SetText;
    if (on) {
        progress.showProgress(ProgressService::PointerBusy, checkProgressText(), flags);
        return;
    }
    if (progress.progress() == checkProgressText() && !progress.busy())
        progress.showProgress(ProgressService::PointerDefault, QString(), flags);
}

void PathChecker::showSystemError(const QString& path, const QString& title, bool isFolder,
                                  int errorNumber)
{
    const QString text = (isFolder ? QStringLiteral("フォルダ") : QStringLiteral("ファイル")) +
                         QLatin1Char(' ') + (isFolder ? addSeparator(path) : path) +
                         QStringLiteral(" について") + CrLf2 + systemErrorText(errorNumber);
    m_context.messages.showMessage(text, ButtonsOk, title);
}

} // namespace tovane
