// The archive commands over real folders and real archives: what is taken,
// what is asked and said, where archives go and where they unpack, checked
// with the independent tools where they exist.

#include "archive/archiver.h"
#include "archive/archivebackends.h"
#include "core/scriptedservices.h"
#include "list/filelistmodel.h"
#include "ops/markedlist.h"
#include "ops/operationhost.h"
#include "support/tempdir.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

class Host : public OperationHost {
public:
    FileListModel left;
    QString folders[2];
    bool levels = false;
    QList<WindowIndex> refreshed;

    const FileListModel* listModel(WindowIndex w) const override
    {
        return w == LeftWindow ? &left : nullptr;
    }
    QString folderPath(WindowIndex w) const override { return folders[w == RightWindow ? 1 : 0]; }
    bool allLevels(WindowIndex) const override { return levels; }
    void markForRefresh(WindowIndex w) override { refreshed.append(w); }
};

bool tool(const char* name)
{
    return !QStandardPaths::findExecutable(QLatin1String(name)).isEmpty();
}

int runTool(const QString& program, const QStringList& args, const QString& folder = QString(),
            QByteArray* output = nullptr)
{
    QProcess p;
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, args);
    p.waitForFinished(60000);
    if (output)
        *output = p.readAllStandardOutput() + p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

struct Setup {
    Setup()
    {
        QVERIFY(dir.makeFolder("src"));
        QVERIFY(dir.makeFolder("dst"));
        QVERIFY(dir.makeFolder("src/sub"));
        QVERIFY(dir.makeFolder("src/sub/deep"));
        QVERIFY(dir.writeFile("src/a.txt", "alpha\n"));
        QVERIFY(dir.writeFile("src/b.dat", QByteArray(70000, 'b')));
        QVERIFY(dir.writeFile("src/sub/c.txt", "gamma\n"));
        QVERIFY(dir.writeFile("src/sub/deep/d.txt", "delta\n"));
        host.folders[0] = dir.filePath(QStringLiteral("src/"));
        host.folders[1] = dir.filePath(QStringLiteral("dst/"));
        libraries = ArchiverLibraries::detect();
    }
    // Marks `names` in a fresh listing of the source folder.
    void mark(const QStringList& names)
    {
        QCOMPARE(loadFolderModel(host.left, host.folders[0]), 0);
        QVERIFY(markNames(host.left, names).isEmpty());
    }
    Archiver archiver(const QString& title = QString())
    {
        return Archiver(ArchiverContext{
            messages, progress, host, nullptr, libraries,
            [this, title](const QString&, const QString&, const QString& proposal) {
                asked << proposal;
                return title.isNull() ? proposal : title;
            },
            {}, {}});
    }
    QString src(const char* name) const { return dir.filePath(QLatin1String("src/") + QLatin1String(name)); }
    QString dst(const char* name) const { return dir.filePath(QLatin1String("dst/") + QLatin1String(name)); }

    TempDir dir;
    Host host;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    ArchiverLibraries libraries;
    QStringList asked;
};

} // namespace

class ArchiverTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void extractFolderNames_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "a.lzh" << "a_lzh";
        QTest::newRow("two dots") << "a.b.lzh" << "a.b_lzh";
        QTest::newRow("in a subfolder") << "s/a.lzh" << "s_a_lzh";
        QTest::newRow("deeper") << "s/t/x.zip" << "s_t_x_zip";
        QTest::newRow("no extension") << "noext" << "noext";
    }
    void extractFolderNames()
    {
        QFETCH(QString, relative);
        QFETCH(QString, folder);
        QCOMPARE(Archiver::extractFolderName(relative), folder);
    }

    void failureTexts_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("lzh stopped: nothing said") << 1 << int(LzhInterrupted) << QString();
        QTest::newRow("lzh nothing newer") << 1 << int(LzhNothingToDo) << QString();
        QTest::newRow("zip stopped") << 3 << int(ZipInterrupted) << "ユーザーによって中断されました。";
        QTest::newRow("zip read-only") << 3 << int(ZipArchiveReadOnly)
                                       << "既存の書庫が読取り専用属性です。";
        QTest::newRow("cab stopped or read-only")
            << 0 << int(CabInterruptedOrReadOnly)
            << "ユーザーによる中断、または既存の書庫が読取り専用属性です。";
        QTest::newRow("anything else")
            << 3 << 28 << "/d/x.zip\r\nの作成（圧縮）に失敗しました。\r\n\r\nzip のエラー番号 = 28";
    }
    void failureTexts()
    {
        QFETCH(int, format);
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(Archiver::compressFailedText(format, QStringLiteral("/d/x.zip"), code), text);
    }

    void prepareChecks_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content"); // empty: no such file
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::newRow("not an archive")
            << QByteArray("x.zip") << QByteArray("plain text, no zip") << 1
            << "ファイル x.zip は\r\n\r\n書庫ではないので処理できません。";
        QTest::newRow("missing") << QByteArray("gone.lzh") << QByteArray() << 2
                                 << "ファイル gone.lzh については\r\n\r\n";
        QTest::newRow("another extension, no call")
            << QByteArray("x.rar") << QByteArray("Rar!") << 1 << QString();
    }
    void prepareChecks()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        QFETCH(QString, message);
        Setup s;
        if (!content.isEmpty())
            QVERIFY(s.dir.writeFile("src/" + name, content));
        Archiver a = s.archiver();
        const PrepareResult r = a.prepare(s.host.folders[0] + QString::fromUtf8(name), false, true,
                                          PrepareList, QStringLiteral("ファイル内容表示"));
        QCOMPARE(r.result, result);
        QVERIFY2(r.message.startsWith(message), qPrintable(r.message));
        QCOMPARE(s.messages.texts().size(), message.isEmpty() ? 0 : 1);
        QVERIFY(r.listing.isEmpty());
    }

    void problemsQuietWithoutConfirmations()
    {
        Setup s;
        QVERIFY(s.dir.writeFile("src/x.zip", "no zip"));
        s.messages.setConfirmationMessages(false);
        Archiver a = s.archiver();
        const PrepareResult r = a.prepare(s.src("x.zip"), false, true, PrepareRun,
                                          QStringLiteral("解凍"));
        QCOMPARE(r.result, 1);
        QVERIFY(s.messages.texts().isEmpty());
    }

    void compressAndExtractRoundTrip_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("checker"); // independent tool that tests the archive
        QTest::newRow("zip") << int(KindZip) << "unzip";
        QTest::newRow("cab") << int(KindCab) << "cabextract";
        QTest::newRow("lzh") << int(KindLzh) << "lha";
    }
    void compressAndExtractRoundTrip()
    {
        QFETCH(int, kind);
        QFETCH(QString, checker);
        Setup s;
        s.host.levels = true;
        s.mark({QStringLiteral("a.txt"), QStringLiteral("b.dat"), QStringLiteral("sub")});
        Archiver a = s.archiver(QStringLiteral("pack"));
        QCOMPARE(a.run(LeftWindow, kind), 0);
        QCOMPARE(a.failures(), 0);
        const QString extension = ArchiverLibraries::extension(kind);
        const QString archive = s.dst("pack.") + extension;
        QVERIFY2(QFile::exists(archive), qPrintable(s.messages.texts().join(u'|')));
        // The question names the two files and the folder, and the format.
        QVERIFY(s.messages.texts().first().startsWith(
            QStringLiteral("1 フォルダと 2 ファイル を\r\n圧縮して\r\n\r\n")));
        QVERIFY(s.messages.texts().first().endsWith(extension +
                                                    QStringLiteral(" 書庫ファイルを作成します。")));
        QCOMPARE(s.asked, QStringList{QStringLiteral("sub")}); // folders come first in the list
        QVERIFY(s.host.refreshed.contains(RightWindow));

        if (tool(checker.toLatin1().constData())) {
            const QStringList args = checker == QLatin1String("unzip")        ? QStringList{"-t", archive}
                                     : checker == QLatin1String("cabextract") ? QStringList{"-t", archive}
                                                                              : QStringList{"t", archive};
            QByteArray out;
            QCOMPARE(runTool(checker, args, QString(), &out), 0);
            QVERIFY2(out.contains("d.txt") || checker == QLatin1String("unzip"), out.constData());
        }

        // And back: the archive unpacks into its own folder beside it.
        Setup back;
        QVERIFY(QFile::copy(archive, back.src("pack.") + extension));
        back.mark({QStringLiteral("pack.") + extension});
        Archiver b = back.archiver();
        QCOMPARE(b.run(LeftWindow, KindExtract), 0);
        const QString folder = back.dst("pack_") + extension + u'/';
        QCOMPARE(tovane::test::readAll((folder + QStringLiteral("a.txt")).toUtf8()),
                 QByteArray("alpha\n"));
        QCOMPARE(tovane::test::readAll((folder + QStringLiteral("b.dat")).toUtf8()),
                 QByteArray(70000, 'b'));
        QCOMPARE(tovane::test::readAll((folder + QStringLiteral("sub/deep/d.txt")).toUtf8()),
                 QByteArray("delta\n"));
    }

    void blankTitleMakesADotName()
    {
        Setup s;
        s.mark({QStringLiteral("a.txt")});
        Archiver a = s.archiver(QStringLiteral(" "));
        QCOMPARE(a.run(LeftWindow, KindLzh), 0);
        QVERIFY(QFile::exists(s.dst(".lzh")));
    }

    void cancelledTitleEndsTheCommand()
    {
        Setup s;
        s.mark({QStringLiteral("a.txt")});
        Archiver a = s.archiver(QStringLiteral(""));
        QCOMPARE(a.run(LeftWindow, KindZip), 3);
        QVERIFY(tovane::test::entries(s.dir.filePath(QStringLiteral("dst")).toUtf8()).isEmpty());
    }

    void oneArchiveIntoItselfIsRefused()
    {
        Setup s;
        s.host.folders[1] = s.host.folders[0];
        QVERIFY(s.dir.writeFile("src/x.zip", "whatever"));
        s.mark({QStringLiteral("x.zip")});
        Archiver a = s.archiver(QStringLiteral("X"));
        QCOMPARE(a.run(LeftWindow, KindZip), 1);
        QVERIFY(s.messages.texts().last().startsWith(
            QStringLiteral("１個の書庫ファイルだけを同一フォルダ内に")));
        QCOMPARE(tovane::test::readAll(s.src("x.zip").toUtf8()), QByteArray("whatever"));
    }

    void nothingToTake_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("levels");
        QTest::addColumn<QString>("text");
        QTest::newRow("extract: no archive") << int(KindExtract) << true
                                             << "解凍対象ファイルがありません。";
        QTest::newRow("compress: folder on one level")
            << int(KindZip) << false << "圧縮対象ファイルがありません。";
    }
    void nothingToTake()
    {
        QFETCH(int, kind);
        QFETCH(bool, levels);
        QFETCH(QString, text);
        Setup s;
        s.host.levels = levels;
        s.mark(kind == KindExtract ? QStringList{QStringLiteral("a.txt")}
                                   : QStringList{QStringLiteral("sub")});
        Archiver a = s.archiver();
        QCOMPARE(a.run(LeftWindow, kind), 1);
        QCOMPARE(s.messages.texts(), QStringList{text});
    }

    void extractWalksFoldersOnAllLevels()
    {
        if (!tool("zip"))
            QSKIP("zip is not installed");
        Setup s;
        s.host.levels = true;
        QCOMPARE(runTool(QStringLiteral("zip"), {"-q", "sub/deep/in.zip", "sub/c.txt"},
                         s.dir.filePath(QStringLiteral("src"))),
                 0);
        s.mark({QStringLiteral("sub")});
        Archiver a = s.archiver();
        QCOMPARE(a.run(LeftWindow, KindExtract), 0);
        QCOMPARE(tovane::test::readAll(s.dst("sub_deep_in_zip/sub/c.txt").toUtf8()),
                 QByteArray("gamma\n"));
        QVERIFY2(s.messages.texts().first().contains(QStringLiteral("sub")),
                 qPrintable(s.messages.texts().first()));
    }

    void aFileInTheWayIsReported()
    {
        if (!tool("zip"))
            QSKIP("zip is not installed");
        Setup s;
        QCOMPARE(runTool(QStringLiteral("zip"), {"-q", "a.zip", "a.txt"},
                         s.dir.filePath(QStringLiteral("src"))),
                 0);
        QVERIFY(s.dir.writeFile("dst/a_zip", "mine"));
        s.mark({QStringLiteral("a.zip")});
        Archiver a = s.archiver();
        QCOMPARE(a.run(LeftWindow, KindExtract), 0);
        QCOMPARE(a.failures(), 1);
        QVERIFY(s.messages.texts().contains(
            QStringLiteral("解凍先に同名ファイルがあるので、書庫対応フォルダを作成できません。")));
        QCOMPARE(tovane::test::readAll(s.dst("a_zip").toUtf8()), QByteArray("mine"));
    }

    void aFailedExtractionKeepsAFolderThatWasThere()
    {
        Setup s;
        // A zip that ends in the middle of its first entry.
        QByteArray broken("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
        broken += QByteArray(20, '\0') + QByteArray("x.txt") + QByteArray(100, 'Z');
        QVERIFY(s.dir.writeFile("src/bad.zip", broken));
        QVERIFY(s.dir.makeFolder("dst/bad_zip"));
        QVERIFY(s.dir.writeFile("dst/bad_zip/keep.txt", "keep"));
        s.mark({QStringLiteral("bad.zip")});
        Archiver a = s.archiver();
        a.run(LeftWindow, KindExtract);
        QCOMPARE(tovane::test::readAll(s.dst("bad_zip/keep.txt").toUtf8()), QByteArray("keep"));
    }
};

QTEST_GUILESS_MAIN(ArchiverTest)
#include "tst_archiver.moc"
