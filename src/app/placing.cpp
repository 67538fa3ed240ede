#include "app/placing.h"

#include "app/browsing.h"
#include "app/dialogb.h"
#include "app/dialogf.h"
#include "app/dialogt.h"
#include "app/mainwindow.h"
#include "tree/treenavigator.h"

#include <QAction>

namespace tovane {

Placing::Placing(MainWindow& window, Browsing& browsing) : m_window(window), m_browsing(browsing) {}

void Placing::wireMenus()
{
    MenuBar& menus = m_window.menus();
    if (QAction* a = menus.action("mnuHelpItem", 0))
        QObject::connect(a, &QAction::triggered, &m_window, [this] { specialFolders(); });
    if (QAction* a = menus.action("mnuHelpItem", 1)) {
        QObject::connect(a, &QAction::triggered, &m_window, [this] { bookmarks(); });
        a->setEnabled(true);
    }
    // Wired after the list's own handler, so the mask is already toggled.
    for (int i = 0; i < 4; ++i)
        if (QAction* a = menus.action("mnuNDispAttr", i))
            QObject::connect(a, &QAction::triggered, &m_window,
                             [this] { updateSpecialFolderItem(); });
    updateSpecialFolderItem();
}

void Placing::updateSpecialFolderItem()
{
    if (QAction* a = m_window.menus().action("mnuHelpItem", 0))
        a->setEnabled(m_window.settings().hiddenAttributeMask() == 0);
}

void Placing::specialFolders()
{
    if (m_window.settings().hiddenAttributeMask() != 0)
        return;
    DialogF dialog(specialFolderRows(lookup), m_choice, m_window.dialogEnvironment(), &m_window);
    run(dialog);
    jump();
}

void Placing::bookmarks()
{
    CommentAsk ask = askComment;
    if (!ask) {
        ask = [this](const QString& title, const QString& prompt, const QString& proposal) {
            const QString answer = DialogT::ask(&m_window, title, prompt, proposal, true,
                                                m_window.dialogEnvironment());
            return answer == DialogT::cancelAnswer() ? QString() : answer;
        };
    }
    const WindowIndex w = m_window.selectedWindow();
    BookmarkList list(m_window.settings().bookmarks, m_window.messages());
    {
        DialogB dialog(list, m_window.state().listedPath(w), ask, m_choice,
                       m_window.dialogEnvironment(), &m_window);
        run(dialog);
    }
    // However the dialog closed, what was done in it stays.
    m_window.settings().bookmarks = list.rows();
    jump();
}

void Placing::run(PlaceDialog& dialog)
{
    if (form)
        form(dialog);
    else
        dialog.exec();
}

void Placing::jump()
{
    if (m_choice.accepted())
        m_browsing.navigator().jumpToPath(m_choice.path);
    m_window.focusWindow(m_window.selectedWindow());
}

} // namespace tovane
