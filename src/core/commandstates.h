#pragma once
// Which of the selected window's commands are offered: a command that has
// nothing to act on is not. The main window applies these to its menu items
// (the toolbar buttons follow their items) whenever the window's state
// changes; the busy state disables everything on top of this.

#include <QList>

namespace tovane {

struct WindowCommandFacts {
    bool folderItems = false; // the list shows a folder's items, not the volumes
    int rows = 0;
    int marked = 0;
    int copyTargets = 0;         // marked items that can go to the destination
    bool oppositeFolder = false; // the opposite window shows a folder to compare with
    // The content area.
    bool contentDisplayOn = false;
    bool textShown = false; // a text file or a new text (not a listing)
    bool textEditable = false;
    bool textModified = false;
    bool newText = false;
    bool chosenFile = false; // the list's current item is a file (copy under a name)
    // Pictures and the slide show.
    bool imageShown = false;
    bool manualZoom = false;
    int files = 0; // files in the list
    bool slideShowRunning = false;
};

struct CommandState {
    const char* control;
    int index;
    bool enabled;
};

QList<CommandState> commandStates(const WindowCommandFacts& facts);

} // namespace tovane
