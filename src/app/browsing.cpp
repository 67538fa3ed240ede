#include "app/browsing.h"

#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/appsettings.h"
#include "core/mainstate.h"
#include "fs/pathrules.h"
#include "list/widgets/filelistview.h"
#include "platform/names.h"
#include "tree/treerules.h"
#include "tree/widgets/destinationlistwidget.h"
#include "tree/widgets/treeviewadapter.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QTreeView>

namespace tovane {

namespace {

int heldModifiers()
{
    const Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    return (m & Qt::ShiftModifier ? ModifierShift : 0) |
           (m & Qt::ControlModifier ? ModifierCtrl : 0);
}

QString withSeparator(const QString& path)
{
    if (path.isEmpty() || path == ComputerText || path.endsWith(u'/'))
        return path;
    return path + u'/';
}

} // namespace

// The list's requests of one window.
class Browsing::ListSide : public ListHost {
public:
    ListSide(Browsing& owner, WindowIndex w) : m_owner(owner), m_w(w) {}

    bool prepareFill(WindowIndex w) override
    {
        return m_owner.prepareFill ? m_owner.prepareFill(w) : true;
    }
    void folderListed(WindowIndex w, const QString& folder) override
    {
        m_owner.m_navigator.updateDriveStatus(w, folder);
        if (m_owner.folderListed)
            m_owner.folderListed(w, folder);
    }
    void listFilled(WindowIndex w) override
    {
        if (m_owner.listFilled)
            m_owner.listFilled(w);
    }
    void openFolder(WindowIndex w, const QString& path) override
    {
        m_owner.m_navigator.openFolderFromList(w, path);
    }
    void openFile(WindowIndex w, const QString& path) override
    {
        if (m_owner.launchFile)
            m_owner.launchFile(w, path);
    }
    void driveChosen(WindowIndex w, const QString& mountPoint) override
    {
        FolderTreeModel& model = m_owner.m_navigator.model(w);
        const QString key = treeKeyOf(mountPoint);
        if (model.select(key))
            model.ensureVisible(key);
    }
    void activateWindow(WindowIndex w) override { m_owner.m_window.activateWindowIndex(w, 0); }
    void showContent(WindowIndex w, int itemNumber, bool force) override
    {
        if (m_owner.showContent)
            m_owner.showContent(w, itemNumber, force);
    }
    void markClicked(WindowIndex w, int row, int modifiers) override
    {
        if (m_owner.markClicked)
            m_owner.markClicked(w, row, modifiers);
    }
    void removeTreeNode(WindowIndex w, const QString& key) override
    {
        m_owner.m_navigator.model(w).removeNode(key);
    }
    void hiddenMaskChanged(quint32 mask) override { m_owner.hiddenMaskChanged(mask); }
    int modifiers() const override { return heldModifiers(); }

private:
    Browsing& m_owner;
    WindowIndex m_w;
};

Browsing::Browsing(MainWindow& window)
    : m_window(window), m_checker(CheckContext{window.messages(), window.progress(), m_volumes,
                                               window.facts().captionText,
                                               [&window] { return window.selectedWindow(); }}),
      m_navigator(TreeServices{window.messages(), window.progress(), m_volumes, m_checker, *this,
                               [this] { m_volumes.refresh(); },
                               [this] { m_volumes.forgetVanished(); }})
{
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = WindowIndex(i);
        WindowPane* pane = window.pane(w);
        m_sides[i] = std::make_unique<ListSide>(*this, w);
        m_lists[i] = std::make_unique<FileList>(w, ListContext{window.state(),
                                                               window.settings(),
                                                               window.messages(),
                                                               window.progress(),
                                                               m_volumes,
                                                               &m_checker,
                                                               *m_sides[i],
                                                               {}});
        m_lists[i]->loadViewSlot(window.state().settingsOf(w));
        m_treeAdapters[i] = new TreeViewAdapter(pane->tree(), m_navigator, w, pane);
        m_listViews[i] = new FileListView(pane->list(), m_lists[i].get(), &window.settings(), pane);
        m_labels[i] = new FileListLabels(m_lists[i].get(), pane);
        pane->setListLabels(m_labels[i]);
        QObject::connect(m_lists[i].get(), &FileList::memoryLabelChanged, pane,
                         [pane](const QString& text) { pane->setMemoryText(text); });
    }
    m_navigator.trees().setHiddenMask(window.settings().hiddenAttributeMask());
    m_destinationList = new DestinationListWidget(&window);
    m_destinationList->setObjectName(QStringLiteral("ListF"));
    m_destinationList->hide();
    QObject::connect(m_destinationList, &DestinationListWidget::entryChosen, &window,
                     [this](int row) { m_navigator.destinationChosen(row); });
}

