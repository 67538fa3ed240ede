// Shortcuts over real folders in a fake home: symbolic links on the desktop
// and in folders, desktop entries in the menu and autostart folders read
// back by the freedesktop.org desktop-entry rules, names that are
// taken, names no desktop entry can hold, and the question texts.

#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "fs/volumesource.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/markedlist.h"
#include "ops/operationhost.h"
#include "ops/shortcuts.h"
#include "platform/names.h"
#include "platform/shortcutfiles.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

class Host : public OperationHost {
public:
    FileListModel left;
    QString folders[2];
    int refreshed[2] = {0, 0};
    const FileListModel* listModel(WindowIndex w) const override
    {
        return w == LeftWindow ? &left : nullptr;
    }
    QString folderPath(WindowIndex w) const override { return folders[w & 1]; }
    void markForRefresh(WindowIndex w) override { ++refreshed[w & 1]; }
};

// A fake home: HOME, the XDG base folders and the desktop all inside `dir`.
struct Home {
    explicit Home(const TempDir& dir)
    {
        const QByteArray home = dir.pathBytes() + "/home";
        QVERIFY(dir.makeFolder("home"));
        QVERIFY(dir.makeFolder("home/.config"));
        QVERIFY(dir.makeFolder("home/Schreibtisch"));
        QVERIFY(dir.writeFile("home/.config/user-dirs.dirs",
                              "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"));
        qputenv("HOME", home);
        qunsetenv("XDG_CONFIG_HOME");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        desktop = QString::fromUtf8(home) + QStringLiteral("/Schreibtisch/");
        startMenu = QString::fromUtf8(home) + QStringLiteral("/.local/share/applications/");
        startup = QString::fromUtf8(home) + QStringLiteral("/.config/autostart/");
    }
    QString desktop, startMenu, startup;
};

struct Run {
    explicit Run(const QString& folder, const QStringList& marked)
    {
        host.folders[0] = folder + u'/';
        if (loadFolderModel(host.left, folder) != 0)
            qWarning("folder not read");
        markNames(host.left, marked);
    }
    Host host;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    PlatformVolumeSource volumes;
    OperationContext context{messages, progress, volumes, nullptr, host};
};

QByteArray linkText(const QString& path)
{
    char buf[4096];
    const ssize_t n = ::readlink(platform::pathToBytes(path).constData(), buf, sizeof buf);
    return n < 0 ? QByteArray("<no link>") : QByteArray(buf, n);
}

// --- the reading side of a desktop entry, after the freedesktop.org rules ---

QString unescapedValue(const QString& v)
{
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] != u'\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const QChar c = v[++i];
        if (c == u's')
            out += u' ';
        else if (c == u'n')
            out += u'\n';
        else if (c == u't')
            out += u'\t';
        else if (c == u'r')
            out += u'\r';
        else if (c == u'\\')
            out += u'\\';
        else
            out += u'\\' + QString(c); // left for the Exec rules
    }
    return out;
}

// Exec after the string escapes: arguments split at blanks outside quotes,
// quoted ones with their four escapes, then "%%" as "%". Any other use of
// "%" or of a backslash in quotes fails the parse (empty list).
QStringList execArguments(const QString& exec)
{
    QStringList args;
    qsizetype i = 0;
    while (i < exec.size()) {
        if (exec[i] == u' ') {
            ++i;
            continue;
        }
        QString arg;
        if (exec[i] == u'"') {
            ++i;
            while (i < exec.size() && exec[i] != u'"') {
                if (exec[i] == u'\\') {
                    if (i + 1 == exec.size() || !QStringLiteral("\"`$\\").contains(exec[i + 1]))
                        return {};
                    ++i;
                }
                arg += exec[i++];
            }
            if (i == exec.size())
                return {};
            ++i;
        } else {
            while (i < exec.size() && exec[i] != u' ')
                arg += exec[i++];
        }
        QString plain;
        for (qsizetype k = 0; k < arg.size(); ++k) {
            if (arg[k] == u'%') {
                if (k + 1 == arg.size() || arg[k + 1] != u'%')
                    return {};
                ++k;
            }
            plain += arg[k];
        }
        args << plain;
    }
    return args;
}

