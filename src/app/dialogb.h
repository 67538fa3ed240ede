#pragma once
// The bookmark dialog: the bookmarked folders with their comments, and the
// commands that add the selected window's path, delete a row and clear all.

#include "app/placedialog.h"
#include "places/bookmarklist.h"

namespace tovane {

class DialogB : public PlaceDialog {
    Q_OBJECT
public:
    // `bookmarks` is the working copy the commands change; `displayPath`
    // the selected window's display path.
    DialogB(BookmarkList& bookmarks, const QString& displayPath, CommentAsk askComment,
            PlaceChoice& choice, const DialogEnvironment& env, QWidget* parent = nullptr);

    static PlaceDialogForm form();

    QPushButton* button(int i) const { return m_buttons[qBound(0, i, 2)]; }
    void addPath();
    void deletePath();
    void clearPaths();

private:
    void showRows();

    BookmarkList& m_bookmarks;
    QString m_displayPath;
    CommentAsk m_askComment;
    QPushButton* m_buttons[3] = {};
};

} // namespace tovane
