#include "ops/copytarget.h"

#include "fs/pathrules.h"
#include "platform/filesystem.h"
#include "platform/itemrecord.h"
#include "platform/realpath.h"
#include "platform/system.h"

namespace tovane {

namespace {

// "/a/b" lies in "/a/b/" and "/a/b/c/", not in "/a/bc/" nor "/x/a/b/": the
// source must be a leading part of the destination, whole components only.
bool startsWithFolder(const QString& destination, const QString& source, Qt::CaseSensitivity cs)
{
    return addSeparator(destination).startsWith(addSeparator(source), cs);
}

} // namespace

QString conflictMessage(const QString& path, int kind)
{
    QString reason;
    switch (kind) {
    case ConflictDifferentKind:
        reason = QStringLiteral("に\r\n\r\n種類の異なる同名項目があるので");
        break;
    case ConflictSameOrLowerFolder:
        reason = QStringLiteral("が\r\n\r\n同じかまたは下位のフォルダなので");
        break;
    case ConflictProgramItself:
        reason = QStringLiteral("にある\r\n\r\n同名ファイルがこのファイラ自身なので");
        break;
    default:
        return QString();
    }
    return path + QStringLiteral(" は\r\n\r\n（コピー／移動先となり得る）対象パス") + reason +
           QStringLiteral("\r\n\r\nコピー／移動対象にはなりません。");
}

bool destinationInsideSource(const QString& sourcePath, const QString& destinationFolder)
{
    if (sourcePath.isEmpty() || destinationFolder.isEmpty())
        return false;
    // Names that differ in letter case are other folders here; links and
    // mounts that lead into the source are found by identity.
    if (startsWithFolder(destinationFolder, sourcePath, Qt::CaseSensitive))
        return true;
    bool within = false;
    return platform::folderWithin(destinationFolder, sourcePath, within) == 0 && within;
}

namespace {

const QString& ownExecutable()
{
    static const QString own = platform::executablePath();
    return own;
}

quint64 ownExecutableSize()
{
    static const quint64 size = [] {
        ItemRecord record;
        return platform::statPath(ownExecutable(), record) == 0 ? record.size : ~quint64(0);
    }();
    return size;
}

} // namespace

bool isOwnExecutable(const QString& path)
{
    const QString& own = ownExecutable();
    if (own.isEmpty() || path.isEmpty())
        return false;
    return path == own || platform::sameFile(path, own);
}

int copyTargetConflict(const QString& sourcePath, bool sourceIsFolder,
                       const QString& destinationFolder, const ItemRecord* counterpart,
                       bool checkProgramItself)
{
    // Only a folder can hold the destination; files skip the real-path work.
    if (sourceIsFolder && destinationInsideSource(sourcePath, destinationFolder))
        return ConflictSameOrLowerFolder;
    if (!counterpart)
        return ConflictNone;
    if (counterpart->isFolder() != sourceIsFolder)
        return ConflictDifferentKind;
    // Comparisons meet this check once per file: only a link or a file of
    // the executable's size can be it, so most files cost no system call.
    if (checkProgramItself && !sourceIsFolder &&
        (counterpart->isSymlink || counterpart->size == ownExecutableSize()) &&
        isOwnExecutable(addSeparator(destinationFolder) + counterpart->name))
        return ConflictProgramItself;
    return ConflictNone;
}

} // namespace tovane
