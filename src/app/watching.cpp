#include "app/watching.h"

#include "app/browsing.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/mainstate.h"
#include "list/filelist.h"
#include "platform/filesystem.h"
#include "tree/treenavigator.h"

#include <QApplication>
#include <QScrollBar>
#include <QTreeView>

namespace tovane {

Watching::Watching(MainWindow& window, Browsing& browsing) : m_window(window), m_browsing(browsing)
{
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        auto watch = std::make_unique<ListWatch>();
        ListWatch* raw = watch.get();
        raw->mayRefresh = [this] { return mayRefresh(); };
        raw->refresh = [this, w](unsigned changes) { refresh(w, changes); };
        FileList* list = &browsing.list(w);
        // Whatever a fill reads needs no refresh of its own.
        QObject::connect(list, &FileList::fillStarted, raw, [raw] { raw->listRead(); });
        QObject::connect(list, &FileList::fillFinished, raw, [raw, list] {
            if (list->showsDriveList())
                raw->follow(QString());
        });
        m_watches[w == RightWindow ? 1 : 0] = std::move(watch);
    }
    // Watched before the entries are read, so no change falls in between.
    browsing.folderListed = [this](WindowIndex w, const QString& folder) {
        watch(w).follow(folder);
    };
}

Watching::~Watching()
{
    m_browsing.folderListed = nullptr;
}

bool Watching::mayRefresh() const
{
    return m_window.startupFinished() && !m_window.progress().busy() &&
           !m_window.messages().presenting() && !m_window.state().switching() &&
           !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

void Watching::refresh(WindowIndex w, unsigned changes)
{
    Q_UNUSED(changes); // a folder replaced under the same path is read as it is now
    FileList& list = m_browsing.list(w);
    if (list.showsDriveList())
        return;
    const QString folder = m_window.state().listedPath(w);
    ItemRecord record;
    if (platform::statPath(folder, record) != 0 ||
        !(record.isFolder() || (record.isSymlink && record.linkToFolder))) {
        // The window moves to the nearest folder that is still there.
        m_browsing.navigator().refreshWindowPath(w);
        return;
    }
    QTreeView* view = m_window.pane(w)->list();
    const FileListModel* model = list.model();
    const int top = view->indexAt(QPoint(1, 1)).row();
    const QString topName = top >= 0 ? model->nameAt(top) : QString();
    const int vertical = view->verticalScrollBar()->value();
    const int horizontal = view->horizontalScrollBar()->value();
    list.refresh();
    const int row = topName.isEmpty() ? -1 : model->rowOfName(topName);
    if (row >= 0)
        view->scrollTo(model->index(row, 0), QAbstractItemView::PositionAtTop);
    else
        view->verticalScrollBar()->setValue(vertical);
    view->horizontalScrollBar()->setValue(horizontal);
}

} // namespace tovane
