#pragma once
// The main window: two windows side by side, each with its header label,
// folder tree, file list and content area. The panes are filled by the tree,
// list and viewer subsystems; this class only lays them out.

#include <QMainWindow>
#include <array>

class QLabel;
class QTreeView;
class QFrame;
class QSplitter;

namespace tovane {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const QString& settingsFolder, QWidget* parent = nullptr);

    int selectedWindow() const { return m_selected; }
    void activateWindow(int window);
    QString settingsFolder() const { return m_settingsFolder; }

private:
    struct Pane {
        QFrame* frame = nullptr;
        QLabel* header = nullptr;
        QTreeView* tree = nullptr;
        QTreeView* list = nullptr;
        QFrame* content = nullptr;
    };
    Pane buildPane(int window);
    void colourHeaders();

    QString m_settingsFolder;
    std::array<Pane, 2> m_panes;
    int m_selected = 0;
};

} // namespace tovane
