#include "app/operating.h"

#include "app/browsing.h"
#include "app/dialogd.h"
#include "app/dialogn.h"
#include "app/dialogi.h"
#include "app/dialogt.h"
#include "platform/volumes.h"
#include "app/contentarea.h"
#include "list/widgets/filelistview.h"
#include "list/filelistmodel.h"
#include "fs/pathcheck.h"

#include <QTimer>
#include "app/qtservices.h"
#include "app/toolbar.h"
#include "fs/enumeration.h"
#include "fs/pathrules.h"
#include "ops/serialnaming.h"
#include "platform/filesystem.h"
#include "viewer/displaycategories.h"
#include "fs/namevalidation.h"
#include "ops/renaming.h"
#include "app/mainwindow.h"
#include "app/selecting.h"
#include "app/shortcutting.h"
#include "app/windowpane.h"
#include "core/appsettings.h"
#include "core/mainstate.h"
#include "list/fileimages.h"
#include "list/filelist.h"
#include "tree/treenavigator.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QTreeView>

namespace tovane {

Operating::Operating(MainWindow& window, Browsing& browsing, Selecting& selecting)
    : m_window(window), m_browsing(browsing), m_selecting(selecting),
      m_engine(OperationContext{window.messages(), window.progress(), browsing.volumes(),
                                &browsing.checker(), *this}),
      m_archiver(ArchiverContext{
          window.messages(), window.progress(), *this, &browsing.checker(),
          window.facts().archivers,
          [&window](const QString& title, const QString& prompt, const QString& proposal) {
              const QString answer = DialogT::ask(&window, title, prompt, proposal, true,
                                                  window.dialogEnvironment());
              return answer == DialogT::cancelAnswer() ? QString() : answer;
          },
          [&window] { return window.slideShowRunning && window.slideShowRunning(); },
          {}})
{
}

Operating::~Operating() = default;

void Operating::wireMenus()
{
    MenuBar& menus = m_window.menus();
    auto on = [this, &menus](const char* control, int index, auto handler) {
        if (QAction* a = menus.action(control, index)) {
            QObject::connect(a, &QAction::triggered, &m_window, handler);
            a->setEnabled(true);
        }
    };
    on("mnuFileItem", 4, [this] { m_engine.copyOrMove(m_window.selectedWindow(), false); });
    on("mnuFileItem", 5, [this] { m_engine.copyOrMove(m_window.selectedWindow(), true); });
    on("mnuFileItem", 6, [this] {
        const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
        const int modifiers = (held & Qt::ShiftModifier ? ModifierShift : 0) |
                              (held & Qt::ControlModifier ? ModifierCtrl : 0);
        m_engine.deleteItems(m_window.selectedWindow(), modifiers);
    });
    if (QAction* a = menus.action("mnuFileItem", 11))
        a->setEnabled(true);
    for (int i = 0; i < 8; ++i)
        on("mnuFileAttr", i,
           [this, i] { m_engine.changeAttributes(m_window.selectedWindow(), i); });

    for (int i = 0; i < 3; ++i) {
        if (QAction* a = menus.action("mnuFileFrz", i)) {
            const bool allowed = a->isEnabled();
            QObject::connect(a, &QAction::triggered, &m_window,
                             [this, i] { m_archiver.run(m_window.selectedWindow(), i); });
            a->setEnabled(allowed);
        }
    }
    on("mnuFileArc", 1, [this] { m_archiver.run(m_window.selectedWindow(), KindExtract); });
    on("mnuMake", 0, [this] { newFolder(); });
    on("mnuFileItem", 10, [this] { serialNumbering(); });
    on("mnuFileItem", 9, [this] { renameCurrent(m_window.selectedWindow()); });
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        FileList& list = m_browsing.list(w);
        list.model()->setNamesEditable(true);
        QObject::connect(list.model(), &FileListModel::nameEdited, &m_window,
                         [this, w](int row, const QString& text) { labelEditEnd(w, row, text); });
        if (FileListView* view = m_browsing.listView(w))
            view->editStarting = [this, w](int row, bool programStarted) {
                return labelEditStart(w, row, programStarted);
            };
    }
    on("mnuFileItem", 12, [this] { changeTimes(); });
    on("mnuFileItem", 14, [this] { openSearch(); });

