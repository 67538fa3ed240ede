#pragma once
// Whether a marked item can be a copy or move target of the opposite
// window's folder, and the explanation shown when it cannot. The compare and
// designated selections count copy targets with these rules; copy and move
// skip the same items with the same texts.

#include <QString>

namespace tovane {

struct ItemRecord;

enum ConflictKind : int {
    ConflictNone = -1,
    ConflictDifferentKind = 0,     // a same-named item of the other kind
    ConflictSameOrLowerFolder = 1, // the destination is the item or lies below it
    ConflictProgramItself = 2,     // the same-named file is this program's executable
};

// path + " は" ... "コピー／移動対象にはなりません。" for kinds 0-2.
QString conflictMessage(const QString& path, int kind);

// True when `destinationFolder` is `sourcePath` or lies below it: compared
// as texts, and again by identity, so that a link, a bind mount or another
// spelling of the same folder is caught too.
bool destinationInsideSource(const QString& sourcePath, const QString& destinationFolder);

// True when `path` names the running executable (also through links).
bool isOwnExecutable(const QString& path);

// Why the item at `sourcePath` cannot be a copy target of the folder
// `destinationFolder`, or ConflictNone. `counterpart` is the same-named entry
// found there (null when there is none). A folder whose path holds the
// destination gives kind 1, a clash of folder and file kind 0, and with
// `checkProgramItself` a counterpart that is this program kind 2.
int copyTargetConflict(const QString& sourcePath, bool sourceIsFolder,
                       const QString& destinationFolder, const ItemRecord* counterpart,
                       bool checkProgramItself);

} // namespace tovane
