#pragma once
// The result of the bookmark and special-folder dialogs and what the list's
// clicks, the mouse-up after a double click, Enter and the close button do
// to it. Widgets feed the events in; the main window reads the result.

#include <QString>

namespace tovane {

// Kept by the main window across dialogs: a dialog that gets no row leaves
// the path of an earlier one untouched.
struct PlaceChoice {
    QString path;       // first-column text of the row last clicked
    int cancelFlag = 1; // 1 cancelled, 0 accepted
    bool accepted() const { return cancelFlag == 0 && !path.isEmpty(); }
};

class PlacePick {
public:
    explicit PlacePick(PlaceChoice& choice) : m_choice(choice) {}

    // The dialog loaded with `firstRow` as row 1 (none when `hasRows` is false).
    void load(bool hasRows, const QString& firstRow);
    // A row was clicked or became the current row by keyboard.
    void rowClicked(const QString& text);
    // A double click on a row: accepted, closing once the button is released.
    void doubleClicked();
    // True when the dialog closes now.
    bool mouseUp();
    // Enter: accepted with the current row's text. With no row there is
    // nothing to accept: the dialog closes as cancelled.
    void enter(bool hasRows, const QString& currentRow);
    void closeButton() { m_choice.cancelFlag = 1; }
    // After a delete or clear a row must be clicked again.
    void disarm() { m_armed = false; }

    bool armed() const { return m_armed; }
    bool closeOnMouseUp() const { return m_closeOnMouseUp; }
    const PlaceChoice& choice() const { return m_choice; }

private:
    PlaceChoice& m_choice;
    bool m_armed = false;
    bool m_closeOnMouseUp = false;
};

} // namespace tovane
