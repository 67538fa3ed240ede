#pragma once
// What a window's file list asks of the rest of the program. The main window
// implements it; tests use a recording fake. Every call is synchronous on the
// UI thread.

#include "core/windows.h"

#include <QString>
#include <QtGlobal>

namespace tovane {

class ListHost {
public:
    virtual ~ListHost();

    // Before a fill replaces the items: the text viewer asks whether an
    // edited text must be saved first. False leaves the list as it is.
    virtual bool prepareFill(WindowIndex w)
    {
        Q_UNUSED(w);
        return true;
    }
    // A folder's items are about to be listed: the drive-status label of the
    // window's path is renewed.
    virtual void folderListed(WindowIndex w, const QString& folder)
    {
        Q_UNUSED(w);
        Q_UNUSED(folder);
    }
    // The list was filled and sorted; a running compare selection is computed
    // again for the new contents.
    virtual void listFilled(WindowIndex w) { Q_UNUSED(w); }

    // Double-click on a folder row: open it in window w (select or add its
    // tree node and fill the list).
    virtual void openFolder(WindowIndex w, const QString& path) = 0;
    // Double-click on a file row: open it with its program.
    virtual void openFile(WindowIndex w, const QString& path) = 0;
    // Click on a drive row: select the volume's tree node.
    virtual void driveChosen(WindowIndex w, const QString& mountPoint) = 0;

    virtual void activateWindow(WindowIndex w) { Q_UNUSED(w); }
    // The content area shows list item `itemNumber` (1-based).
    virtual void showContent(WindowIndex w, int itemNumber, bool force)
    {
        Q_UNUSED(w);
        Q_UNUSED(itemNumber);
        Q_UNUSED(force);
    }
    // A click inverted the mark of `row`; `modifiers` holds Shift 1 and Ctrl 2
    // (range marking and the bookkeeping of marks belong to the selection).
    virtual void markClicked(WindowIndex w, int row, int modifiers)
    {
        Q_UNUSED(w);
        Q_UNUSED(row);
        Q_UNUSED(modifiers);
    }
    // A kind of 10 or more asks to remove a tree node instead of a list row.
    virtual void removeTreeNode(WindowIndex w, const QString& key)
    {
        Q_UNUSED(w);
        Q_UNUSED(key);
    }
    // The hidden-attribute mask changed: trees and lists are refreshed and
    // the special-folder command is enabled only while the mask is 0.
    virtual void hiddenMaskChanged(quint32 mask) { Q_UNUSED(mask); }

    // Modifier keys held now: Shift 1, Ctrl 2.
    virtual int modifiers() const { return 0; }
};

} // namespace tovane
