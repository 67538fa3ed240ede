#pragma once
// The rows of the bookmark dialog and its add, delete and clear commands.
// The rows are a working copy: the caller writes them back to the store when
// the dialog unloads, so every change survives however the dialog closes.

#include "core/appsettings.h"

#include <QList>
#include <QString>

#include <functional>

namespace tovane {

class MessageService;

// The comment box: the answer as typed, or "" when nothing is to be added
// (Cancel included).
using CommentAsk =
    std::function<QString(const QString& title, const QString& prompt, const QString& proposal)>;

class BookmarkList {
public:
    BookmarkList(const QList<Bookmark>& rows, MessageService& messages);

    const QList<Bookmark>& rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }

    // パス追加 of the selected window's display path: the row added, or -1.
    int add(const QString& displayPath, const CommentAsk& ask);
    // パス削除 of `row`; `clicked`: a row was clicked since the dialog
    // loaded or since the last delete or clear. True when it was removed.
    bool remove(int row, bool clicked);
    // 初期化. True when the rows were cleared.
    bool clear();

private:
    bool askOk(const QString& text, const QString& title);

    QList<Bookmark> m_rows;
    MessageService& m_messages;
};

// The bookmark of a display path: without its trailing "/", except the root,
// which would become empty.
QString bookmarkPathOf(const QString& displayPath);

QString bookmarkLimitText();
QString bookmarkDuplicateText();
QString bookmarkEmptyText();
QString bookmarkNotSelectedText();
QString bookmarkDeleteText(const QString& path);
QString bookmarkClearText();
QString commentTitle();
QString commentPrompt();
QString commentProposal();

} // namespace tovane
