#pragma once
// Shortcuts of the marked items of the selected window (or of the volume
// chosen in its drive list) in a chosen folder. In ordinary folders a
// shortcut is a symbolic link to the item's absolute path; in the menu and
// autostart folders it is a desktop entry that starts a program or opens a
// file with its application. Desktop entries are the shortcut files of this
// platform: marked ones never take part. No existing name is ever replaced.
//
// UI thread only; questions and messages go through the message service.

#include "core/windows.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace tovane {

struct OperationContext;

// mnuFileShCt item indexes; ShortcutToNode is a tree node of the destination list.
enum ShortcutDestination : int {
    ShortcutSelectedPath = 0,
    ShortcutOppositePath = 1,
    ShortcutDesktop = 2,
    ShortcutQuickLaunch = 3, // nothing stands for it here: never offered
    ShortcutStartMenu = 4,
    ShortcutStartup = 5,
    ShortcutToNode = 6,
};

QString shortcutTitle();  // ショートカット作成
QString shortcutSuffix(); // へのショートカット
bool isShortcutFile(const QString& name);
bool shortcutDestinationOffered(int destination);
bool writesDesktopEntry(int destination);

// "デスクトップ に", "スタートメニュー に", "スタートアップ に"; else "".
QString shortcutPlaceName(int destination);

// The question before the run. `singleName` names the one item (a volume's
// mount point when `driveList`); `destinationName` ends in " に".
QString shortcutQuestion(int items, const QString& singleName, bool driveList,
                         const QString& destinationName, bool confirmationMessages,
                         bool shortcutFilesMarked);

// A volume's shortcut is named after its row in the drive list, with "/"
// (which no name may hold) written as "／".
QString volumeShortcutName(const QString& rowText);

// The message of an item whose shortcut could not be made; `runEnds` adds
// the line that says the run stops there.
QString shortcutFailureText(const QString& target, const QString& shortcutPath, int error,
                            bool runEnds);

// One argument of a desktop entry's Exec key, in double quotes with the
// freedesktop.org quoting rules for Exec ("%" doubled), before
// the escapes of string values.
QString quotedExecArgument(const QString& argument);
// The escapes of a desktop entry's string value (\\, \n, \t, \r, leading \s).
QString escapedEntryValue(const QString& value);

// The desktop entry that starts `target` (an executable program, in its own
// folder) or opens it with its default application. 0, or EILSEQ when a
// name is no UTF-8 on disk, EINVAL when it holds control characters other
// than tab, line feed and carriage return: neither can be written into one.
int desktopEntryText(const QString& title, const QString& target, const QString& folder,
                     bool executable, QByteArray& out);

// Where the fixed destinations are, each with trailing "/".
struct ShortcutFolders {
    QString desktop;
    QString startMenu;
    QString startup;
};
ShortcutFolders userShortcutFolders();

class ShortcutMaker {
public:
    explicit ShortcutMaker(OperationContext& context);

    ShortcutFolders folders = userShortcutFolders();
    // The availability check with repair of both windows; without it the
    // context's checker looks at the folder alone.
    std::function<int(WindowIndex, const QString& path)> checkWithRepair;
    // The current row of the window's list (the drive list has no marks).
    std::function<int(WindowIndex)> currentRow;
    // Whether `path` is an executable program (the platform's test by default).
    std::function<bool(const QString& path)> isExecutable;

    // mnuFileShCt `destination` (or ShortcutToNode with `nodePath`) for the
    // selected window. 0 done (some items may have failed), 1 nothing to do,
    // 3 cancelled, 4 the destination failed its check.
    int run(WindowIndex selected, int destination, const QString& nodePath = QString());

    // The number of items that take part: marked items without desktop
    // entries, or the current volume of the drive list.
    int itemCount(WindowIndex selected) const;

    const QStringList& created() const { return m_created; }
    int failed() const { return m_failed; }

private:
    struct Item {
        QString target;
        QString name;
        QString folder; // the working folder
    };
    QString destinationFolder(WindowIndex selected, int destination, const QString& nodePath,
                              QString& name) const;
    QList<Item> items(WindowIndex selected, int& shortcutFiles, QString& singleName,
                      bool& driveList) const;
    int makeOne(const Item& item, const QString& folder, bool entry, QString& path);

    OperationContext& m_context;
    QStringList m_created;
    int m_failed = 0;
};

} // namespace tovane
