#pragma once
// Pieces every command that runs the list engines without a window shares.

#include "core/appsettings.h"
#include "core/messageservice.h"
#include "list/listhost.h"
#include "selection/compareconditions.h"

#include <QStringList>

#include <cstdio>

namespace tovane {
class PathChecker;
class VolumeSource;
} // namespace tovane

namespace tovane::cli {

// Keeps what the engines would show, so it can go to stderr as it stands.
class CapturingMessages : public MessageService {
public:
    QStringList texts;

protected:
    qint16 present(DialogRequest& request) override
    {
        texts.append(request.text);
        return AnswerYes;
    }
};

// Nothing to open or select without a window.
class NoWindowHost : public ListHost {
public:
    void openFolder(WindowIndex, const QString&) override {}
    void openFile(WindowIndex, const QString&) override {}
    void driveChosen(WindowIndex, const QString&) override {}
};

// Settings of a list without a window: the attributes in `hide` are not
// listed, no size totals, folder sizes only when asked.
AppSettings listSettings(quint32 hide, bool folderSizes = false);

// Bytes as they are; names were turned back into the bytes they were read as.
void writeBytes(std::FILE* stream, const QByteArray& bytes);
// A message on stderr in the console's form, one line.
void writeErrorLine(const QString& text);

// A path made absolute against the working folder (read byte-exact) and
// cleaned on its text: no ".", ".." or empty parts, no trailing "/" but on
// the root. Empty for an empty path, or when a relative one meets a working
// folder that cannot be named (`error` then holds the errno).
QString absolutePath(const QString& path, int& error);

// A folder argument as the commands use it: absolute, with trailing "/".
// Empty when it cannot be made absolute; the reason went to `messages`.
QString folderArgument(const QString& arg, MessageService& messages);

// The folder check of a command's folder (from folderArgument): the
// availability check, then that it is a folder or a link to one, which the
// check alone does not ask. False after the message went to `messages`.
bool folderUsable(PathChecker& checker, VolumeSource& volumes, MessageService& messages,
                  WindowIndex window, const QString& folder);

// "txt,.log" into the " txt, log," run the category lists use.
QString extensionRun(QStringView commaList);

// "R,H,S,C" letters into attribute bits; false for any other letter.
bool parseHideLetters(QStringView value, quint32& mask);

// What the lists leave out: the main window's default until --hide= says
// otherwise. The first --hide= replaces the default (no letters: nothing is
// left out), later ones add their letters.
struct HideOption {
    quint32 letters = 0;
    bool given = false;
    quint32 mask() const;
    // The value of one --hide=; false for a bad letter.
    bool take(QStringView value);
};

// The compare conditions of the command line, shared by compare, copy and move.
struct CompareOptionSet {
    CompareConditions conditions;
    bool anyCondition = false;
    bool both = false;
    HideOption hide;
    // Without a condition: 存在 and 日付 新しい, as the settings start.
    void applyDefaults();
};
// --exist, --date=, --size=, --attr, --case, --both, --hide=: 0 when taken,
// 1 when `arg` is none of them, -1 for a bad value (`error` says which).
int parseCompareOption(const QString& arg, CompareOptionSet& o, QString& error);

} // namespace tovane::cli
