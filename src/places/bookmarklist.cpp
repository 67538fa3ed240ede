#include "places/bookmarklist.h"

#include "core/messageservice.h"

namespace tovane {

namespace {

const QString CrLf2 = QStringLiteral("\r\n\r\n");

QString fullWidthDigits(int n)
{
    QString text = QString::number(n);
    for (QChar& c : text)
        c = QChar(c.unicode() - u'0' + u'０');
    return text;
}

} // namespace

QString bookmarkPathOf(const QString& displayPath)
{
    if (displayPath.size() > 1 && displayPath.endsWith(u'/'))
        return displayPath.left(displayPath.size() - 1);
    return displayPath;
}

QString bookmarkLimitText()
{
    return QStringLiteral("これ以上は追加できません。") + CrLf2 +
           QStringLiteral("（ 登録個数の上限は") + fullWidthDigits(MaxBookmarks) +
           QStringLiteral("です。 ）") + CrLf2;
}

QString bookmarkDuplicateText()
{
    return QStringLiteral("このフルパス名は登録済みです。");
}

QString bookmarkEmptyText()
{
    return QStringLiteral("リストに項目がありません。") + CrLf2;
}

QString bookmarkNotSelectedText()
{
    return QStringLiteral("フルパス名が選択されていません。") + CrLf2;
}

QString bookmarkDeleteText(const QString& path)
{
    return path + CrLf2 + QStringLiteral("を削除します。") + CrLf2;
}

QString bookmarkClearText()
{
    return QStringLiteral("フルパス名項目をクリアします。") + CrLf2;
}

QString commentTitle()
{
    return QStringLiteral("コメント入力");
}

QString commentPrompt()
{
    return QStringLiteral("選択窓の表示パスをブックマークリストに登録します。\r\n"
                          "このパスのコメントを入力してください。\r\n"
                          "（ 全角換算で２０文字以内、スペースも可。 ）");
}

QString commentProposal()
{
    return QStringLiteral("　");
}

BookmarkList::BookmarkList(const QList<Bookmark>& rows, MessageService& messages)
    : m_rows(rows.mid(0, MaxBookmarks)), m_messages(messages)
{
}

int BookmarkList::add(const QString& displayPath, const CommentAsk& ask)
{
    if (m_rows.size() >= MaxBookmarks) {
        m_messages.showMessage(bookmarkLimitText());
        return -1;
    }
    const QString path = bookmarkPathOf(displayPath);
    for (qsizetype i = m_rows.size() - 1; i >= 0; --i) {
        if (m_rows[i].path == path) {
            m_messages.showMessage(bookmarkDuplicateText());
            return -1;
        }
    }
    const QString comment =
        ask ? ask(commentTitle(), commentPrompt(), commentProposal()) : QString();
    if (comment.isEmpty())
        return -1;
    m_rows.append({path, comment});
    return int(m_rows.size()) - 1;
}

bool BookmarkList::remove(int row, bool clicked)
{
    if (m_rows.isEmpty()) {
        m_messages.showMessage(bookmarkEmptyText());
        return false;
    }
    if (!clicked || row < 0 || row >= m_rows.size()) {
        m_messages.showMessage(bookmarkNotSelectedText());
        return false;
    }
    if (!askOk(bookmarkDeleteText(m_rows[row].path), QStringLiteral("削除確認")))
        return false;
    m_rows.removeAt(row);
    return true;
}

bool BookmarkList::clear()
{
    if (m_rows.isEmpty()) {
        m_messages.showMessage(bookmarkEmptyText());
        return false;
    }
    if (!askOk(bookmarkClearText(), QStringLiteral("初期化確認")))
        return false;
    m_rows.clear();
    return true;
}

bool BookmarkList::askOk(const QString& text, const QString& title)
{
    int answer = MsgCancel;
    m_messages.showMessage(text, ButtonsOkCancel, title, true, answer);
    return answer == MsgOk;
}

} // namespace tovane