    TreeNavigator& navigator = m_browsing.navigator();
    static const DestinationOperation archiveOperations[4] = {
        DestinationOperation::CompressCab, DestinationOperation::CompressLzh,
        DestinationOperation::CompressZip, DestinationOperation::Extract};
    for (int kind = KindCab; kind <= KindExtract; ++kind) {
        DestinationEntry entry;
        entry.operation = archiveOperations[kind];
        entry.applies = [this, kind](const DestinationContext& c) {
            const ArchiverLibraries& l = m_window.facts().archivers;
            return c.markedItems > 0 &&
                   (kind == KindExtract ? !l.archiveExtensionSet().isEmpty() : l.canCompress(kind));
        };
        entry.start = [this, kind](const DestinationContext& c) {
            m_archiver.run(c.selected, kind, c.destination);
        };
        navigator.registerDestinationEntry(entry);
    }
    for (const bool move : {false, true}) {
        DestinationEntry entry;
        entry.operation = move ? DestinationOperation::Move : DestinationOperation::Copy;
        entry.applies = [this, move](const DestinationContext& c) {
            if (c.copyTargets < 1)
                return false;
            // Moving takes the items away from where they are.
            return !move ||
                   m_browsing.checker().checkWritable(m_window.state().listedPath(c.selected), true,
                                                      QStringLiteral("処理元ドライブの状態"));
        };
        entry.start = [this, move](const DestinationContext& c) {
            m_engine.copyOrMove(c.selected, move, c.destination);
        };
        navigator.registerDestinationEntry(entry);
    }
    m_shortcutting =
        std::make_unique<Shortcutting>(m_window, m_browsing, static_cast<OperationHost&>(*this));
    m_shortcutting->wireMenus();
}

void Operating::newFolder()
{
    const WindowIndex w = m_window.selectedWindow();
    const FileList& list = m_browsing.list(w);
    if (list.showsDriveList())
        return;
    const QString folder = folderPath(w);
    QString proposal = newFolderDefault();
    QString name;
    for (;;) {
        if (askName) {
            name = askName(proposal);
        } else {
            name = DialogT::ask(&m_window, newFolderTitle(), newFolderPrompt(), proposal, true,
                                m_window.dialogEnvironment());
            if (name == DialogT::cancelAnswer())
                name.clear();
        }
        if (name.isEmpty())
            break;
        NameCheckContext names{&m_window.messages(), false};
        if (validateName(names, folder, name, QString(), folderCreateTitle(), NameKindPlain, true,
                         true) == NameValid)
            break;
        proposal = name;
    }
    if (name.isEmpty()) {
        m_window.focusWindow(w);
        return;
    }
    if (m_engine.createFolder(w, name) == StepDone) {
        FileList& l = m_browsing.list(w);
        const int row = l.model()->rowOfName(name);
        if (row >= 0)
            l.setCurrent(row);
        m_window.markForRefresh(w);
    }
    m_window.focusWindow(w);
}

void Operating::renamedInFolder(const QString& folder, const QString& oldName,
                                const QString& newName)
{
    ItemRecord now;
    if (platform::lookupEntry(folder, newName, now) != 0)
        return;
    for (const WindowIndex v : {LeftWindow, RightWindow})
        if (folderPath(v) == folder)
            m_browsing.list(v).addOrUpdateItem(oldName, now);
}

void Operating::openSearch()
{
    const WindowIndex w = m_window.selectedWindow();
    FileList& list = m_browsing.list(w);
    SearchPlace place;
    if (list.showsDriveList()) {
        // Every volume of the list that the tree does not mark as not ready or
        // unread; one mounted inside another is walked once.
        const FolderTreeModel& tree = m_browsing.navigator().model(w);
        QList<std::pair<QString, QString>> volumes;
        for (const platform::VolumeInfo& v : platform::listVolumes()) {
            const FolderTreeModel::Node* node = tree.node(treeKeyOf(v.mountPoint));
            volumes.append({v.mountPoint, node ? node->text : QString()});
        }
        place.roots = volumeSearchRoots(volumes);
        place.shownPlace = ComputerText;
    } else {
        const QString folder = folderPath(w);
        if (m_browsing.checker().checkPath(w, folder, QString(), true) != CheckAvailable)
            return;
        place.roots << folder;
        place.shownPlace = folder;
    }
    const AppSettings& settings = m_window.settings();
    place.kilobytes = m_window.state().settingsOf(w).sizeUnitKB;
    place.extended = m_window.state().extendedMode();
    place.archiveExtensions = m_window.facts().archivers.archiveExtensionSet();
    place.hiddenMask = settings.hiddenAttributeMask();
    place.listFilter = settings.dispExtList[ListFilterList];
    place.columnTwips = settings.searchColumnWidths;
    DialogI dialog(place, m_window.progress(), &m_window);
    dialog.setEnvironment(m_window.dialogEnvironment());
    dialog.exec();
    m_window.settings().searchColumnWidths = dialog.columnTwips();
    if (dialog.jumpFolder().isEmpty()) {
        m_window.focusWindow(w);
        return;
    }
    if (stripSeparator(folderPath(w)) != stripSeparator(dialog.jumpFolder()))
        m_browsing.navigator().jumpToPath(stripSeparator(dialog.jumpFolder()));
    FileList& shown = m_browsing.list(m_window.selectedWindow());
    const int row = shown.model()->rowOfName(dialog.jumpName());
    if (row >= 0)
        shown.setCurrent(row);
    m_window.focusWindow(m_window.selectedWindow());
}

