#include "app/mainwindow.h"

#include "platform/system.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace tovane {

namespace {
// Header colours are kept as 0x00BBGGRR values like the stored settings.
QColor fromBgr(unsigned bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
constexpr unsigned SelectedLeftColour = 0x60FFFF;
constexpr unsigned SelectedRightColour = 0xFFFF80;
constexpr unsigned OppositeColour = 0xFFFFFF;
} // namespace

MainWindow::MainWindow(const QString& settingsFolder, QWidget* parent)
    : QMainWindow(parent), m_settingsFolder(settingsFolder)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tovane　Ver. ") + QStringLiteral(TOVANE_VERSION));

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(4);
    for (int w = 0; w < 2; ++w) {
        m_panes[w] = buildPane(w);
        row->addWidget(m_panes[w].frame, 1);
    }
    setCentralWidget(central);

    // The full menu bar, toolbar and status panels are built with the main
    // window's commands; until then the top-level menus mark where they go.
    for (const char* title : {"ファイル(&F)", "表 示(&V)", "編 集(&E)", "設 定(&S)", "ウィンドウ(&W)",
                              "ヘルプ(&H)"})
        menuBar()->addMenu(QString::fromUtf8(title))->setEnabled(false);

    statusBar()->showMessage(QStringLiteral("設定フォルダ: ") + m_settingsFolder);
    colourHeaders();
    resize(1200, 760);
}

MainWindow::Pane MainWindow::buildPane(int w)
{
    Pane p;
    const QString suffix = QLatin1Char('_') + QString::number(w);
    p.frame = new QFrame(this);
    p.frame->setObjectName(QStringLiteral("Frame") + suffix);
    p.frame->setFrameShape(QFrame::StyledPanel);
    auto* col = new QVBoxLayout(p.frame);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);

    p.header = new QLabel(p.frame);
    p.header->setObjectName(QStringLiteral("lblP") + suffix);
    p.header->setText(platform::homeFolder());
    p.header->setAutoFillBackground(true);
    p.header->setMargin(3);
    col->addWidget(p.header);

    auto* split = new QSplitter(Qt::Horizontal, p.frame);
    p.tree = new QTreeView(split);
    p.tree->setObjectName(QStringLiteral("TreeView") + suffix);
    p.tree->setHeaderHidden(true);
    auto* right = new QSplitter(Qt::Vertical, split);
    p.list = new QTreeView(right);
    p.list->setObjectName(QStringLiteral("lvwFiles") + suffix);
    p.list->setUniformRowHeights(true);
    p.list->setRootIsDecorated(false);
    p.content = new QFrame(right);
    p.content->setObjectName(QStringLiteral("txtContents") + suffix);
    p.content->setFrameShape(QFrame::StyledPanel);
    split->setStretchFactor(0, 35);
    split->setStretchFactor(1, 65);
    right->setStretchFactor(0, 70);
    right->setStretchFactor(1, 30);
    col->addWidget(split, 1);
    return p;
}

void MainWindow::activateWindow(int window)
{
    if (window != 0 && window != 1)
        return;
    m_selected = window;
    colourHeaders();
}

void MainWindow::colourHeaders()
{
    for (int w = 0; w < 2; ++w) {
        const unsigned bgr = (w != m_selected) ? OppositeColour
                             : (w == 0 ? SelectedLeftColour : SelectedRightColour);
        QPalette pal = m_panes[w].header->palette();
        pal.setColor(QPalette::Window, fromBgr(bgr));
        pal.setColor(QPalette::WindowText, Qt::black);
        m_panes[w].header->setPalette(pal);
    }
}

} // namespace tovane
