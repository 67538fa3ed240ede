#pragma once
// What the bookmark and special-folder dialogs share: the instruction label,
// the two-column list whose row gives the chosen path, the close button,
// Enter and the double click that accept, the resizing within a minimum
// size and the screen, and the geometry slots kept across openings.

#include "app/dialog.h"
#include "places/placepick.h"

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace tovane {

struct PlaceDialogForm {
    QString objectName;
    QString caption;
    QStringList columns;
    int columnTwips[2] = {};
    int positionSlot = 0;
    int heightSlot = 0; // size slots hold twips for these dialogs
    int widthSlot = 0;
    int minimumHeightTwips = 0;
    QSize designedTwips; // the size before any was remembered
};

class PlaceDialog : public QDialog {
    Q_OBJECT
public:
    ~PlaceDialog() override;

    QTreeWidget* list() const { return m_list; }
    QLabel* label(int i) const { return i == 1 ? m_label1 : m_label2; }
    QPushButton* closeButton() const { return m_close; }
    const PlacePick& pick() const { return m_pick; }
    // Minimum size in pixels: the form's height, 7000 twips plus a margin
    // of the text's width.
    QSize minimumPixels() const;
    const ScreenMetrics& metrics() const { return m_metrics; }

    static QString instructionText();
    static QString resizeHintText();

    int exec() override;
    void open() override;

public Q_SLOTS:
    void done(int result) override;

protected:
    PlaceDialog(const PlaceDialogForm& form, PlaceChoice& choice, const DialogEnvironment& env,
                QWidget* parent);

    // Rows of (path, comment); with `load` row 1 becomes the current row and
    // the chosen path, else `current` becomes the current row (a row moved
    // to by the program counts as no click).
    void fill(const QList<QPair<QString, QString>>& rows, bool load, int current = -1);
    QHBoxLayout* buttonRow() const { return m_buttons; }
    PlacePick& pick() { return m_pick; }
    int currentRow() const;
    // Every child gets the dialog's key handling.
    void watchChildren();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool handleKey(QKeyEvent* event);
    void rowBecameCurrent();
    void place();
    void unload();

    PlaceDialogForm m_form;
    DialogEnvironment m_env;
    ScreenMetrics m_metrics;
    PlacePick m_pick;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_close = nullptr;
    QHBoxLayout* m_buttons = nullptr;
    bool m_filling = false;
    bool m_placed = false;
    bool m_shown = false;
    bool m_unloaded = false;
};

} // namespace tovane
