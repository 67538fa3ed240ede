#pragma once
// One of the two windows of the main window: header label, folder tree, file
// list and content area, with the dividers between them. The pane only lays
// its parts out from the divisions it is given and reports divider drags; the
// proportions themselves are kept by the main state.

#include <QFrame>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QTreeView;

namespace tovane {

class LargeTextView;

// The divider label: a thin strip dragged with the mouse. A press activates
// its window; moves report the pointer offset from the press, the release
// reports the last offset so the new division can be stored.
class DividerLabel : public QFrame {
    Q_OBJECT
public:
    DividerLabel(Qt::Orientation orientation, QWidget* parent);
    Qt::Orientation orientation() const { return m_orientation; }

Q_SIGNALS:
    void pressed();
    void dragged(int offset);
    void released(int offset);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int offsetOf(QMouseEvent* event) const;

    Qt::Orientation m_orientation;
    QPoint m_pressAt;
    bool m_dragging = false;
};

class WindowPane : public QFrame {
    Q_OBJECT
public:
    static constexpr int DividerWidth = 5;

    WindowPane(int window, QWidget* parent);

    int window() const { return m_window; }
    QLabel* header() const { return m_header; }
    QCheckBox* allLevelsBox() const { return m_allLevels; }
    QCheckBox* contentBox() const { return m_contentBox; }
    QTreeView* tree() const { return m_tree; }
    QTreeView* list() const { return m_list; }
    QFrame* contentArea() const { return m_content; }
    QTextEdit* richText() const { return m_richText; }
    QPlainTextEdit* plainText() const { return m_plainText; }
    LargeTextView* largeText() const { return m_largeText; }
    // The text box on display (plain or rich), or null.
    QWidget* textBox() const;
    bool textEditable() const;
    QWidget* picture() const { return m_picture; }
    DividerLabel* treeDivider() const { return m_treeDivider; }
    DividerLabel* contentDivider() const { return m_contentDivider; }
    // The volume status of the window's path and the memory note, in one
    // line along the pane's bottom.
    QLabel* driveStatus() const { return m_driveStatus; }
    QLabel* memoryStatus() const { return m_memoryStatus; }
    void setMemoryText(const QString& text);
    // The count labels, placed right under the list with the height they ask
    // for at the list's width.
    void setListLabels(QWidget* labels);

    // The parts' sizes in pixels. The content area (under the list) is shown
    // only while content display is on for the pane's view slot.
    void setDivisions(int treeWidth, int upperHeight, bool contentShown);
    // The content area takes the whole body of the pane.
    void setContentMaximized(bool on);
    bool contentMaximized() const { return m_contentMaximized; }
    int treeWidth() const { return m_treeWidth; }
    int upperHeight() const { return m_upperHeight; }
    bool contentShown() const { return m_contentShown; }

    // Room the two divisions share: the width beside the tree divider and the
    // height of tree/list and content together.
    int usableWidth() const;
    int usableHeight() const;

    void setHeaderColour(const QColor& colour);

Q_SIGNALS:
    void activated(int window);
    void treeWidthDragged(int window, int width, bool released);
    void upperHeightDragged(int window, int height, bool released);
    void resized(int window);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void fillContentArea(); // every box of the content area over its whole inside
    void layoutParts();
    int bodyTop() const;
    int statusHeight() const;

    int m_window;
    QLabel* m_header = nullptr;
    QCheckBox* m_allLevels = nullptr;
    QCheckBox* m_contentBox = nullptr;
    QTreeView* m_tree = nullptr;
    QTreeView* m_list = nullptr;
    QFrame* m_content = nullptr;
    QTextEdit* m_richText = nullptr;
    QPlainTextEdit* m_plainText = nullptr;
    LargeTextView* m_largeText = nullptr;
    QWidget* m_picture = nullptr;
    DividerLabel* m_treeDivider = nullptr;
    DividerLabel* m_contentDivider = nullptr;
    QLabel* m_driveStatus = nullptr;
    QLabel* m_memoryStatus = nullptr;
    QWidget* m_listLabels = nullptr;
    int m_treeWidth = 200;
    int m_upperHeight = 300;
    bool m_contentShown = false;
    bool m_contentMaximized = false;
    int m_dragStartTree = 0;
    int m_dragStartUpper = 0;
};

} // namespace tovane
