#pragma once
// The decisions and texts of saving the shown text (上書き保存, 名前を付けて
// 保存) and of the unsaved-text question; the widgets only ask and write.

#include "viewer/displaycategories.h"

#include <QString>

namespace tovane {

enum SaveMode : int { SaveOverwrite = 0, SaveAs = 1 };

// What the window shows when a save is asked for.
struct SaveFacts {
    int mode = SaveOverwrite;
    bool contentDisplayOn = true;
    bool textShown = false; // a text or rich text file (not an archive listing)
    bool modified = false;
    bool newText = false; // typed into a new text that has no file yet
    QString shownPath;    // the file the text came from
    QString chosenPath;   // the list's chosen item (copy-mode source)
    QString windowFolder; // with trailing "/"
    bool locationProtected = false;
    bool driveFull = false;
    bool driveWritable = true;
    QString fixedDestination; // the folder right-clicked in a tree, or empty
    QString homeFolder;       // stands for the program's own folder
};

struct SavePlan {
    bool textMode = false;  // the text is written; else the chosen file is copied
    QString source;         // the shown path (text-mode) or the chosen item
    QString proposedFolder; // with trailing "/"
    QString proposedName;
    QString filter;      // the type list, "name|pattern|…"
    int preselected = 1; // 1-based entry of the type list
};

SavePlan planSave(const SaveFacts& facts, const CategoryLists& lists,
                  const LanguageCaptions& languages);

// Whether the unsaved text must be saved under a new name.
bool saveAsNeeded(bool newText, bool locationProtected, bool driveFull, bool driveWritable);

QString saveAsTitle();       // 名前を付けて保存
QString saveAsDialogTitle(); // the save dialog's caption
QString unsavedQuestion(bool newText, bool saveAs);
QString unsavedTitle(); // ファイル保存チェック
QString overwriteQuestion(const QString& path, bool messagesOn);
QString overwriteTitle(); // 上書き保存
// The file changed on disk after it was shown.
QString changedOnDiskQuestion(const QString& path);
QString hiddenDestinationText();
QString driveFullText(const QString& drive);
QString fixedDestinationText();
// A failed save, reported once at the end (title saveErrorTitle()). True in
// `writeProtected` when the drive counts as not writable from now on.
QString saveErrorText(const QString& path, int errorNumber, bool& writeProtected);
QString saveErrorTitle();
// A character the file's encoding cannot hold: save as UTF-8 instead?
QString encodingQuestion(const QString& path, const QString& encoding);

} // namespace tovane