Browsing::~Browsing() = default;

bool Browsing::startupCheck(const QString& path, QString& fallback)
{
    if (path == ComputerText || path == ComputerKey)
        return true;
    const int code = m_checker.checkPath(LeftWindow, path, QString(), false);
    if (code == CheckAvailable)
        return true;
    fallback = m_checker.fallbackPath(LeftWindow);
    return false;
}

void Browsing::buildTrees()
{
    MainState& state = m_window.state();
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = state.pair()[i];
        const QString top = state.treeTop(w);
        const QString path = state.listedPath(w);
        m_navigator.trees().buildTree(w, top.isEmpty() ? ComputerKey : top,
                                      path == ComputerText ? QString() : path, true);
    }
}

void Browsing::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            QObject::connect(a, &QAction::triggered, &m_window, handler);
            a->setEnabled(true);
        }
    };
    auto selected = [this]() -> FileList& { return list(m_window.selectedWindow()); };
    for (int i = 0; i < 3; ++i)
        on("mnuDispTree", i, [this, i] { m_navigator.changeDisplayMode(i); });
    for (const int item : {0, 1, 2, 3, 4, 5, 6})
        if (QAction* a = menus.action("mnuDispItem", item))
            a->setEnabled(true);
    on("mnuDispItem", 18, [this] { m_navigator.refreshWindowPath(m_window.selectedWindow()); });
    for (int i = 0; i < 2; ++i) {
        on("mnuListView", i, [this, i, selected] {
            selected().setListForm(i);
            m_window.state().settingsOf(m_window.selectedWindow()).listForm = i;
            m_listViews[slot(m_window.selectedWindow())]->applyListForm(i);
        });
        on("mnuDispUnit", i, [this, i, selected] {
            selected().setSizeUnit(i == 1);
            m_window.state().settingsOf(m_window.selectedWindow()).sizeUnitKB = i == 1;
        });
        on("mnuDispDigit", i, [this, i, selected] {
            selected().setDriveDigits(i == 1);
            m_window.state().settingsOf(m_window.selectedWindow()).driveDigitsSix = i == 1;
        });
        on("mnuDispSize", i, [this, i] {
            FileList::setShowSizeTotals({m_lists[0].get(), m_lists[1].get()}, i == 0);
        });
        on("mnuDispFldrSz", i, [this, i] {
            FileList::setShowFolderSizes({m_lists[0].get(), m_lists[1].get()}, i == 0);
        });
    }
    for (int i = 0; i < 4; ++i)
        on("mnuNDispAttr", i,
           [this, i] { FileList::toggleHiddenAttribute(m_window.settings(), *m_sides[0], i); });
    applyMenuChecks();
}

void Browsing::openChosenFiles(WindowIndex w)
{
    FileList& l = list(w);
    const FileListModel* m = l.model();
    QList<int> rows;
    for (int row = 0, n = m->count(); row < n; ++row) {
        if (m->marked(row) && !m->isFolderRow(row))
            rows.append(row);
    }
    for (int row : std::as_const(rows))
        l.itemDoubleClicked(row);
}

void Browsing::openCurrentRow(WindowIndex w)
{
    FileList& l = list(w);
    if (l.showsDriveList()) {
        if (l.currentRow() >= 0)
            l.itemClicked(l.currentRow(), 0);
        return;
    }
    l.itemDoubleClicked(l.currentRow());
}

void Browsing::openParentFolder(WindowIndex w)
{
    const QString folder = stripSeparator(m_window.state().listedPath(w));
    if (list(w).showsDriveList() || isRootPath(folder) || !folder.startsWith(u'/'))
        return;
    const QString parent = stripSeparator(parentOf(folder));
    if (m_navigator.openFolderFromList(w, parent) != 0)
        return;
    // Where the user came from stays in sight.
    const int row = list(w).model()->rowOfName(fileNameOf(folder));
    if (row >= 0)
        list(w).setCurrent(row);
}

void Browsing::toggleListForm()
{
    const int other = list(m_window.selectedWindow()).listForm() == ListFormList ? 1 : 0;
    if (QAction* a = m_window.menus().action("mnuListView", other))
        a->trigger();
}

