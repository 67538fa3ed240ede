#pragma once
// Saving the shown text (上書き保存, 名前を付けて保存) and the question asked
// before an unsaved text would be lost. The procedure lives here; the widget
// half answers through TextSaveHost (the save dialog, writing its document,
// the lists that show the saved file) and the user is asked only through the
// message service. UI thread only; errors are collected and reported once.

#include "core/windows.h"
#include "platform/itemrecord.h"
#include "platform/textfile.h"
#include "viewer/displaycategories.h"
#include "viewer/textsaverules.h"

#include <QString>

namespace tovane {

class MessageService;
class PathChecker;
class VolumeSource;

// What the save dialog opens with.
struct SaveDialogRequest {
    QString title;  // saveAsDialogTitle()
    QString folder; // with trailing "/"
    QString name;
    QString filter;      // "caption|pattern|caption|pattern…"
    int preselected = 1; // 1-based entry of the filter
};

// How the widget half writes its document.
struct TextWriteRequest {
    QString path;
    bool richText = false;    // the RTF writer; else plain text in the format it was read with
    bool utf8Instead = false; // plain text its encoding could not hold: UTF-8, same line ends
};

class TextSaveHost {
public:
    virtual ~TextSaveHost();

    // --- facts ---
    // What window w shows. textSave sets mode and fixedDestination itself.
    virtual SaveFacts saveFacts(WindowIndex w) const = 0;
    // Size and time of the shown file when it was read; false for a new
    // text or when nothing was read from a file.
    virtual bool shownStamp(WindowIndex w, platform::FileStamp& out) const = 0;
    // The encoding name of the shown plain text (encodingName()).
    virtual QString shownEncodingName(WindowIndex w) const = 0;
    // The folder window w lists, with trailing "/"; empty for none.
    virtual QString folderPath(WindowIndex w) const = 0;
    // The attribute bits whose items the lists never show (read-only,
    // hidden, system, compressed).
    virtual quint32 hiddenMask() const = 0;
    virtual CategoryLists categoryLists() const = 0;
    virtual LanguageCaptions languageCaptions() const = 0;

    // --- the widget half ---
    // The save dialog (QFileDialog with the request's title, folder, name,
    // filter and preselected entry; it must not change the process's
    // current folder, and asks itself before an existing file is replaced).
    // False when cancelled.
    virtual bool askSavePath(const SaveDialogRequest& request, QString& chosenPath) = 0;
    // Bytes the shown text of w takes when written as asked.
    virtual qint64 shownTextBytes(WindowIndex w, bool richText) = 0;
    // Writes the document of w (atomically, keeping the old file's owner,
    // mode and attributes). 0 or an errno; EILSEQ: a character the
    // encoding cannot hold, nothing written.
    virtual int writeShownText(WindowIndex w, const TextWriteRequest& request) = 0;

    // --- effects ---
    // The text of w now is the file `path` as saved (`stamp`): the shown
    // path becomes `path` (also after a save under a new name, so that a
    // later overwrite goes to the file the text came to), the modified and
    // new-text flags are cleared, and a plain text written as UTF-8 instead
    // keeps that format from now on.
    virtual void textSaved(WindowIndex w, const QString& path, const platform::FileStamp& stamp,
                           bool utf8Instead) = 0;
    // Window w lists the destination folder: update or add `record`; when
    // `shown` (w shows the saved file) choose it; scroll it into view.
    virtual void listItemSaved(WindowIndex w, const ItemRecord& record, bool shown) = 0;
    // Window w lies on the destination's volume (RefreshWindowPath).
    virtual void refreshWindowPath(WindowIndex w) = 0;
    // A save on w's volume failed as write-protected: w counts as not writable.
    virtual void clearDriveWritable(WindowIndex w) = 0;

    // --- the unsaved-text check ---
    // Content display of w switched on while the question is shown, off
    // again afterwards (only called when it was off).
    virtual void setContentShownTemporarily(WindowIndex w, bool on) = 0;
    // "No" to the question: the last shown path of w is forgotten, so the
    // file is read again next time.
    virtual void forgetShownPath(WindowIndex w) = 0;
};

struct TextSaveContext {
    MessageService& messages;
    PathChecker& checker;
    VolumeSource& volumes;
    TextSaveHost& host;
};

struct TextSaveOptions {
    int mode = SaveOverwrite;        // SaveOverwrite or SaveAs
    WindowIndex window = LeftWindow; // the selected window (the checked one for checkUnsaved)
    // The folder right-clicked in a tree (save as only); the dialog may not
    // leave it. Empty: none.
    QString fixedDestination;
    bool fromUnsavedCheck = false; // the plain overwrite question is not asked again
};

enum class TextSaveResult { Saved, Cancelled, Failed };

TextSaveResult textSave(TextSaveContext& context, const TextSaveOptions& options);

enum class UnsavedOutcome {
    NotModified, // nothing to ask
    Saved,
    // "Yes", but the save was cancelled or failed: the text is still
    // modified, and replacing it now would lose it, so callers keep it.
    NotSaved,
    Discarded, // "No"
};

// Asks before the unsaved text of `window` is lost. "Yes" saves that window
// (an overwrite, or a save as when the text is new or its place cannot be
// written), the text itself even while its content display is off.
UnsavedOutcome checkUnsavedText(TextSaveContext& context, WindowIndex window);
// 1 when the user chose to save (whether or not that succeeded), else 0.
int checkUnsaved(TextSaveContext& context, WindowIndex window);

} // namespace tovane