QHash<QString, QString> entryKeys(const QString& path)
{
    QHash<QString, QString> keys;
    const QByteArray bytes = test::readAll(platform::pathToBytes(path));
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        return keys; // not UTF-8: no valid entry
    const QStringList lines = text.split(u'\n');
    if (lines.value(0) != QLatin1String("[Desktop Entry]"))
        return keys;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

} // namespace

class ShortcutsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void questionTexts_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<bool>("driveList");
        QTest::addColumn<bool>("confirmations");
        QTest::addColumn<bool>("shortcutFiles");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one item")
            << 1 << false << true << false
            << "memo.txt の\r\nショートカットを\r\n\r\nデスクトップ に作成します。";
        QTest::newRow("one volume")
            << 1 << true << true << false
            << "ドライブ memo.txt の\r\nショートカットを\r\n\r\nデスクトップ に作成します。";
        QTest::newRow("several, desktop entries left out")
            << 3 << false << true << true
            << "3 項目のショートカットを\r\n\r\nデスクトップ に作成します。\r\n\r\n"
               "（ショートカット項目は対象外です。）\r\n\r\n注意！　複数項目が対象です。";
        QTest::newRow("one, without confirmation messages")
            << 1 << false << false << false << "指定選択項目のショートカットを作成します。";
        QTest::newRow("several, without confirmation messages")
            << 2 << false << false << true
            << "指定選択項目のショートカットを作成します。\r\n\r\n"
               "（ショートカット項目は対象外です。）\r\n\r\n注意！　複数項目が対象です。";
    }
    void questionTexts()
    {
        QFETCH(int, items);
        QFETCH(bool, driveList);
        QFETCH(bool, confirmations);
        QFETCH(bool, shortcutFiles);
        QFETCH(QString, expected);
        QCOMPARE(shortcutQuestion(items, QStringLiteral("memo.txt"), driveList,
                                  shortcutPlaceName(ShortcutDesktop), confirmations, shortcutFiles),
                 expected);
    }

    // The question names the destination as the table of destinations says.
    void destinationNames_data()
    {
        QTest::addColumn<int>("destination");
        QTest::addColumn<bool>("sameFolders");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("selected") << int(ShortcutSelectedPath) << false << "選択窓の表示パス に";
        QTest::newRow("opposite") << int(ShortcutOppositePath) << false << "反対窓の表示パス に";
        QTest::newRow("opposite showing the same folder")
            << int(ShortcutOppositePath) << true << "選択窓の表示パス に";
        QTest::newRow("start menu") << int(ShortcutStartMenu) << false << "スタートメニュー に";
        QTest::newRow("startup") << int(ShortcutStartup) << false << "スタートアップ に";
    }
    void destinationNames()
    {
        QFETCH(int, destination);
        QFETCH(bool, sameFolders);
        QFETCH(QString, phrase);
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder("r"));
        QVERIFY(dir.writeFile("l/memo.txt", "m"));
        Run run(dir.filePath(QStringLiteral("l")), {QStringLiteral("memo.txt")});
        run.host.folders[1] =
            sameFolders ? run.host.folders[0] : dir.filePath(QStringLiteral("r/"));
        run.messages.enqueue(AnswerCancel);
        ShortcutMaker maker(run.context);
        QCOMPARE(maker.run(LeftWindow, destination), 3);
        QCOMPARE(run.messages.texts().value(0),
                 QStringLiteral("memo.txt の\r\nショートカットを\r\n\r\n") + phrase +
                     QStringLiteral("作成します。"));
        QCOMPARE(run.messages.captions().value(0), QStringLiteral("ショートカット作成"));
    }

    void onlyDesktopEntriesMarked()
    {
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.writeFile("l/app.desktop", "[Desktop Entry]\n"));
        QVERIFY(dir.writeFile("l/Other.DESKTOP", "[Desktop Entry]\n"));
        QVERIFY(dir.writeFile("l/memo.txt", "m"));
        Run run(dir.filePath(QStringLiteral("l")),
                {QStringLiteral("app.desktop"), QStringLiteral("Other.DESKTOP")});
        ShortcutMaker maker(run.context);
        QCOMPARE(maker.itemCount(LeftWindow), 0);
        QCOMPARE(maker.run(LeftWindow, ShortcutDesktop), 1);
        QVERIFY(run.messages.log().isEmpty());
        QCOMPARE(test::entries(QFile::encodeName(home.desktop)).size(), 0);
    }

    void memoOnTheDesktop()
    {
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.writeFile("l/memo.txt", "m"));
        QVERIFY(dir.writeFile("l/menu.desktop", "[Desktop Entry]\n"));
        Run run(dir.filePath(QStringLiteral("l")),
                {QStringLiteral("memo.txt"), QStringLiteral("menu.desktop")});
        ShortcutMaker maker(run.context);
        QCOMPARE(maker.run(LeftWindow, ShortcutDesktop), 0);
        // One item takes part: the marked desktop entry is only mentioned.
        QCOMPARE(run.messages.texts().value(0),
                 QStringLiteral("memo.txt の\r\nショートカットを\r\n\r\nデスクトップ に作成します。"
                                "\r\n\r\n（ショートカット項目は対象外です。）"));
        const QString link = home.desktop + QStringLiteral("memo.txtへのショートカット");
        QCOMPARE(maker.created(), QStringList{link});
        QCOMPARE(linkText(link), dir.pathBytes() + "/l/memo.txt");
        QCOMPARE(test::entries(QFile::encodeName(home.desktop)).size(), 1);
    }

    // A window showing the destination reads it again; the other does not.
    void windowsShowingTheDestinationRefresh()
    {
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder("r"));
        QVERIFY(dir.writeFile("l/a", "a"));
        Run run(dir.filePath(QStringLiteral("l")), {QStringLiteral("a")});
        run.host.folders[1] = dir.filePath(QStringLiteral("r/"));
        ShortcutMaker maker(run.context);
        QCOMPARE(maker.run(LeftWindow, ShortcutOppositePath), 0);
        QCOMPARE(linkText(dir.filePath(QStringLiteral("r/aへのショートカット"))),
                 dir.pathBytes() + "/l/a");
        QCOMPARE(run.host.refreshed[1], 1);
        QCOMPARE(run.host.refreshed[0], 0);
    }

    void volumeRowGivesItsMountPoint()
    {
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("media"));
        QVERIFY(dir.makeFolder("media/usb stick"));
        QVERIFY(dir.makeFolder("dest"));
        Run run(dir.filePath(QStringLiteral("dest")), {});
        DriveRow row;
        row.mountPoint = dir.filePath(QStringLiteral("media/usb stick"));
        row.text = row.mountPoint + QStringLiteral(" [ DATA ]");
        DriveRow other;
        other.mountPoint = QStringLiteral("/");
        other.text = QStringLiteral("/");
        run.host.left.resetDrives({other, row});
        run.host.folders[0].clear();
        ShortcutMaker maker(run.context);
        maker.currentRow = [](WindowIndex) { return 1; };
        QCOMPARE(maker.run(LeftWindow, ShortcutToNode, dir.filePath(QStringLiteral("dest"))), 0);
        QVERIFY(run.messages.texts().value(0).startsWith(
            QStringLiteral("ドライブ ") + row.mountPoint + QStringLiteral(" の\r\n")));
        QCOMPARE(maker.created().size(), 1);
        const QString name = fileNameOf(maker.created().value(0));
        QCOMPARE(name, volumeShortcutName(row.text) + shortcutSuffix());
        QVERIFY(!name.contains(u'/'));
        QCOMPARE(linkText(maker.created().value(0)), row.mountPoint.toUtf8());
    }

    void volumeNames_data()
    {
        QTest::addColumn<QString>("rowText");
        QTest::addColumn<QString>("name");
        QTest::newRow("root") << "/"
                              << "／";
        QTest::newRow("labelled") << "/media/usb [ DATA ]"
                                  << "／media／usb [ DATA ]";
        QTest::newRow("unread") << "/mnt/net ―"
                                << "／mnt／net ―";
    }
    void volumeNames()
    {
        QFETCH(QString, rowText);
        QFETCH(QString, name);
        QCOMPARE(volumeShortcutName(rowText), name);
    }

    // What has the name stays as it was; the item fails, the next follows.
    void takenNameIsKept_data()
    {
        QTest::addColumn<int>("destination");
        QTest::addColumn<bool>("danglingLink");
        QTest::newRow("link over a file") << int(ShortcutDesktop) << false;
        QTest::newRow("link over a dangling link") << int(ShortcutDesktop) << true;
        QTest::newRow("menu entry over a file") << int(ShortcutStartMenu) << false;
        QTest::newRow("autostart entry over a dangling link") << int(ShortcutStartup) << true;
    }
    void takenNameIsKept()
    {
        QFETCH(int, destination);
        QFETCH(bool, danglingLink);
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.writeFile("l/a.txt", "a"));
        QVERIFY(dir.writeFile("l/b.txt", "b"));
        const QString folder = destination == ShortcutDesktop     ? home.desktop
                               : destination == ShortcutStartMenu ? home.startMenu
                                                                  : home.startup;
        QCOMPARE(platform::ensureFolder(folder), 0);
        const QString suffix =
            writesDesktopEntry(destination) ? QStringLiteral(".desktop") : QString();
        const QString taken = folder + QStringLiteral("a.txtへのショートカット") + suffix;
        const QByteArray takenBytes = platform::pathToBytes(taken);
        if (danglingLink)
            QCOMPARE(::symlink("/nowhere/at/all", takenBytes.constData()), 0);
        else
            QVERIFY(test::writeBytes(takenBytes, "keep me"));

        Run run(dir.filePath(QStringLiteral("l")),
                {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        ShortcutMaker maker(run.context);
        QCOMPARE(maker.run(LeftWindow, destination), 0);
        if (danglingLink)
            QCOMPARE(linkText(taken), QByteArray("/nowhere/at/all"));
        else
            QCOMPARE(test::readAll(takenBytes), QByteArray("keep me"));
        QCOMPARE(maker.failed(), 1);
        QCOMPARE(maker.created(),
                 QStringList{folder + QStringLiteral("b.txtへのショートカット") + suffix});
        QCOMPARE(run.messages.log().size(), 2);
        const QString message = run.messages.texts().value(1);
        QVERIFY2(message.endsWith(QStringLiteral("へのショートカットは作成できませんでした。")),
                 qPrintable(message));
        QVERIFY(message.contains(taken));
        // No temporary of ours stays behind.
        QCOMPARE(test::entries(platform::pathToBytes(folder)).size(), 2);
    }

    // Names that mean something to a shell or to the Exec rules come back
    // from the written entry exactly, as one argument.
    void hostileNamesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("executable");
        QTest::newRow("double quotes") << QByteArray("say \"hi\".txt") << false;
        QTest::newRow("blanks") << QByteArray("  two  blanks .txt") << false;
        QTest::newRow("command substitution") << QByteArray("$(rm -rf ~).txt") << false;
        QTest::newRow("backticks") << QByteArray("`id`.txt") << false;
        QTest::newRow("line feed") << QByteArray("line\nfeed.txt") << false;
        QTest::newRow("carriage return and tab") << QByteArray("cr\rtab\t.txt") << false;
        QTest::newRow("backslashes") << QByteArray("back\\slash\\\\n.txt") << false;
        QTest::newRow("percent and field code") << QByteArray("100% %f %%u.txt") << false;
        QTest::newRow("shell operators") << QByteArray("a;b&c|d>e<f*g?h#~'.txt") << false;
        QTest::newRow("script that starts itself") << QByteArray("run $HOME \"x\" %U.sh") << true;
    }
    void hostileNamesRoundTrip()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, executable);
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.writeFile("l/" + name, executable ? "#!/bin/sh\nexit 0\n" : "data"));
        const QByteArray itemBytes = dir.pathBytes() + "/l/" + name;
        QCOMPARE(::chmod(itemBytes.constData(), executable ? 0755 : 0644), 0);
        const QString item = platform::pathFromBytes(itemBytes);
        const QString itemName = platform::nameFromBytes(name);

        Run run(dir.filePath(QStringLiteral("l")), {itemName});
        ShortcutMaker maker(run.context);
        QCOMPARE(maker.run(LeftWindow, ShortcutStartMenu), 0);
        const QString entry =
            home.startMenu + itemName + QStringLiteral("へのショートカット.desktop");
        QCOMPARE(maker.created(), QStringList{entry});
        const QHash<QString, QString> keys = entryKeys(entry);
        QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(unescapedValue(keys.value(QStringLiteral("Name"))),
                 itemName + QStringLiteral("へのショートカット"));
        const QStringList args = execArguments(unescapedValue(keys.value(QStringLiteral("Exec"))));
        const QStringList expected =
            executable ? QStringList{item} : QStringList{QStringLiteral("xdg-open"), item};
        QCOMPARE(args, expected);
        QCOMPARE(unescapedValue(keys.value(QStringLiteral("Path"))),
                 dir.filePath(QStringLiteral("l")));
    }

    // Bytes that are no UTF-8 cannot go into a desktop entry; a link keeps them.
    void nameThatIsNoUtf8()
    {
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        const QByteArray raw("caf\xe9 \xff.txt");
        QVERIFY(dir.writeFile("l/" + raw, "x"));
        const QString name = platform::nameFromBytes(raw);
        Run run(dir.filePath(QStringLiteral("l")), {name});

        ShortcutMaker menu(run.context);
        QCOMPARE(menu.run(LeftWindow, ShortcutStartup), 0);
        QCOMPARE(menu.failed(), 1);
        QVERIFY(menu.created().isEmpty());
        QCOMPARE(test::entries(platform::pathToBytes(home.startup)).size(), 0);
        QCOMPARE(run.messages.log().size(), 2);
        QVERIFY(run.messages.texts().value(1).contains(QStringLiteral("UTF-8")));

        ShortcutMaker desktop(run.context);
        QCOMPARE(desktop.run(LeftWindow, ShortcutDesktop), 0);
        QCOMPARE(desktop.created().size(), 1);
        QCOMPARE(linkText(desktop.created().value(0)), dir.pathBytes() + "/l/" + raw);
        QCOMPARE(test::entries(platform::pathToBytes(home.desktop)),
                 QList<QByteArray>{raw + "へのショートカット"});
    }

    void controlCharactersRefused()
    {
        QByteArray out;
        QCOMPARE(desktopEntryText(QStringLiteral("a\x01"), QStringLiteral("/a\x01"),
                                  QStringLiteral("/"), false, out),
                 EINVAL);
        QCOMPARE(desktopEntryText(QStringLiteral("a\x7f"), QStringLiteral("/a\x7f"),
                                  QStringLiteral("/"), false, out),
                 EINVAL);
        QCOMPARE(desktopEntryText(QStringLiteral("a\tb"), QStringLiteral("/a\tb"),
                                  QStringLiteral("/"), false, out),
                 0);
    }

    // A protected destination is asked about once (kind 3); the dot names
    // of the XDG base folders above the menu folders are not.
    void protectedDestination_data()
    {
        QTest::addColumn<int>("destination");
        QTest::addColumn<qint16>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("created");
        QTest::newRow("hidden folder, yes")
            << int(ShortcutToNode) << qint16(AnswerYes) << true << 1;
        QTest::newRow("hidden folder, no") << int(ShortcutToNode) << qint16(AnswerNo) << true << 0;
        QTest::newRow("start menu below dot folders")
            << int(ShortcutStartMenu) << qint16(AnswerNo) << false << 1;
        QTest::newRow("startup below dot folders")
            << int(ShortcutStartup) << qint16(AnswerNo) << false << 1;
    }
    void protectedDestination()
    {
        QFETCH(int, destination);
        QFETCH(qint16, answer);
        QFETCH(bool, asked);
        QFETCH(int, created);
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.makeFolder(".hidden"));
        QVERIFY(dir.writeFile("l/a", "a"));
        Run run(dir.filePath(QStringLiteral("l")), {QStringLiteral("a")});
        run.messages.enqueue({AnswerYes, answer});
        ShortcutMaker maker(run.context);
        const int result =
            maker.run(LeftWindow, destination, dir.filePath(QStringLiteral(".hidden")));
        QCOMPARE(result, created ? 0 : 3);
        QCOMPARE(int(maker.created().size()), created);
        QCOMPARE(run.messages.log().size(), asked ? 2 : 1);
        if (asked) {
            const ScriptedMessageService::Presented& p = run.messages.log().at(1);
            QCOMPARE(p.kind, qint16(ConfirmDestAttr));
            QCOMPARE(p.request.folder, dir.filePath(QStringLiteral(".hidden/")));
            QCOMPARE(p.caption, QStringLiteral("ショートカット作成 確認"));
        }
    }

    // A failure of the folder ends the run and says so, also without
    // confirmation messages; a failure of one item is told only with them.
    void failureEndsTheRun_data()
    {
        QTest::addColumn<bool>("confirmations");
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<int>("messages"); // after the question
        QTest::newRow("taken name, messages on") << true << false << 1;
        QTest::newRow("taken name, messages off") << false << false << 0;
        QTest::newRow("folder gone after the check, messages on") << true << true << 1;
        QTest::newRow("folder gone after the check, messages off") << false << true << 1;
    }
    void failureEndsTheRun()
    {
        QFETCH(bool, confirmations);
        QFETCH(bool, folderGone);
        QFETCH(int, messages);
        TempDir dir;
        Home home(dir);
        QVERIFY(dir.makeFolder("l"));
        QVERIFY(dir.writeFile("l/a", "a"));
        QVERIFY(dir.writeFile("l/b", "b"));
        if (!folderGone) {
            QVERIFY(dir.makeFolder("d"));
            QVERIFY(dir.writeFile("d/aへのショートカット", "taken"));
        }
        Run run(dir.filePath(QStringLiteral("l")), {QStringLiteral("a"), QStringLiteral("b")});
        run.messages.setConfirmationMessages(confirmations);
        ShortcutMaker maker(run.context);
        maker.checkWithRepair = [](WindowIndex, const QString&) { return 0; };
        QCOMPARE(maker.run(LeftWindow, ShortcutToNode, dir.filePath(QStringLiteral("d"))), 0);
        QCOMPARE(run.messages.log().size(), 1 + messages);
        if (folderGone) {
            QCOMPARE(maker.failed(), 1); // b was not tried
            QVERIFY(run.messages.texts().last().endsWith(QStringLiteral(
                "へのショートカットは作成できませんでした。\r\n\r\n処理を終了します。")));
        } else {
            QCOMPARE(maker.created().size(), 1);
            QCOMPARE(maker.failed(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(ShortcutsTest)
#include "tst_shortcuts.moc"
