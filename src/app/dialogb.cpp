#include "app/dialogb.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace tovane {

PlaceDialogForm DialogB::form()
{
    PlaceDialogForm f;
    f.objectName = QStringLiteral("DialogB");
    f.caption = QStringLiteral("ブックマーク");
    f.columns = {QStringLiteral("フルパス名"), QStringLiteral("コメント")};
    f.columnTwips[0] = 4000;
    f.columnTwips[1] = 2800;
    f.positionSlot = 9;
    f.heightSlot = 8;
    f.widthSlot = 9;
    f.minimumHeightTwips = 4000;
    f.designedTwips = QSize(8400, 5400);
    return f;
}

DialogB::DialogB(BookmarkList& bookmarks, const QString& displayPath, CommentAsk askComment,
                 PlaceChoice& choice, const DialogEnvironment& env, QWidget* parent)
    : PlaceDialog(form(), choice, env, parent), m_bookmarks(bookmarks), m_displayPath(displayPath),
      m_askComment(std::move(askComment))
{
    static const char* const captions[3] = {"パス追加", "パス削除", "初期化"};
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        m_buttons[i]->setObjectName(QStringLiteral("Command%1").arg(i + 2));
        m_buttons[i]->setAutoDefault(false);
        // Before the close button, which stays last.
        buttonRow()->insertWidget(buttonRow()->count() - 1, m_buttons[i]);
    }
    connect(m_buttons[0], &QPushButton::clicked, this, &DialogB::addPath);
    connect(m_buttons[1], &QPushButton::clicked, this, &DialogB::deletePath);
    connect(m_buttons[2], &QPushButton::clicked, this, &DialogB::clearPaths);
    QList<QPair<QString, QString>> rows;
    for (const Bookmark& b : bookmarks.rows())
        rows.append({b.path, b.comment});
    fill(rows, true);
}

void DialogB::showRows()
{
    const int row = currentRow();
    QList<QPair<QString, QString>> rows;
    for (const Bookmark& b : m_bookmarks.rows())
        rows.append({b.path, b.comment});
    fill(rows, false, std::min(row, int(rows.size()) - 1));
}

void DialogB::addPath()
{
    if (m_bookmarks.add(m_displayPath, m_askComment) >= 0)
        showRows();
}

void DialogB::deletePath()
{
    if (m_bookmarks.remove(currentRow(), pick().armed())) {
        pick().disarm();
        showRows();
    }
}

void DialogB::clearPaths()
{
    if (m_bookmarks.clear()) {
        pick().disarm();
        showRows();
    }
}

} // namespace tovane
