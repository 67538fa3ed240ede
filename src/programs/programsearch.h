#pragma once
// The association editor's path search: depth first from a folder, each
// matching file offered to the user before the subfolders are entered.
// Hidden entries are passed over, links to folders are never followed, and
// another file system is entered only when it is a listed volume (never
// /proc and its kin).
//
// GUI thread only.

#include <QString>

namespace tovane {

class ProgramSearchHost {
public:
    virtual ~ProgramSearchHost();
    virtual void showFolder(const QString& folder) = 0;
    // A matching file: MsgYes takes it, MsgNo goes on, MsgCancel ends.
    virtual int offer(const QString& folder, const QString& name) = 0;
    // Serves pending events; true once the search is to stop.
    virtual bool stopRequested() = 0;
};

enum class ProgramSearchResult { Accepted, Cancelled, NotFound };

// `pattern` may hold * and ?; letter case is ignored. On Accepted,
// `foundFolder` (with "/" at the end) and `foundName` hold the file.
ProgramSearchResult searchProgram(const QString& folder, const QString& pattern,
                                  ProgramSearchHost& host, QString& foundFolder,
                                  QString& foundName);

} // namespace tovane
