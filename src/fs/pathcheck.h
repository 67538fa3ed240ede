#pragma once
// Availability checks run before anything is listed, opened or written: is
// the volume there, can its medium be read, does the folder or file still
// exist, and for writing, is the medium write-protected. They tell the user
// precisely what is wrong and leave the nearest existing folder behind so
// that the caller can fall back to it.
//
// One checker lives for the whole run (its values are program-wide). It
// never fails itself: every platform error becomes a code and, when asked,
// a message. UI thread only.

#include "core/windows.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace tovane {

class MessageService;
class ProgressService;
class VolumeSource;

// Codes of checkPath (the classic runtime's error numbers) and checkWritable.
enum CheckCode : int {
    CheckAvailable = 0,
    CheckNotAPath = 1,        // not an absolute path: no message
    CheckUnreadable = 2,      // the volume answers but its medium cannot be read
    CheckInvalidDrive = 5,    // checkWritable: no volume can be named for the text
    CheckFileMissing = 53,    // the folder exists, the file does not
    CheckNotConnected = 68,   // the volume is not there
    CheckAccessDenied = 70,   // checkPath: the folder cannot be listed or reached
    CheckWriteProtected = 70, // checkWritable: the medium is read-only
    CheckNotReady = 71,       // no medium, or the volume does not answer in time
    CheckPathMissing = 76,    // the folder does not exist
};

// The folder (or file) is the problem; the volume is fine and the fallback
// path is set.
inline bool isPathFailure(int code)
{
    return code == CheckFileMissing || code == CheckPathMissing || code == CheckAccessDenied;
}
// The volume itself failed; the fallback path is empty.
inline bool isDriveFailure(int code)
{
    return code == CheckUnreadable || code == CheckNotConnected || code == CheckNotReady;
}

// Facts of the last volume root checked, as the tree and the file list show them.
struct DriveFacts {
    QString root; // mount point
    double totalBytes = 0;
    double availableBytes = 0;
    int driveType = 0; // platform::DriveType, 0-5
    QString fileSystem;
    QString label;
    quint64 clusterSize = 0; // block size; 0 when unknown
};

struct CheckContext {
    MessageService& messages;
    ProgressService& progress;
    VolumeSource& volumes;
    QString caption; // title of checkPath's messages: the main window's caption text
    // The selected window, for the medium re-check of checkWritable.
    std::function<WindowIndex()> selectedWindow;
};

class PathChecker {
public:
    explicit PathChecker(CheckContext context);
    void setCaption(const QString& caption) { m_context.caption = caption; }

    // `path` is an absolute folder or file path, or a mount point; `name`
    // (may be empty) a file looked up in the folder `path`. Rewrites the
    // fallback path of `window`. Messages only when `show` is set, and at
    // most once per volume until clearFailedDrives().
    int checkPath(WindowIndex window, const QString& path, const QString& name, bool show);

    // True when the volume of `path` can be written. A read-only mount is
    // write-protected whatever the volume; removable and optical volumes are
    // asked again, others count as writable when they are mounted.
    bool checkWritable(const QString& path, bool show, const QString& title);

    // Left by the window's last check: the deepest existing folder above a
    // path that failed (without trailing "/"), the folder of a missing file,
    // the mount point when nothing on the path exists or the mount point
    // alone was checked; empty when the volume failed or the path was found.
    QString fallbackPath(WindowIndex window) const;

    // Mount points of volumes that failed a check since the last clear.
    // Every action the user starts clears the list first, so a failing
    // volume is reported once per action.
    const QStringList& failedDrives() const { return m_failedDrives; }
    void clearFailedDrives() { m_failedDrives.clear(); }

    const DriveFacts& driveFacts() const { return m_facts; }
    int lastCheckCode() const { return m_lastCheckCode; } // of checkWritable

    // The "checking" note of the status line with the busy pointer. Off only
    // while that note is still the one shown and no operation is running.
    void showCheckProgress(bool on);

    // "フォルダ /a/b/ について" + an empty line + the system's text for the
    // error, through the message service.
    void showSystemError(const QString& path, const QString& title, bool isFolder, int errorNumber);
    static QString systemErrorText(int errorNumber);

    static QString checkProgressText();
    // Message texts, exactly as shown (also for front ends that report a
    // check on their own, e.g. on stderr).
    static QString notConnectedText(const QString& root);
    static QString noMediumText(const QString& root);
    static QString unreadableText(const QString& root);
    static QString pathMissingText(const QString& folder);
    static QString fileMissingText(const QString& folder, const QString& name);
    static QString accessDeniedText(const QString& folder);
    static QString writeProtectedText(const QString& root);
    static QString cannotProcessText(const QString& root);

private:
    enum class Kind { None, File, Path, Access, NotConnected, NoMedium, Unreadable };
    struct Outcome;

    void run(Outcome& o, const QString& folderPath, const QString& name);
    static void failDrive(Outcome& o, int error);
    // Walks up from the parent of `folderPath` to the first folder that
    // exists and may be listed; false when the walk reached the root.
    bool findFallback(Outcome& o, const QString& folderPath);
    void readFacts(Outcome& o);
    void setFallback(WindowIndex window, const QString& path);

    CheckContext m_context;
    std::array<QString, 2> m_fallback;
    QStringList m_failedDrives;
    DriveFacts m_facts;
    int m_lastCheckCode = 0;
};

} // namespace tovane
