#pragma once
// What the tree engine needs from the rest of the program. The main window
// implements it; tests use a fake. Every call is synchronous on the UI
// thread; none of them may call back into the tree engine's user events.

#include "core/windows.h"
#include "tree/treerules.h"

#include <QString>
#include <QStringList>

namespace tovane {

// One row of the destination list as the widget shows it.
struct DestinationListView {
    WindowIndex treeWindow = LeftWindow; // the tree that was right-clicked
    QString nodeKey;                     // the list is placed beside this node
    QString heading;
    QStringList entries;
    int widthChars = 35; // of the list's font
};

class TreeHost {
public:
    virtual ~TreeHost();

    // Refills window w's list for `path`: a folder with trailing "/", or the
    // computer text for the volume list. Returns 0 when listed, else a check
    // code (the list reports its own failures).
    virtual int fillList(WindowIndex w, const QString& path) = 0;

    // The window's display path: trailing "/", or the computer text.
    virtual QString currentPath(WindowIndex w) const = 0;
    // Makes `path` the window's display path (state and caption).
    virtual void setCurrentPath(WindowIndex w, const QString& path) = 0;
    // True while the window's list shows the volumes.
    virtual bool listShowsDrives(WindowIndex w) const { return currentPath(w) == ComputerText; }

    virtual WindowIndex selectedWindow() const = 0;
    virtual bool twoWindows() const { return true; }
    virtual QString windowLabel(WindowIndex w) const;
    // Makes w the selected window with the focus on its tree.
    virtual void activateWindow(WindowIndex w) {}
    virtual void focusWindow(WindowIndex w) {}
    // Shift = 1 plus Ctrl = 2, held at this moment.
    virtual int modifierState() const { return 0; }

    virtual void setDriveStatusText(WindowIndex w, const QString& text) {}
    // The content area's remembered file of the window no longer exists.
    virtual void resetContentFile(WindowIndex w) {}

    // Marks of the window's list, for the path-change question and the
    // destination list.
    virtual SelectionLoad selectionLoad(WindowIndex w) const { return {}; }
    virtual bool selectionPresent(WindowIndex w) const { return false; }

    // Destination list: the marks of `selected` evaluated again against
    // `destination` (copy-target bookkeeping and its label). Returns how
    // many items stay marked.
    virtual int renewCopyTargets(WindowIndex selected, const QString& destination) { return 0; }
    // The copy targets among them, as the last renewal counted them.
    virtual int copyTargetCount(WindowIndex selected) const { return 0; }
    virtual void showDestinationList(const DestinationListView& view) {}
    // Hides the list and clears the bottom bar's destination text and the
    // counts display.
    virtual void closeDestinationList() {}
    // The shown part of the bottom bar's destination text.
    virtual void setDestinationText(const QString& shown) {}
};

} // namespace tovane
