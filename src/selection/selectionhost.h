#pragma once
// What the selection engines ask of the rest of the program: the two
// windows' lists and paths, the window settings that decide a comparison,
// and the few actions that belong to the tree, the viewer and the main
// window. The main window implements it; the command-line front end and the
// tests use small fakes. Every call is synchronous on the UI thread.

#include "core/windows.h"

#include <QString>

namespace tovane {

class FileList;

class SelectionHost {
public:
    virtual ~SelectionHost();

    // The window's list; never null for 0 and 1.
    virtual FileList* list(WindowIndex w) = 0;
    // The window's current path with trailing "/", or ComputerText while it
    // lists the volumes; empty when the window has no path yet.
    virtual QString windowPath(WindowIndex w) const = 0;
    virtual WindowIndex selectedWindow() const = 0;
    virtual bool twoWindowsShown() const = 0;
    // The window's 処理階層: all levels (CheckBoxA on) or one level.
    virtual bool allLevels(WindowIndex w) const = 0;
    // 比較選択 in both windows (両　 方) or the selected one only.
    virtual bool compareBothWindows() const = 0;
    // 確認メッセージ 必要: informational messages and skip notices are shown.
    virtual bool confirmMessages() const = 0;
    // The platform lets folder attributes be set (start-up probe).
    virtual bool folderAttributesSettable() const = 0;
    // 項目数対応サイズ表示: marked and copy-target sizes are summed.
    virtual bool sizeTotalsShown() const = 0;
    // "左窓の" / "右窓の" (in parentheses with one window shown).
    virtual QString windowLabel(WindowIndex w) const = 0;

    // The path check with repair of the tree: 0 when `path` is available;
    // otherwise the window was moved or repaired and the command stops.
    virtual int checkPathWithRepair(WindowIndex w, const QString& path) = 0;
    // After the list and its folder disagreed in their counts: the window's
    // tree is rebuilt and its list filled again for the same path.
    virtual void rebuildAndRefill(WindowIndex w) = 0;
    // The text viewer of the window asks whether an edited text must be
    // saved before the marks change. False stops the comparison.
    virtual bool confirmUnsavedText(WindowIndex w) = 0;
    // Makes `row` the list's current item and scrolls it into view.
    virtual void makeCurrentRow(WindowIndex w, int row) = 0;
    // Status line text (panel 1); an empty text clears it.
    virtual void setStatusText(const QString& text) = 0;

    // The window's remembered double-click path is forgotten.
    virtual void forgetDoubleClickPath(WindowIndex w) { Q_UNUSED(w); }
    // 選択を解除 in the drive list: the remembered drive is forgotten.
    virtual void forgetRememberedDrive(WindowIndex w) { Q_UNUSED(w); }
};

} // namespace tovane
