#include "app/selecting.h"

#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/appsettings.h"
#include "core/mainstate.h"
#include "list/filelist.h"
#include "selection/widgets/comparepanel.h"
#include "tree/treerules.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

namespace tovane {

Selecting::Selecting(MainWindow& window, Browsing& browsing)
    : m_window(window), m_browsing(browsing),
      m_marks(SelectionContext{window.settings(), window.messages(), window.progress(), *this}),
      m_compare(SelectionContext{window.settings(), window.messages(), window.progress(), *this},
                m_marks),
      m_conditions(CompareConditions::fromSettings(window.settings()))
{
    m_panel = new ComparePanel(&window);
    m_panel->setObjectName(QStringLiteral("FrameC"));
    m_panel->setConditions(m_conditions);
    QObject::connect(m_panel, &ComparePanel::checkBoxClicked, &window, [this](int) {
        m_window.closeDestinationList();
        m_conditions = m_panel->conditions();
        conditionsChanged(false);
    });
    QObject::connect(m_panel, &ComparePanel::optionButtonClicked, &window, [this](int) {
        m_conditions = m_panel->conditions();
        conditionsChanged(true);
    });

    browsing.markClicked = [this](WindowIndex w, int row, int modifiers) {
        m_marks.markClicked(w, row, modifiers);
    };
    browsing.listFilled = [this](WindowIndex w) { m_compare.listFilled(w); };
    browsing.selectionLoadOf = [this](WindowIndex w) { return selectionLoad(w); };
    browsing.selectionPresentIn = [this](WindowIndex w) { return m_marks.selectionPresent(w); };
    browsing.copyTargetsFor = [this](WindowIndex w, const QString& destination) {
        m_marks.evaluateCopyTargets(w, destination);
        return int(m_marks.counters(w).marked.items);
    };
    browsing.copyTargetCountOf = [this](WindowIndex w) {
        return int(m_marks.counters(w).copyTargets.items);
    };
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        FileList* l = &browsing.list(w);
        QObject::connect(l, &FileList::sorted, &window, [this, w] { m_marks.listSorted(w); });
        QObject::connect(window.pane(w)->allLevelsBox(), &QCheckBox::clicked, &window,
                         [this, w] { allLevelsClicked(w); });
    }
    window.deselectAll = [this] { m_marks.clear(m_window.selectedWindow()); };
    window.chosenFileCount = [this](WindowIndex w) {
        return int(m_marks.counters(w).marked.files);
    };
}

Selecting::~Selecting() = default;

void Selecting::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            QObject::connect(a, &QAction::triggered, &m_window, handler);
            a->setEnabled(true);
        }
    };
    for (const int parent : {1, 2, 3})
        if (QAction* a = menus.action("mnuSetItem", parent))
            a->setEnabled(true);
    if (QAction* a = menus.action("mnuFileItem", 2))
        a->setEnabled(true);
    for (int i = 0; i < 3; ++i) {
        on("mnuFileSel", i, [this, i] {
            confirmUnsavedText(m_window.selectedWindow());
            m_marks.fileSelCommand(m_window.selectedWindow(), i);
        });
        on("mnuSetCmpDate", i, [this, i] {
            m_conditions.setOptionButton(i);
            conditionsChanged(true);
        });
        on("mnuSetCmpSize", i, [this, i] {
            m_conditions.setOptionButton(i + 3);
            conditionsChanged(true);
        });
    }
    on("mnuFileItem", 3, [this] { compareSelect(); });
    for (int i = 0; i < CompareMenuItemCount; ++i) {
        if (CompareConditions::boxOfMenuItem(i) < 0)
            continue;
        on("mnuSetCmp", i, [this, i] {
            m_window.closeDestinationList();
            m_conditions.menuItemClicked(i);
            conditionsChanged(false);
        });
    }
    for (int i = 0; i < 2; ++i) {
        on("mnuSetWndw", i, [this, i] {
            m_window.settings().setSwitch(FlagCompareBoth, i == 0);
            applySettingMenus();
        });
        on("mnuSetProc", i, [this, i] {
            const WindowIndex w = m_window.selectedWindow();
            m_window.pane(w)->allLevelsBox()->setChecked(i == 0);
            allLevelsClicked(w);
        });
    }
    applyConditionMenus();
    applySettingMenus();
}

void Selecting::compareSelect()
{
    m_compare.compareSelect(m_conditions);
}

void Selecting::recompareBoth()
{
    const SelectedPair pair = m_window.state().pair();
    for (int i = 0; i < 2; ++i)
        m_compare.recompareIfActive(pair[i]);
}