void Operating::renameCurrent(WindowIndex w)
{
    FileList& list = m_browsing.list(w);
    const int row = list.currentRow();
    if (list.showsDriveList() || row < 0 || row >= list.model()->count())
        return;
    ItemRecord r;
    if (platform::lookupEntry(folderPath(w), list.model()->nameAt(row), r) != 0) {
        m_window.markForRefresh(w);
        return;
    }
    if (FileListView* view = m_browsing.listView(w))
        view->startEdit(row, true);
}

bool Operating::labelEditStart(WindowIndex w, int row, bool programStarted)
{
    m_editAccepted = false;
    const FileList& list = m_browsing.list(w);
    MessageService& messages = m_window.messages();
    auto refuse = [&] {
        m_window.activateWindowIndex(w, 0);
        return false;
    };
    if (list.showsDriveList() || m_window.progress().busy() || row < 0 ||
        row >= list.model()->count())
        return refuse();
    if (!programStarted && list.model()->markedCount() > 1)
        return refuse();
    const QString folder = folderPath(w);
    const QString old = list.model()->nameAt(row);
    if (m_browsing.checker().checkPath(w, folder, QString(), true) != CheckAvailable)
        return refuse();
    if (hasInvalidNameCharacter(old)) {
        if (messages.confirmationMessages())
            messages.showMessage(invalidOldNameText(), ButtonsOk, renameTitle());
        return refuse();
    }
    const quint32 bits = (list.model()->rowAt(row).record.attributes |
                          pathAttributes(stripSeparator(folder))) &
                         (AttrReadOnly | AttrHidden | AttrSystem);
    if (bits && !m_renameAccepted[w & 1]) {
        DialogRequest request;
        request.kind = ConfirmItemAttr;
        request.attributeMask = quint16(bits);
        request.text = folder + old;
        request.title = renameTitle();
        const qint16 answer = messages.confirm(request, false);
        ItemRecord r;
        if ((answer != AnswerYes && answer != AnswerYesAll) ||
            platform::lookupEntry(folder, old, r) != 0)
            return refuse();
        m_renameAccepted[w & 1] = true;
    }
    m_oldName = old;
    m_editAccepted = true;
    return true;
}

void Operating::labelEditEnd(WindowIndex w, int row, const QString& text)
{
    if (!m_editAccepted)
        return;
    m_editAccepted = false;
    const QString folder = folderPath(w);
    const QString oldName = m_oldName;
    const QString newName = text.trimmed();
    NameCheckContext names{&m_window.messages(), false};
    const int check = validateName(names, folder, newName, oldName, renameTitle(), NameKindRename,
                                   true, true);
    m_window.pane(w)->list()->setFocus();
    if (check == NameNothingToDo)
        return;
    if (check != NameValid) {
        // Editing starts again on the same entry.
        QTimer::singleShot(0, &m_window, [this, w, row] {
            if (FileListView* view = m_browsing.listView(w))
                view->startEdit(row, true);
        });
        return;
    }
    ItemRecord before;
    platform::lookupEntry(folder, oldName, before);
    const bool isFolder = before.isFolder() && !before.isSymlink;
    if (renameOne(m_window.messages(), folder, oldName, newName, isFolder, renameTitle()) != 0)
        return;
    renamedInFolder(folder, oldName, newName);
    if (isFolder) {
        // A window inside the renamed folder follows it; the trees are read again.
        const QString oldPath = folder + oldName + u'/';
        const QString newPath = folder + newName + u'/';
        for (const WindowIndex v : {LeftWindow, RightWindow}) {
            const QString shown = m_window.state().listedPath(v);
            if (shown.startsWith(oldPath))
                m_browsing.navigator().openFolderFromList(v, newPath + shown.mid(oldPath.size()));
            m_window.markForRefresh(v);
        }
    } else if (extensionOf(oldName).toLower() != extensionOf(newName).toLower()) {
        // Another extension: another picture, and another kind of content.
        m_window.markForRefresh(w);
        if (m_window.content())
            m_window.content()->showCurrent(w, true);
    }
    const int newRow = m_browsing.list(w).model()->rowOfName(newName);
    if (newRow >= 0)
        m_browsing.list(w).setCurrent(newRow);
}

