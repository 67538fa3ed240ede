#pragma once
// The archive commands: the checks before a back end is used (with their
// messages), the listing the content area shows, and the compress and
// extract commands over the selected window's designated items.
//
// UI thread only; the front ends supply the services.

#include "archive/archiverlibraries.h"
#include "core/windows.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tovane {

class MessageService;
class OperationHost;
class PathChecker;
class ProgressService;

struct ArchiverContext {
    MessageService& messages;
    ProgressService& progress;
    OperationHost& host;
    PathChecker* checker = nullptr; // null: folders are checked by existence only
    const ArchiverLibraries& libraries;
    // The title input box: the typed text, or "" when cancelled.
    std::function<QString(const QString& title, const QString& prompt, const QString& proposal)>
        askText;
    // A slide show runs: problems are not shown.
    std::function<bool()> slideShowRunning;
    // Listing problems in the content display empty the window's text box.
    std::function<void()> clearListingBox;
};

// The kinds of archiveCommand: compress as cab, lzh, zip; extract.
enum ArchiveKind : int { KindCab = 0, KindLzh = 1, KindZip = 2, KindExtract = 3 };

// PrepareArchiver's modes.
enum PrepareMode : int {
    PrepareListDisplay = 0, // the content display: a problem empties the text box
    PrepareList = 1,
    PrepareRun = 2, // extract or compress
};

struct PrepareResult {
    int result = 0; // 0 go on; 1 a problem (2 after a system error)
    int format = -1; // 0 cab, 1 lzh, 2 zip (list, extract), 3 zip (compress)
    bool isArchive = true;
    bool busy = false;
    QString listing;        // listing modes
    QString message;        // the problem's text, when there was one
    qint16 answer = 0;      // the user's answer to an extraction problem
};

class Archiver {
public:
    explicit Archiver(ArchiverContext context);

    // PrepareArchiver: `pathOrFormat` is the archive's path, or for compress
    // the format's extension. `title` heads the message.
    PrepareResult prepare(const QString& pathOrFormat, bool compress, bool showMessages, int mode,
                          const QString& title);

    // ArchiveCommand for the selected window; `fixedDestination` (ending in
    // "/") comes from the tree's destination list. Returns 0 when something
    // ran, StepSkipped-like codes otherwise: 1 nothing taken or declined,
    // 3 cancelled, 4 a folder check failed; failures of single archives
    // count in failures().
    int run(WindowIndex selected, int kind, const QString& fixedDestination = QString());
    int failures() const { return m_failures; }

    // The folder an archive extracts into: its path relative to the source
    // folder with "/" and the last "." replaced by "_" (s/a.lzh → s_a_lzh).
    static QString extractFolderName(const QString& relativePath);
    // The texts the command uses.
    static QString interruptedText(); // ユーザーによって中断されました。
    static QString compressFailedText(int format, const QString& archivePath, int code);

private:
    struct Taken {
        QStringList names;   // relative to the source folder
        int files = 0;       // designated files taken
        int folders = 0;     // designated folders taken
        int archives = 0;    // archives found by walking folders
        bool walked = false; // folders were walked
    };
    int collect(WindowIndex selected, int kind, const QString& source, Taken& taken);
    void walk(const QString& source, const QString& relative, int kind, Taken& taken);
    bool interrupted();
    int compress(WindowIndex selected, int kind, const QString& source, const QString& destination,
                 const Taken& taken, bool fixed);
    int extract(WindowIndex selected, const QString& source, const QString& destination,
                const Taken& taken);
    QString confirmationText(int kind, const Taken& taken, const QString& phrase) const;
    bool folderUsable(WindowIndex w, const QString& folder, bool show);
    void refresh(const QString& source, const QString& destination);

    ArchiverContext m_context;
    int m_failures = 0;
};

} // namespace tovane
