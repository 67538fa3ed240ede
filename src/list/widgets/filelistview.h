#pragma once
// Sets up a window's list control (`lvwFiles_w`, a QTreeView) over its
// FileList: the model, the row pictures, column widths from the settings and
// back, the hidden key columns kept at width 0, the two list forms, and the
// user's clicks passed on to the engine.
//
// The list form 一覧 shows the name column alone without a header; 詳細
// shows every visible column. The key columns (4-6) stay in the header at
// width 0 and snap back on a sort, a click on their header and every mouse
// move over the list.

#include "list/listcolumns.h"

#include <QObject>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QTreeView;

namespace tovane {

class FileList;
struct AppSettings;

// Draws the row picture of ImageIndexRole in front of the name.
class FileListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class FileListView : public QObject {
    Q_OBJECT
public:
    // Twips per logical pixel, as the settings keep widths.
    static constexpr int TwipsPerPixel = 15;
    // The smallest width written back for a visible column (the settings
    // refuse anything narrower and would drop every width).
    static constexpr int MinimumStoredTwips = 50;

    // `view` keeps its object name; the engine and settings outlive it.
    FileListView(QTreeView* view, FileList* list, AppSettings* settings, QObject* parent = nullptr);

    QTreeView* view() const { return m_view; }
    FileList* list() const { return m_list; }

    // Widths of the current layout's set, twips -> pixels. A width still at
    // its default is widened to fittingWidth(); one the user set stays.
    void applyColumnWidths();
    // The narrowest width in pixels at which `column` of the current layout
    // shows its longest cell text whole in the list's font (a time, a size
    // of 12 digits, a capacity) and its header; 0 for the other columns.
    int fittingWidth(int column) const;
    // Sets the key columns back to width 0; true when any was wider.
    bool resetHiddenColumns();
    void applyListForm(int form);

    // A label edit of `row` may start: `programStarted` for the menu and F2,
    // false for a slow second click. Unset: no edit starts.
    std::function<bool(int row, bool programStarted)> editStarting;
    // Starts the label edit of `row` when editStarting allows it.
    bool startEdit(int row, bool programStarted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static int modifierBits();
    void storeWidth(int column, int pixels);
    void selectRow(int row);

    QTreeView* m_view;
    FileList* m_list;
    AppSettings* m_settings;
    bool m_applying = false;
    bool m_selecting = false;  // the list itself moves the current row
    bool m_keyDown = false;    // a key is being handled by the view
    QTimer* m_moved = nullptr; // held arrow keys show only where they stop
    QTimer* m_slowClick = nullptr; // a second click on the chosen row, not a double click
    int m_pressRow = -1;
    int m_currentAtPress = -1;
};

// The three count labels below a list; an empty text hides its label. They
// stand side by side and go on a new line where the next does not fit, and
// a label wider than the whole list breaks between words, so a narrow list
// never cuts a count. The owner gives the labels heightForWidth() and lays
// out again on the LayoutRequest a change of lines posts. Object names: lblListCount_w,
// lblSelCount_w, lblCopyCount_w.
class FileListLabels : public QWidget {
    Q_OBJECT
public:
    FileListLabels(FileList* list, QWidget* parent = nullptr);

    QLabel* listLabel() const { return m_labels[0]; }
    QLabel* selectionLabel() const { return m_labels[1]; }
    QLabel* copyTargetLabel() const { return m_labels[2]; }

    void refresh();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Where each label goes at `width` (a null rect: hidden).
    std::array<QRect, 3> placements(int width) const;
    int naturalWidth(int label) const;
    int lineHeight() const;
    void arrange();

    FileList* m_list;
    QLabel* m_labels[3] = {};
    QString m_texts[3];
};

} // namespace tovane