void Operating::serialNumbering()
{
    const WindowIndex w = m_window.selectedWindow();
    FileList& list = m_browsing.list(w);
    if (list.showsDriveList())
        return;
    MessageService& messages = m_window.messages();
    QtProgressService& progress = m_window.progress();
    const QString folder = folderPath(w);
    if (m_browsing.checker().checkPath(w, folder, QString(), true) != CheckAvailable)
        return;
    // The serial-numbering extension list, when it names any, restricts the files.
    const QString extensions = m_window.settings().dispExtList[CategorySerialNumbering];
    QStringList targets, entries;
    bool foldersMarked = false;
    const FileListModel* model = list.model();
    for (int row = 0, n = model->count(); row < n; ++row) {
        const ItemRecord& r = model->rowAt(row).record;
        if (!model->marked(row))
            continue;
        if (r.isFolder()) {
            foldersMarked = true;
            continue;
        }
        const QString e = extensionOf(r.name).toLower();
        if (!extensions.trimmed().isEmpty() && (e.isEmpty() || !extensions.contains(u' ' + e + u',')))
            continue;
        targets.append(r.name);
    }
    if (targets.isEmpty())
        return;
    // Every name of the folder counts, also those the list does not show.
    platform::listFolder(folder, [&](const ItemRecord& r) {
        entries.append(r.name);
        return true;
    });
    if (messages.showMessage(serialConfirmationText(int(targets.size()), foldersMarked),
                             ButtonsOkCancel, serialTitle()) != AnswerYes)
        return;

    BusyScope busy(progress);
    progress.clearInterrupt();
    progress.showProgress(ProgressService::PointerBusy,
                          QStringLiteral("指定選択項目の連番付け中 ") + pathText(w),
                          ProgressService::SetPointer | ProgressService::SetText);
    SerialPlan plan = defaultSerialPlan(targets);
    bool perFile = false, checkFirst = false, planned = false;
    quint32 accepted = 0;
    int k = 0;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        if (progress.pumpEvents())
            break;
        const QString& name = targets[i];
        ItemRecord record;
        if (platform::lookupEntry(folder, name, record) != 0 || record.name != name)
            continue;
        const quint32 bits = (record.attributes | pathAttributes(stripSeparator(folder))) &
                             (AttrReadOnly | AttrHidden | AttrSystem) & ~accepted;
        if (bits) {
            DialogRequest request;
            request.kind = qint16(ConfirmFileAttr + (i + 1 < targets.size() ? ConfirmForAll : 0));
            request.attributeMask = quint16(bits);
            request.text = folder + name;
            request.title = serialTitle();
            const qint16 a = messages.confirm(request, progress.interruptRequested());
            if (a == AnswerYesAll)
                accepted |= bits;
            else if (a == AnswerNo || a == AnswerNoAll)
                continue;
            else if (a != AnswerYes)
                break;
        }
        if (!planned || perFile) {
            DialogN form(plan, targets, entries, k, name, messages, &m_window,
                         m_window.dialogEnvironment());
            form.setPerFile(perFile);
            form.setCheckFirst(checkFirst);
            QAction* stop = m_window.toolbar().button(ToolbarStopButton);
            const bool stopWas = stop && stop->isEnabled();
            if (stop)
                stop->setEnabled(false);
            int answer = DialogN::Cancel;
            if (serialForm) {
                answer = serialForm(form);
            } else {
                form.exec();
                answer = form.answer();
            }
            if (stop)
                stop->setEnabled(stopWas);
            perFile = form.perFile();
            checkFirst = form.checkFirst();
            if (answer == DialogN::Cancel)
                break;
            if (answer == DialogN::Skip)
                continue; // the number stays free for the next file
            plan = form.plan();
            planned = true;
        }
        const QString next = serialName(plan, k, name);
        const int rc = renameOne(messages, folder, name, next, false, serialTitle());
        if (rc == EROFS) {
            messages.showMessage(QStringLiteral("ドライブが書込み禁止なので終了します。"), ButtonsOk,
                                 serialTitle());
            break;
        }
        if (rc != 0)
            continue;
        ++k;
        renamedInFolder(folder, name, next);
    }
    progress.showProgress(ProgressService::PointerDefault, QString(),
                          ProgressService::SetPointer | ProgressService::SetText);
    m_window.focusWindow(w);
}