SelectionLoad Selecting::selectionLoad(WindowIndex w) const
{
    SelectionLoad load;
    load.allLevels = m_window.pane(w)->allLevelsBox()->isChecked();
    const qint64 items = m_marks.counters(w).marked.items;
    if (m_marks.compareActive(w)) {
        load.compare = true;
        load.comparedItems = items;
    } else if (m_marks.selectionPresent(w)) {
        load.designated = true;
        load.designatedItems = items;
    }
    return load;
}

void Selecting::conditionsChanged(bool optionButton)
{
    m_conditions.writeTo(m_window.settings());
    m_panel->setConditions(m_conditions);
    applyConditionMenus();
    // A new detail renews a running compare selection at once.
    if (optionButton && m_marks.compareActive(m_window.selectedWindow()))
        compareSelect();
}

void Selecting::applyConditionMenus()
{
    MenuBar& menus = m_window.menus();
    for (int i = 0; i < CompareMenuItemCount; ++i) {
        if (QAction* a = menus.action("mnuSetCmp", i)) {
            if (CompareConditions::boxOfMenuItem(i) >= 0)
                a->setChecked(m_conditions.menuItemChecked(i));
            else
                a->setEnabled(m_conditions.menuItemEnabled(i));
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (QAction* a = menus.action("mnuSetCmpDate", i))
            a->setChecked(m_conditions.detailChecked(0, i));
        if (QAction* a = menus.action("mnuSetCmpSize", i))
            a->setChecked(m_conditions.detailChecked(1, i));
    }
}

void Selecting::applySettingMenus()
{
    MenuBar& menus = m_window.menus();
    const bool both = m_window.settings().switchOn(FlagCompareBoth);
    if (QAction* a = menus.action("mnuSetWndw", both ? 0 : 1))
        a->setChecked(true);
    const bool all = m_window.pane(m_window.selectedWindow())->allLevelsBox()->isChecked();
    if (QAction* a = menus.action("mnuSetProc", all ? 0 : 1))
        a->setChecked(true);
}

void Selecting::allLevelsClicked(WindowIndex w)
{
    m_window.settings().setSwitch(FlagCheckBoxA + w, m_window.pane(w)->allLevelsBox()->isChecked());
    if (w == m_window.selectedWindow())
        applySettingMenus();
    FileList& l = m_browsing.list(w);
    if (m_window.settings().switchOn(FlagCountSize) && !l.showsDriveList()) {
        if (m_browsing.navigator().checkPathWithRepair(w, windowPath(w)) != CheckAvailable)
            return;
        m_window.progress().showProgress(ProgressService::PointerBusy,
                                         windowLabel(w) + QStringLiteral("項目数を計算中 "),
                                         ProgressService::SetPointer | ProgressService::SetText);
        l.updateSizeTotals();
        m_marks.publishCounts(w);
        m_window.progress().showProgress(ProgressService::PointerDefault, QString(),
                                         ProgressService::SetPointer | ProgressService::SetText);
    }
}

// --- SelectionHost ---

FileList* Selecting::list(WindowIndex w)
{
    return &m_browsing.list(w);
}

QString Selecting::windowPath(WindowIndex w) const
{
    return m_window.state().listedPath(w);
}

WindowIndex Selecting::selectedWindow() const
{
    return m_window.selectedWindow();
}

bool Selecting::twoWindowsShown() const
{
    return m_window.state().twoWindows();
}

bool Selecting::allLevels(WindowIndex w) const
{
    return m_window.pane(w)->allLevelsBox()->isChecked();
}

bool Selecting::compareBothWindows() const
{
    return m_window.settings().switchOn(FlagCompareBoth);
}

bool Selecting::confirmMessages() const
{
    return m_window.messages().confirmationMessages();
}

bool Selecting::folderAttributesSettable() const
{
    return m_window.capabilities().attributeChange;
}

bool Selecting::sizeTotalsShown() const
{
    return m_window.settings().switchOn(FlagCountSize);
}

QString Selecting::windowLabel(WindowIndex w) const
{
    return m_window.state().windowLabel(w);
}

int Selecting::checkPathWithRepair(WindowIndex w, const QString& path)
{
    return m_browsing.navigator().checkPathWithRepair(w, path);
}

void Selecting::rebuildAndRefill(WindowIndex w)
{
    FolderTrees& trees = m_browsing.navigator().trees();
    const QString path = windowPath(w);
    trees.buildTree(w, trees.treeTopKey(w), path == ComputerText ? QString() : path, true);
}

bool Selecting::confirmUnsavedText(WindowIndex w)
{
    // The question never stops the marks: the text itself stays shown.
    if (m_window.checkUnsaved)
        m_window.checkUnsaved(w);
    return true;
}

void Selecting::makeCurrentRow(WindowIndex w, int row)
{
    m_browsing.list(w).setCurrent(row);
}

void Selecting::setStatusText(const QString& text)
{
    m_window.progress().setStatusText(text);
}

} // namespace tovane
