#pragma once
// The main window's side of the bookmark and special-folder dialogs: the two
// Help-menu items, the dialogs' shared result, the write-back of the
// bookmarks, and the jump of the selected window to the chosen folder.
//
// GUI thread only.

#include "places/bookmarklist.h"
#include "places/placepick.h"
#include "places/specialfolderlist.h"

#include <functional>

namespace tovane {

class Browsing;
class MainWindow;
class PlaceDialog;

class Placing {
public:
    Placing(MainWindow& window, Browsing& browsing);

    void wireMenus();
    // 特殊フォルダ: offered only while every item is listed (no hidden
    // attribute), since the places may hold hidden folders.
    void updateSpecialFolderItem();
    void specialFolders();
    void bookmarks();

    const PlaceChoice& choice() const { return m_choice; }

    // Stand-ins for tests: the comment box, the places found, and the form
    // (it gets the dialog instead of it being run modally).
    CommentAsk askComment;
    PlaceLookup lookup;
    std::function<void(PlaceDialog&)> form;

private:
    void run(PlaceDialog& dialog);
    void jump();

    MainWindow& m_window;
    Browsing& m_browsing;
    PlaceChoice m_choice;
};

} // namespace tovane