void Operating::changeTimes()
{
    const WindowIndex w = m_window.selectedWindow();
    if (m_browsing.list(w).showsDriveList())
        return;
    OperationContext context{m_window.messages(), m_window.progress(), m_browsing.volumes(),
                             &m_browsing.checker(), *this};
    TimeChange change(context);
    change.perItem = DialogD::perItem();
    change.form = [this, &change](const QString& path, bool folder,
                                  const platform::FileTimes& current, TimeRequest& request) {
        const int answer = timeForm ? timeForm(path, folder, current, request)
                                    : DialogD::ask(&m_window, path, folder, current, request,
                                                   m_window.messages(),
                                                   m_window.dialogEnvironment());
        // The option ticked in the form counts from the next item on.
        change.perItem = DialogD::perItem();
        return answer;
    };
    change.run(w);
    m_window.focusWindow(w);
}

void Operating::deleteItems(int modifiers)
{
    m_engine.deleteItems(m_window.selectedWindow(), modifiers);
}

// --- OperationHost ---

const FileListModel* Operating::listModel(WindowIndex w) const
{
    return m_browsing.list(w).model();
}

QString Operating::folderPath(WindowIndex w) const
{
    if (m_browsing.list(w).showsDriveList())
        return QString();
    return m_window.state().listedPath(w);
}

bool Operating::twoWindowsShown() const
{
    return m_window.state().twoWindows();
}

bool Operating::allLevels(WindowIndex w) const
{
    return m_window.pane(w)->allLevelsBox()->isChecked();
}

bool Operating::compareSelection(WindowIndex w) const
{
    return m_selecting.marks().compareActive(w);
}

CompareFlags Operating::compareFlags(WindowIndex w) const
{
    return m_selecting.marks().state(w).compareFlags;
}

bool Operating::folderAttributesSettable() const
{
    return m_window.capabilities().attributeChange;
}

quint32 Operating::hiddenMask() const
{
    return m_window.settings().hiddenAttributeMask();
}

QString Operating::listFilterExtensions() const
{
    return m_window.settings().dispExtList[ListFilterList];
}

void Operating::setListHidden(WindowIndex w, bool hidden)
{
    m_window.pane(w)->list()->setVisible(!hidden);
    // Nobody sees the rows meanwhile: they go together at the end.
    m_browsing.list(w).holdRemovals(hidden);
}

void Operating::listEntryRemoved(WindowIndex w, const QString& name, bool isFolder)
{
    m_browsing.list(w).removeListItem(name, isFolder ? 0 : 1);
}

void Operating::listEntryAdded(WindowIndex w, const ItemRecord& record)
{
    if (m_browsing.list(w).addOrUpdateItem(record.name, record))
        m_added[w & 1] = true;
}

void Operating::listEntryUpdated(WindowIndex w, const QString& oldName, const ItemRecord& record)
{
    if (m_browsing.list(w).addOrUpdateItem(oldName, record))
        m_added[w & 1] = true;
}

void Operating::treeNodeRemoved(WindowIndex w, const QString& key)
{
    m_browsing.navigator().model(w).removeNode(key);
}

void Operating::markForRefresh(WindowIndex w)
{
    m_window.markForRefresh(w);
}

void Operating::runFinished(const OperationRun& run)
{
    Q_UNUSED(run);
    DesignatedSelection& marks = m_selecting.marks();
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        FileList& list = m_browsing.list(w);
        m_window.pane(w)->list()->setVisible(true);
        list.holdRemovals(false);
        if (m_added[w & 1]) {
            m_added[w & 1] = false;
            list.sortList(); // the marks' snapshot follows through FileList::sorted
        }
        list.updateSizeTotals();
        if (marks.compareActive(w)) {
            m_selecting.compare().recompareIfActive(w);
        } else {
            // What is still marked is counted again, copy targets included.
            marks.clearSelectionState(w, 2);
            marks.processNewMarks(w);
            marks.publishCounts(w);
        }
    }
}

} // namespace tovane