void Browsing::clickCurrentRow(WindowIndex w)
{
    QWidget* view = m_window.pane(w)->list();
    if (!view->isVisible() || !view->isEnabled())
        return;
    view->setFocus();
    FileList& l = list(w);
    if (l.currentRow() < 0 && l.model()->count() > 0)
        l.setCurrent(0);
    if (l.currentRow() >= 0)
        l.itemClicked(l.currentRow(), 0);
}

void Browsing::applyMenuChecks()
{
    MenuBar& menus = m_window.menus();
    auto check = [&menus](const char* control, int index, bool on) {
        if (QAction* a = menus.action(control, index))
            a->setChecked(on);
    };
    const FileList& l = list(m_window.selectedWindow());
    check("mnuListView", l.listForm() == ListFormList ? 0 : 1, true);
    check("mnuDispUnit", l.sizeUnitKB() ? 1 : 0, true);
    check("mnuDispDigit", l.driveDigitsSix() ? 1 : 0, true);
    const AppSettings& s = m_window.settings();
    check("mnuDispSize", s.switchOn(FlagCountSize) ? 0 : 1, true);
    check("mnuDispFldrSz", s.switchOn(FlagFolderSize) ? 0 : 1, true);
    applyHiddenMaskChecks();
}

void Browsing::applyHiddenMaskChecks()
{
    const quint32 mask = m_window.settings().hiddenAttributeMask();
    static const quint32 bits[4] = {AttrReadOnly, AttrHidden, AttrSystem, AttrCompressed};
    for (int i = 0; i < 4; ++i)
        if (QAction* a = m_window.menus().action("mnuNDispAttr", i))
            a->setChecked(mask & bits[i]);
}

void Browsing::hiddenMaskChanged(quint32 mask)
{
    m_navigator.trees().setHiddenMask(mask);
    applyHiddenMaskChecks();
    MainState& state = m_window.state();
    for (int i = 0; i < 2; ++i) {
        const WindowIndex w = state.pair()[i];
        const QString path = currentPath(w);
        m_navigator.trees().buildTree(w, m_navigator.trees().treeTopKey(w),
                                      path == ComputerText ? QString() : path, true);
    }
}

// --- TreeHost ---

int Browsing::fillList(WindowIndex w, const QString& path)
{
    return list(w).fill(path);
}

QString Browsing::currentPath(WindowIndex w) const
{
    return withSeparator(m_window.state().listedPath(w));
}

void Browsing::setCurrentPath(WindowIndex w, const QString& path)
{
    m_window.setWindowPath(w, path);
    m_window.state().setTreeTop(w, m_navigator.trees().treeTopKey(w));
    if (path == ComputerText)
        m_window.pane(w)->driveStatus()->clear();
}

WindowIndex Browsing::selectedWindow() const
{
    return m_window.selectedWindow();
}

bool Browsing::twoWindows() const
{
    return m_window.state().twoWindows();
}

void Browsing::activateWindow(WindowIndex w)
{
    m_window.activateWindowIndex(w, 0);
}

void Browsing::focusWindow(WindowIndex w)
{
    m_window.focusWindow(w);
}

int Browsing::modifierState() const
{
    return heldModifiers();
}

void Browsing::setDriveStatusText(WindowIndex w, const QString& text)
{
    m_window.pane(w)->driveStatus()->setText(text);
}

SelectionLoad Browsing::selectionLoad(WindowIndex w) const
{
    return selectionLoadOf ? selectionLoadOf(w) : SelectionLoad{};
}

bool Browsing::selectionPresent(WindowIndex w) const
{
    return selectionPresentIn ? selectionPresentIn(w) : false;
}

int Browsing::renewCopyTargets(WindowIndex selected, const QString& destination)
{
    return copyTargetsFor ? copyTargetsFor(selected, destination) : 0;
}

int Browsing::copyTargetCount(WindowIndex selected) const
{
    return copyTargetCountOf ? copyTargetCountOf(selected) : 0;
}

void Browsing::showDestinationList(const DestinationListView& view)
{
    m_destinationList->showFor(view, m_window.pane(view.treeWindow)->tree());
}

void Browsing::closeDestinationList()
{
    m_destinationList->hide();
    m_window.statusPanel(1)->clear();
}

void Browsing::setDestinationText(const QString& shown)
{
    m_window.statusPanel(1)->setText(shown);
}

} // namespace tovane
