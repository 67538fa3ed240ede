#pragma once
// What the file operations ask of the rest of the program. The main window
// implements it (menus mnuFileItem 4/5/6, mnuFileAttr, the toolbar and the
// destination list call FileOperations); the command line and the tests have
// their own. Every call is synchronous on the UI thread.
//
// The engine only reads the lists; every change of a list, tree or mark goes
// through the effect calls, so the host decides how its widgets follow.

#include "core/windows.h"
#include "platform/itemrecord.h"
#include "selection/compareflags.h"

#include <QString>
#include <QtGlobal>

namespace tovane {

class FileListModel;
struct OperationRun;

class OperationHost {
public:
    virtual ~OperationHost();

    // --- facts, read when a command starts ---
    // The window's file list; null (or a drive list) when it shows no folder.
    virtual const FileListModel* listModel(WindowIndex w) const = 0;
    // The folder the window shows, with trailing "/"; empty for the drive list.
    virtual QString folderPath(WindowIndex w) const = 0;
    // The window label of the status texts ("左窓の", "（左窓の）").
    virtual QString pathText(WindowIndex w) const { return windowLabel(w, !twoWindowsShown()); }
    virtual bool twoWindowsShown() const { return true; }
    // 処理階層 全階層 (true) or １ 階層.
    virtual bool allLevels(WindowIndex w) const
    {
        Q_UNUSED(w);
        return true;
    }
    // The marks come from a compare selection (else a designated one).
    virtual bool compareSelection(WindowIndex w) const
    {
        Q_UNUSED(w);
        return false;
    }
    // Everything below a marked folder takes part (designated selection).
    virtual bool fullSelection(WindowIndex w) const { return !compareSelection(w); }
    // The flags stored by the window's last comparison.
    virtual CompareFlags compareFlags(WindowIndex w) const
    {
        Q_UNUSED(w);
        return {};
    }
    // Attribute bits gathered over the marked items by the selection; the
    // engine works them out from the list when the host does not keep them.
    virtual quint32 markedAttributes(WindowIndex w) const;
    virtual bool folderAttributesSettable() const { return true; }
    // The list-state flag: false while the list is being filled.
    virtual bool listReady(WindowIndex w) const
    {
        Q_UNUSED(w);
        return true;
    }
    // The non-display attribute mask of the lists.
    virtual quint32 hiddenMask() const { return 0; }
    // The list-display filter (" ext," form): a folder holding such files is
    // not deleted in one piece.
    virtual QString listFilterExtensions() const { return QString(); }
    // The selection's own check before a run (counts against the folder);
    // false stops the command, the host has said why.
    virtual bool selectionUsable(WindowIndex w)
    {
        Q_UNUSED(w);
        return true;
    }

    // --- effects ---
    // Lists with many participants are hidden during the run.
    virtual void setListHidden(WindowIndex w, bool hidden)
    {
        Q_UNUSED(w);
        Q_UNUSED(hidden);
    }
    virtual void listEntryRemoved(WindowIndex w, const QString& name, bool isFolder)
    {
        Q_UNUSED(w);
        Q_UNUSED(name);
        Q_UNUSED(isFolder);
    }
    virtual void listEntryAdded(WindowIndex w, const ItemRecord& record)
    {
        Q_UNUSED(w);
        Q_UNUSED(record);
    }
    // An existing entry got new attributes, size, time or letter case;
    // `oldName` is the name the list knows it by.
    virtual void listEntryUpdated(WindowIndex w, const QString& oldName, const ItemRecord& record)
    {
        Q_UNUSED(w);
        Q_UNUSED(oldName);
        Q_UNUSED(record);
    }
    // A folder went away: its tree node goes too (key: path without "/").
    virtual void treeNodeRemoved(WindowIndex w, const QString& key)
    {
        Q_UNUSED(w);
        Q_UNUSED(key);
    }
    // Tree and list of the window are refreshed later (deferred job).
    virtual void markForRefresh(WindowIndex w) { Q_UNUSED(w); }
    // The end of a run: both lists are refreshed (counts, labels), marks kept
    // or recomputed as the selection kind wants.
    virtual void runFinished(const OperationRun& run) { Q_UNUSED(run); }
};

} // namespace tovane
