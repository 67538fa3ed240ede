// The bookmark rows: the limit, the duplicate check, the comment box, and
// the delete and clear questions.

#include "core/scriptedservices.h"
#include "places/bookmarklist.h"

#include <QtTest>

using namespace tovane;

namespace {

QList<Bookmark> numbered(int n)
{
    QList<Bookmark> rows;
    for (int i = 0; i < n; ++i)
        rows.append({QStringLiteral("/b/%1").arg(i), QStringLiteral("c%1").arg(i)});
    return rows;
}

QStringList pathsOf(const QList<Bookmark>& rows)
{
    QStringList out;
    for (const Bookmark& b : rows)
        out << b.path;
    return out;
}

} // namespace

class BookmarkListTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void add_data()
    {
        QTest::addColumn<QStringList>("existing"); // paths; "#n" stands for n numbered rows
        QTest::addColumn<QString>("displayPath");
        QTest::addColumn<QString>("typed"); // the comment box's answer ("" also for Cancel)
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("message");   // shown, or empty
        QTest::addColumn<QString>("addedPath"); // empty: nothing added
        QTest::addColumn<QString>("addedComment");

        const QString limit = QStringLiteral(
            "これ以上は追加できません。\r\n\r\n（ 登録個数の上限は５０です。 ）\r\n\r\n");
        const QString duplicate = QStringLiteral("このフルパス名は登録済みです。");
        QTest::newRow("50th accepted") << QStringList{"#49"} << "/x/y/"
                                       << "c" << true << QString() << "/x/y"
                                       << "c";
        QTest::newRow("51st refused") << QStringList{"#50"} << "/x/y/"
                                      << "c" << false << limit << QString() << QString();
        QTest::newRow("duplicate, last row") << QStringList{"/a", "/x/y"} << "/x/y/"
                                             << "c" << false << duplicate << QString() << QString();
        QTest::newRow("duplicate, first row")
            << QStringList{"/x/y", "/a", "/b"} << "/x/y/"
            << "c" << false << duplicate << QString() << QString();
        QTest::newRow("other letter case accepted") << QStringList{"/x/Y"} << "/x/y/"
                                                    << "c" << true << QString() << "/x/y"
                                                    << "c";
        QTest::newRow("prefix is no duplicate") << QStringList{"/x/y/z"} << "/x/y/"
                                                << "c" << true << QString() << "/x/y"
                                                << "c";
        QTest::newRow("cancelled") << QStringList() << "/x/y/"
                                   << "" << true << QString() << QString() << QString();
        QTest::newRow("full-width space kept") << QStringList() << "/x/y/"
                                               << "　" << true << QString() << "/x/y"
                                               << "　";
        QTest::newRow("comment as typed") << QStringList() << "/x/y/"
                                          << " 仕事 / 2 " << true << QString() << "/x/y"
                                          << " 仕事 / 2 ";
        QTest::newRow("root stays /") << QStringList() << "/"
                                      << "r" << true << QString() << "/"
                                      << "r";
        QTest::newRow("root twice") << QStringList{"/"} << "/"
                                    << "r" << false << duplicate << QString() << QString();
    }
    void add()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, displayPath);
        QFETCH(QString, typed);
        QFETCH(bool, asked);
        QFETCH(QString, message);
        QFETCH(QString, addedPath);
        QFETCH(QString, addedComment);
        QList<Bookmark> rows;
        for (const QString& e : existing)
            rows += e.startsWith(u'#') ? numbered(e.mid(1).toInt()) : QList<Bookmark>{{e, "k"}};
        ScriptedMessageService messages;
        BookmarkList list(rows, messages);
        QStringList prompts;
        const int added = list.add(
            displayPath, [&](const QString& title, const QString& prompt, const QString& proposal) {
                prompts << title << prompt << proposal;
                return typed;
            });
        QCOMPARE(!prompts.isEmpty(), asked);
        if (asked)
            QCOMPARE(prompts, (QStringList{QStringLiteral("コメント入力"),
                                           QStringLiteral(
                                               "選択窓の表示パスをブックマークリストに登録します。"
                                               "\r\nこのパスのコメントを入力してください。\r\n"
                                               "（ 全角換算で２０文字以内、スペースも可。 ）"),
                                           QStringLiteral("　")}));
        QCOMPARE(messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (addedPath.isEmpty()) {
            QCOMPARE(added, -1);
            QCOMPARE(list.rows(), rows);
        } else {
            QCOMPARE(added, int(rows.size()));
            QCOMPARE(list.count(), int(rows.size()) + 1);
            QCOMPARE(list.rows().last(), (Bookmark{addedPath, addedComment}));
        }
    }

    void removeAndClear_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("clearAll"); // 初期化, else パス削除 of row 1
        QTest::addColumn<bool>("clicked");
        QTest::addColumn<int>("answer"); // scripted answer code of the question
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title"); // empty: information, no question
        QTest::addColumn<QStringList>("left");

        const QString empty = QStringLiteral("リストに項目がありません。\r\n\r\n");
        QTest::newRow("delete, empty list")
            << 0 << false << true << int(AnswerYes) << empty << QString() << QStringList();
        QTest::newRow("delete, no row clicked")
            << 3 << false << false << int(AnswerYes)
            << QStringLiteral("フルパス名が選択されていません。\r\n\r\n") << QString()
            << QStringList{"/b/0", "/b/1", "/b/2"};
        QTest::newRow("delete, OK") << 3 << false << true << int(AnswerYes)
                                    << QStringLiteral("/b/1\r\n\r\nを削除します。\r\n\r\n")
                                    << QStringLiteral("削除確認") << QStringList{"/b/0", "/b/2"};
        QTest::newRow("delete, cancelled")
            << 3 << false << true << int(AnswerCancel)
            << QStringLiteral("/b/1\r\n\r\nを削除します。\r\n\r\n") << QStringLiteral("削除確認")
            << QStringList{"/b/0", "/b/1", "/b/2"};
        QTest::newRow("clear, empty list")
            << 0 << true << false << int(AnswerYes) << empty << QString() << QStringList();
        QTest::newRow("clear, OK without a click")
            << 2 << true << false << int(AnswerYes)
            << QStringLiteral("フルパス名項目をクリアします。\r\n\r\n")
            << QStringLiteral("初期化確認") << QStringList();
        QTest::newRow("clear, cancelled")
            << 2 << true << true << int(AnswerCancel)
            << QStringLiteral("フルパス名項目をクリアします。\r\n\r\n")
            << QStringLiteral("初期化確認") << QStringList{"/b/0", "/b/1"};
    }
    void removeAndClear()
    {
        QFETCH(int, rows);
        QFETCH(bool, clearAll);
        QFETCH(bool, clicked);
        QFETCH(int, answer);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QStringList, left);
        ScriptedMessageService messages;
        messages.enqueue(qint16(answer));
        BookmarkList list(numbered(rows), messages);
        const bool done = clearAll ? list.clear() : list.remove(1, clicked);
        QCOMPARE(done, pathsOf(list.rows()).size() < rows);
        QCOMPARE(pathsOf(list.rows()), left);
        QCOMPARE(messages.log().size(), 1);
        const auto& shown = messages.log().first();
        QCOMPARE(shown.text, text);
        if (title.isEmpty()) {
            QCOMPARE(shown.flags & 7, quint32(ButtonsOk));
        } else {
            QCOMPARE(shown.flags & 7, quint32(ButtonsOkCancel));
            QCOMPARE(shown.caption, title);
        }
    }

    void bookmarkPath_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("bookmark");
        QTest::newRow("folder") << "/home/u/"
                                << "/home/u";
        QTest::newRow("no slash") << "/home/u"
                                  << "/home/u";
        QTest::newRow("root") << "/"
                              << "/";
        QTest::newRow("computer") << "ｺﾝﾋﾟｭｰﾀ"
                                  << "ｺﾝﾋﾟｭｰﾀ";
        QTest::newRow("undecodable byte kept") << (QStringLiteral("/a") + QChar(0xDCFF) + u'/')
                                               << (QStringLiteral("/a") + QChar(0xDCFF));
    }
    void bookmarkPath()
    {
        QFETCH(QString, display);
        QFETCH(QString, bookmark);
        QCOMPARE(bookmarkPathOf(display), bookmark);
    }

    void survivesTheSettingsFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("comment");
        QTest::newRow("root, full-width space") << "/"
                                                << "　";
        QTest::newRow("folder, default comment") << "/home/u/仕事"
                                                 << "　";
        QTest::newRow("ordinary") << "/srv/data"
                                  << "共有";
    }
    void survivesTheSettingsFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, comment);
        SettingsContext context;
        AppSettings settings = defaultSettings(context);
        settings.bookmarks = {{path, comment}, {QStringLiteral("/next"), QStringLiteral("n")}};
        const AppSettings back = readSettings(writeSettings(settings, ResetNone, context), context);
        QCOMPARE(back.bookmarks, settings.bookmarks);
    }

    void storeLongerThanTheLimitIsCut()
    {
        // A store filled elsewhere never gives the dialog more rows than it may hold.
        ScriptedMessageService messages;
        BookmarkList list(numbered(60), messages);
        QCOMPARE(list.count(), MaxBookmarks);
        QCOMPARE(list.add(QStringLiteral("/new/"), [](auto&&...) { return QStringLiteral("c"); }),
                 -1);
    }
};

QTEST_GUILESS_MAIN(BookmarkListTest)
#include "tst_bookmarklist.moc"
