#pragma once
// The main window's side of following the disk: one folder watch per
// window, moved along whenever the window lists another folder (none for the
// drive list), and the refresh it asks for, which keeps what the user sees
// in place: the current item, the marks and the rows scrolled into view.
//
// GUI thread only.

#include "core/windows.h"
#include "list/listwatch.h"

#include <array>
#include <memory>

namespace tovane {

class Browsing;
class MainWindow;

class Watching {
public:
    Watching(MainWindow& window, Browsing& browsing);
    ~Watching();

    ListWatch& watch(WindowIndex w) { return *m_watches[w == RightWindow ? 1 : 0]; }
    // No operation, compare, question or open menu: the list may change
    // under the user's eyes now.
    bool mayRefresh() const;
    // The list read again as it is now, keeping marks, the current item and
    // the rows in view; a folder that went moves the window up.
    void refreshList(WindowIndex w) { refresh(w, 0); }

private:
    void refresh(WindowIndex w, unsigned changes);

    MainWindow& m_window;
    Browsing& m_browsing;
    std::array<std::unique_ptr<ListWatch>, 2> m_watches;
};

} // namespace tovane
