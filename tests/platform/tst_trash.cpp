#include "platform/fileops.h"
#include "platform/names.h"
#include "platform/trash.h"
#include "support/asuser.h"
#include "support/ownmounts.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <ftw.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tovane::platform;
using tovane::test::entries;
using tovane::test::NobodyId;
using tovane::test::readAll;
using tovane::test::removeTree;
using tovane::test::TempDir;
using tovane::test::writeBytes;

namespace {

QString p(const QByteArray& bytes)
{
    return pathFromBytes(bytes);
}

QByteArray uidText()
{
    return QByteArray::number(qulonglong(::geteuid()));
}

// "file", "folder", "link -> target", "missing" or "other".
QByteArray kindOf(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return "missing";
    if (S_ISREG(st.st_mode))
        return "file";
    if (S_ISDIR(st.st_mode))
        return "folder";
    if (S_ISLNK(st.st_mode)) {
        char target[4096];
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        return "link -> " + QByteArray(target, int(qMax<ssize_t>(n, 0)));
    }
    return "other";
}

int modeOf(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// The two keys of an info file; empty when the layout is not the expected one.
struct Info {
    QByteArray path; // decoded
    QByteArray rawPath;
    QByteArray date;
};

Info parseInfo(const QByteArray& text)
{
    Info info;
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() != 4 || lines.at(0) != "[Trash Info]" || !lines.at(3).isEmpty() ||
        !lines.at(1).startsWith("Path=") || !lines.at(2).startsWith("DeletionDate="))
        return info;
    info.rawPath = lines.at(1).mid(5);
    info.path = QByteArray::fromPercentEncoding(info.rawPath);
    info.date = lines.at(2).mid(13);
    return info;
}

// Seconds since the epoch of a DeletionDate read as local time of the zone
// set in initTestCase (nine hours ahead of UTC, no summer time), or -1.
qint64 localDateSeconds(const QByteArray& date)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d)T(\\d\\d):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(QString::fromLatin1(date));
    if (!m.hasMatch())
        return -1;
    struct tm t {};
    t.tm_year = m.captured(1).toInt() - 1900;
    t.tm_mon = m.captured(2).toInt() - 1;
    t.tm_mday = m.captured(3).toInt();
    t.tm_hour = m.captured(4).toInt();
    t.tm_min = m.captured(5).toInt();
    t.tm_sec = m.captured(6).toInt();
    return qint64(::timegm(&t)) - 9 * 3600;
}

int chownTree(const char* path, const struct stat*, int, struct FTW*)
{
    ::lchown(path, NobodyId, NobodyId);
    return 0;
}

enum class Child {
    Unprivileged, // root drops to nobody so that permission bits count
    OwnMounts,    // a private mount namespace (through a user namespace when not root)
};

bool setUpChild(Child kind)
{
    if (kind == Child::Unprivileged)
        return ::geteuid() != 0 || tovane::test::dropToNobody();
    return tovane::test::enterOwnMounts();
}

using tovane::test::ChildSkipped;

// Runs `body` (which may use QCOMPARE) in a forked child. 0 when it passed,
// 1 when it failed, ChildSkipped when the child could not be set up.
int runInChild(Child kind, const std::function<void()>& body)
{
    return tovane::test::runInChild([kind] { return setUpChild(kind); }, body);
}

// Sets an environment variable for one test and puts the old value back.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value, bool set = true)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (set)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// A temporary folder with a home trash of its own below data/ and the items
// to trash below src/.
struct Sandbox {
    TempDir dir;
    QByteArray root = dir.pathBytes();
    QByteArray data = root + "/data";
    QByteArray trash = data + "/Trash";
    QByteArray src = root + "/src";
    EnvGuard xdg{"XDG_DATA_HOME", data};

    Sandbox()
    {
        ::mkdir(data.constData(), 0700);
        ::mkdir(src.constData(), 0755);
    }
    QByteArray files() const { return trash + "/files"; }
    QByteArray info() const { return trash + "/info"; }
};

} // namespace

class TrashTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // Local time differs from UTC, so a date written in UTC shows.
        qputenv("TZ", "JST-9");
        ::tzset();
    }

    void percentEncodePath_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain") << QByteArray("/home/u/a.txt") << QByteArray("/home/u/a.txt");
        QTest::newRow("space") << QByteArray("/a b") << QByteArray("/a%20b");
        QTest::newRow("percent") << QByteArray("/100%") << QByteArray("/100%25");
        QTest::newRow("encoded lookalike") << QByteArray("/%41") << QByteArray("/%2541");
        QTest::newRow("japanese") << QByteArray("/\xe6\x97\xa5\xe6\x9c\xac")
                                  << QByteArray("/%E6%97%A5%E6%9C%AC");
        QTest::newRow("invalid byte") << QByteArray("/caf\xe9") << QByteArray("/caf%E9");
        QTest::newRow("newline and tab") << QByteArray("/a\nb\tc") << QByteArray("/a%0Ab%09c");
        QTest::newRow("unreserved marks") << QByteArray("/-_.!~*'()") << QByteArray("/-_.!~*'()");
        QTest::newRow("reserved") << QByteArray("/a?b#c&d=e+f;g")
                                  << QByteArray("/a%3Fb%23c%26d%3De%2Bf%3Bg");
        QTest::newRow("relative") << QByteArray("sub/x y") << QByteArray("sub/x%20y");
        QTest::newRow("high bytes") << QByteArray("\x80\xff") << QByteArray("%80%FF");
    }
    void percentEncodePath()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, expected);
        const QByteArray encoded = detail::percentEncodePath(path);
        QCOMPARE(encoded, expected);
        QCOMPARE(QByteArray::fromPercentEncoding(encoded), path);
    }

    void trashInfoText_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QByteArray>("date");
        QTest::newRow("utc epoch")
            << QByteArray("UTC0") << qint64(0) << QByteArray("1970-01-01T00:00:00");
        QTest::newRow("japan epoch")
            << QByteArray("JST-9") << qint64(0) << QByteArray("1970-01-01T09:00:00");
        QTest::newRow("japan, day changes")
            << QByteArray("JST-9") << qint64(1700000000) << QByteArray("2023-11-15T07:13:20");
        QTest::newRow("new york summer") << QByteArray("EST5EDT,M3.2.0,M11.1.0")
                                         << qint64(1689000000) << QByteArray("2023-07-10T10:40:00");
        QTest::newRow("new york winter") << QByteArray("EST5EDT,M3.2.0,M11.1.0")
                                         << qint64(1700000000) << QByteArray("2023-11-14T17:13:20");
        QTest::newRow("after 2038")
            << QByteArray("UTC0") << qint64(4102444800) << QByteArray("2100-01-01T00:00:00");
    }
    void trashInfoText()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, seconds);
        QFETCH(QByteArray, date);
        {
            EnvGuard tz("TZ", zone);
            ::tzset();
            QCOMPARE(detail::trashInfoText("/a%20b", seconds),
                     "[Trash Info]\nPath=/a%20b\nDeletionDate=" + date + '\n');
        }
        ::tzset();
    }

    void trashesItem_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("file") << QByteArray("a.txt") << false << QByteArray("a.txt");
        QTest::newRow("folder") << QByteArray("dir") << true << QByteArray("dir");
        QTest::newRow("spaces") << QByteArray(" two  spaces ") << false
                                << QByteArray("%20two%20%20spaces%20");
        QTest::newRow("percent") << QByteArray("50%off") << false << QByteArray("50%25off");
        QTest::newRow("japanese") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac.txt") << false
                                  << QByteArray("%E6%97%A5%E6%9C%AC.txt");
        QTest::newRow("japanese folder")
            << QByteArray("\xe6\x97\xa5") << true << QByteArray("%E6%97%A5");
        QTest::newRow("invalid utf-8")
            << QByteArray("caf\xe9\x80") << false << QByteArray("caf%E9%80");
        QTest::newRow("newline") << QByteArray("two\nlines") << false << QByteArray("two%0Alines");
        QTest::newRow("leading dot") << QByteArray(".hidden") << false << QByteArray(".hidden");
    }
    void trashesItem()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, folder);
        QFETCH(QByteArray, encoded);
        Sandbox box;
        const QByteArray item = box.src + '/' + name;
        if (folder) {
            QVERIFY(::mkdir(item.constData(), 0750) == 0);
            QVERIFY(writeBytes(item + "/inner", "inside"));
        } else {
            QVERIFY(writeBytes(item, "content"));
        }

        const qint64 before = ::time(nullptr);
        TrashResult result;
        QCOMPARE(moveToTrash(p(item), &result), 0);
        const qint64 after = ::time(nullptr);

        QCOMPARE(kindOf(item), QByteArray("missing"));
        QCOMPARE(entries(box.files()), QList<QByteArray>{name});
        QCOMPARE(entries(box.info()), QList<QByteArray>{name + ".trashinfo"});
        const QByteArray trashed = box.files() + '/' + name;
        if (folder) {
            QCOMPARE(kindOf(trashed), QByteArray("folder"));
            QCOMPARE(modeOf(trashed), 0750);
            QCOMPARE(readAll(trashed + "/inner"), QByteArray("inside"));
        } else {
            QCOMPARE(readAll(trashed), QByteArray("content"));
        }
        QCOMPARE(pathToBytes(result.trashedPath), trashed);
        QCOMPARE(pathToBytes(result.infoPath), box.info() + '/' + name + ".trashinfo");

        const QByteArray infoFile = box.info() + '/' + name + ".trashinfo";
        const Info info = parseInfo(readAll(infoFile));
        QCOMPARE(info.rawPath, box.src + '/' + encoded);
        QCOMPARE(info.path, item);
        const qint64 when = localDateSeconds(info.date);
        QVERIFY2(when >= before && when <= after, info.date.constData());
        // Names of trashed items are nobody else's business.
        QCOMPARE(modeOf(infoFile) & 077, 0);
    }

    // Items trashed one after another, with a change between them that a
    // remembered answer must not hide.
    void trashesInARow_data()
    {
        QTest::addColumn<QByteArray>("between");
        QTest::addColumn<int>("second"); // result of the second call
        QTest::newRow("nothing") << QByteArray() << 0;
        QTest::newRow("trash removed") << QByteArray("rm-trash") << 0;
        QTest::newRow("files/ replaced by a link") << QByteArray("link-files") << int(ENOTDIR);
        QTest::newRow("folder link turned elsewhere") << QByteArray("relink") << 0;
        QTest::newRow("other home trash") << QByteArray("xdg") << 0;
    }
    void trashesInARow()
    {
        QFETCH(QByteArray, between);
        QFETCH(int, second);
        Sandbox box;
        for (const char* f : {"/A", "/B", "/elsewhere", "/data2"})
            QVERIFY(::mkdir((box.src + f).constData(), 0755) == 0);
        QVERIFY(writeBytes(box.src + "/A/one", "1"));
        QVERIFY(writeBytes(box.src + "/A/two", "2"));
        QVERIFY(writeBytes(box.src + "/B/two", "b"));
        const QByteArray via = box.src + "/via";
        QVERIFY(::symlink("A", via.constData()) == 0);
        QCOMPARE(moveToTrash(p(via + "/one")), 0);

        QByteArray trash = box.trash;
        std::optional<EnvGuard> otherHome;
        if (between == "rm-trash")
            QVERIFY(removeTree(box.trash));
        if (between == "link-files") {
            QVERIFY(::rename(box.files().constData(), (box.src + "/elsewhere/files").constData()) ==
                    0);
            QVERIFY(::symlink((box.src + "/elsewhere/files").constData(),
                              box.files().constData()) == 0);
        }
        if (between == "relink") {
            QVERIFY(::unlink(via.constData()) == 0);
            QVERIFY(::symlink("B", via.constData()) == 0);
        }
        if (between == "xdg") {
            otherHome.emplace("XDG_DATA_HOME", box.src + "/data2");
            trash = box.src + "/data2/Trash";
        }

        TrashResult result;
        QCOMPARE(moveToTrash(p(via + "/two"), &result), second);
        if (second != 0) {
            QCOMPARE(kindOf(box.src + "/A/two"), QByteArray("file"));
            QCOMPARE(entries(box.src + "/elsewhere/files"), QList<QByteArray>{"one"});
            return;
        }
        const QByteArray from = between == "relink" ? box.src + "/B/two" : box.src + "/A/two";
        QCOMPARE(kindOf(from), QByteArray("missing"));
        QCOMPARE(pathToBytes(result.trashedPath), trash + "/files/two");
        QCOMPARE(readAll(trash + "/files/two"),
                 between == "relink" ? QByteArray("b") : QByteArray("2"));
        QCOMPARE(parseInfo(readAll(trash + "/info/two.trashinfo")).path, from);
    }

    void sameNameFromManyFolders()
    {
        Sandbox box;
        QList<QByteArray> expected;
        for (int i = 1; i <= 30; ++i) {
            const QByteArray folder = box.src + "/f" + QByteArray::number(i);
            QVERIFY(::mkdir(folder.constData(), 0755) == 0);
            QVERIFY(writeBytes(folder + "/x", QByteArray::number(i)));
            QCOMPARE(moveToTrash(p(folder + "/x")), 0);
            expected << (i == 1 ? QByteArray("x") : "x." + QByteArray::number(i));
        }
        std::sort(expected.begin(), expected.end());
        QCOMPARE(entries(box.files()), expected);
        for (int i = 2; i <= 30; i += 7) {
            const QByteArray n = "x." + QByteArray::number(i);
            QCOMPARE(readAll(box.files() + '/' + n), QByteArray::number(i));
            QCOMPARE(parseInfo(readAll(box.info() + '/' + n + ".trashinfo")).path,
                     box.src + "/f" + QByteArray::number(i) + "/x");
        }
        // Restored by hand: the plain name is free again and taken first;
        // then the numbers go on where they were.
        QVERIFY(::unlink((box.files() + "/x").constData()) == 0);
        QVERIFY(::unlink((box.info() + "/x.trashinfo").constData()) == 0);
        for (const QByteArray& n : {QByteArray("x"), QByteArray("x.31")}) {
            QVERIFY(writeBytes(box.src + "/f1/x", n));
            TrashResult result;
            QCOMPARE(moveToTrash(p(box.src + "/f1/x"), &result), 0);
            QCOMPARE(pathToBytes(result.trashedPath), box.files() + '/' + n);
        }
    }

    void collisions_data()
    {
        QTest::addColumn<QList<QByteArray>>("items"); // relative to src/; "/" ends a folder
        QTest::addColumn<QList<QByteArray>>("strayFiles");
        QTest::addColumn<QList<QByteArray>>("strayInfos");
        using L = QList<QByteArray>;
        QTest::newRow("two files") << L{"a/same", "b/same"} << L{} << L{};
        QTest::newRow("three files") << L{"a/same", "b/same", "c/same"} << L{} << L{};
        QTest::newRow("file then folder") << L{"a/same", "b/same/"} << L{} << L{};
        QTest::newRow("same folder again") << L{"a/same", "a/same"} << L{} << L{};
        // Left over from an interrupted earlier run: neither may be overwritten.
        QTest::newRow("stray trashed item") << L{"a/same"} << L{"same"} << L{};
        QTest::newRow("stray info file") << L{"a/same"} << L{} << L{"same"};
        QTest::newRow("both strays") << L{"a/same", "b/same"} << L{"same"} << L{"same.2"};
    }
    void collisions()
    {
        QFETCH(QList<QByteArray>, items);
        QFETCH(QList<QByteArray>, strayFiles);
        QFETCH(QList<QByteArray>, strayInfos);
        Sandbox box;
        QVERIFY(::mkdir(box.trash.constData(), 0700) == 0);
        QVERIFY(::mkdir(box.files().constData(), 0700) == 0);
        QVERIFY(::mkdir(box.info().constData(), 0700) == 0);
        for (const QByteArray& stray : strayFiles)
            QVERIFY(writeBytes(box.files() + '/' + stray, "stray item"));
        for (const QByteArray& stray : strayInfos)
            QVERIFY(writeBytes(box.info() + '/' + stray + ".trashinfo", "stray info"));

        QSet<QByteArray> trashedNames;
        QSet<QByteArray> infoNames;
        for (int i = 0; i < items.size(); ++i) {
            QByteArray relative = items.at(i);
            const bool folder = relative.endsWith('/');
            if (folder)
                relative.chop(1);
            const QByteArray item = box.src + '/' + relative;
            const QByteArray content = "item " + QByteArray::number(i);
            ::mkdir((box.src + '/' + relative.left(relative.indexOf('/'))).constData(), 0755);
            if (folder) {
                QVERIFY(::mkdir(item.constData(), 0755) == 0);
                QVERIFY(writeBytes(item + "/inner", content));
            } else {
                QVERIFY(writeBytes(item, content));
            }
            TrashResult result;
            QCOMPARE(moveToTrash(p(item), &result), 0);
            const QByteArray trashed = pathToBytes(result.trashedPath);
            const QByteArray infoFile = pathToBytes(result.infoPath);
            QVERIFY(trashed.startsWith(box.files() + '/'));
            QVERIFY(infoFile.startsWith(box.info() + '/'));
            QCOMPARE(infoFile.mid(box.info().size() + 1),
                     trashed.mid(box.files().size() + 1) + ".trashinfo");
            QVERIFY(!trashedNames.contains(trashed));
            QVERIFY(!infoNames.contains(infoFile));
            trashedNames.insert(trashed);
            infoNames.insert(infoFile);
            QCOMPARE(readAll(folder ? trashed + "/inner" : trashed), content);
            QCOMPARE(parseInfo(readAll(infoFile)).path, item);
        }
        // Every earlier trashed item and info file is still there as it was.
        for (const QByteArray& trashed : trashedNames)
            QVERIFY(kindOf(trashed) != "missing");
        for (const QByteArray& stray : strayFiles)
            QCOMPARE(readAll(box.files() + '/' + stray), QByteArray("stray item"));
        for (const QByteArray& stray : strayInfos)
            QCOMPARE(readAll(box.info() + '/' + stray + ".trashinfo"), QByteArray("stray info"));
        QCOMPARE(entries(box.files()).size(), items.size() + strayFiles.size());
        QCOMPARE(entries(box.info()).size(), items.size() + strayInfos.size());
    }

    void longNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("255 ascii") << QByteArray(255, 'a');
        QTest::newRow("japanese, cut inside a character")
            << QByteArray("x") + QByteArray("\xe6\x97\xa5").repeated(84);
        QTest::newRow("only continuation bytes") << QByteArray(255, '\x80');
        QTest::newRow("invalid lead then continuations")
            << QByteArray(230, 'b') + QByteArray(25, '\x80');
    }
    void longNames()
    {
        QFETCH(QByteArray, name);
        QCOMPARE(name.size() <= 255, true);
        Sandbox box;
        QVERIFY(::mkdir((box.src + "/1").constData(), 0755) == 0);
        QVERIFY(::mkdir((box.src + "/2").constData(), 0755) == 0);
        QSet<QByteArray> seen;
        for (const char* sub : {"1", "2"}) {
            const QByteArray item = box.src + '/' + sub + '/' + name;
            QVERIFY(writeBytes(item, sub));
            TrashResult result;
            QCOMPARE(moveToTrash(p(item), &result), 0);
            const QByteArray trashed = pathToBytes(result.trashedPath);
            const QByteArray infoName = pathToBytes(result.infoPath).mid(box.info().size() + 1);
            QCOMPARE(readAll(trashed), QByteArray(sub));
            // The shortened name is a prefix of the original, and valid UTF-8
            // stays valid (no character cut in two).
            const QByteArray trashedName = trashed.mid(box.files().size() + 1);
            const QByteArray base =
                trashedName.endsWith(".2") && sub[0] == '2' ? trashedName.chopped(2) : trashedName;
            QVERIFY(name.startsWith(base));
            QVERIFY(base.size() >= 200);
            if (QString::fromUtf8(name).toUtf8() == name)
                QCOMPARE(QString::fromUtf8(base).toUtf8(), base);
            QVERIFY(infoName.size() <= 255);
            QVERIFY(infoName.size() > QByteArray(".trashinfo").size() + 100);
            QCOMPARE(parseInfo(readAll(pathToBytes(result.infoPath))).path, item);
            QVERIFY(!seen.contains(trashed));
            seen.insert(trashed);
        }
    }

    void links_data()
    {
        QTest::addColumn<QByteArray>("target"); // relative to src/
        QTest::addColumn<QByteArray>("make");   // what the target is: file, folder or nothing
        QTest::newRow("to a file") << QByteArray("target.txt") << QByteArray("file");
        QTest::newRow("to a folder") << QByteArray("target") << QByteArray("folder");
        QTest::newRow("dangling") << QByteArray("nowhere") << QByteArray("nothing");
        QTest::newRow("absolute dangling") << QByteArray("/nonexistent/x") << QByteArray("nothing");
        QTest::newRow("to itself") << QByteArray("link") << QByteArray("nothing");
    }
    void links()
    {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, make);
        Sandbox box;
        const QByteArray targetPath = box.src + '/' + target;
        if (make == "file")
            QVERIFY(writeBytes(targetPath, "target data"));
        if (make == "folder") {
            QVERIFY(::mkdir(targetPath.constData(), 0755) == 0);
            QVERIFY(writeBytes(targetPath + "/inner", "inner data"));
        }
        const QByteArray link = box.src + "/link";
        QVERIFY(::symlink(target.constData(), link.constData()) == 0);

        TrashResult result;
        QCOMPARE(moveToTrash(p(link), &result), 0);
        QCOMPARE(kindOf(link), QByteArray("missing"));
        QCOMPARE(kindOf(box.files() + "/link"), "link -> " + target);
        QCOMPARE(parseInfo(readAll(box.info() + "/link.trashinfo")).path, link);
        if (make == "file")
            QCOMPARE(readAll(targetPath), QByteArray("target data"));
        if (make == "folder")
            QCOMPARE(readAll(targetPath + "/inner"), QByteArray("inner data"));
        QCOMPARE(entries(box.files()), QList<QByteArray>{"link"});
    }

    void refusesMissingOrInvalid_data()
    {
        QTest::addColumn<QByteArray>("relative"); // below src/; "=" = an absolute path as is
        QTest::addColumn<int>("error");
        QTest::newRow("missing item") << QByteArray("nothing") << ENOENT;
        QTest::newRow("missing parent") << QByteArray("none/x") << ENOENT;
        QTest::newRow("parent is a file") << QByteArray("file/x") << ENOTDIR;
        QTest::newRow("dot") << QByteArray(".") << EINVAL;
        QTest::newRow("dot dot") << QByteArray("sub/..") << EINVAL;
        QTest::newRow("root") << QByteArray("=/") << EINVAL;
        QTest::newRow("empty") << QByteArray("=") << EINVAL;
        QTest::newRow("NUL inside the name") << QByteArray("file\0x", 6) << EINVAL;
        QTest::newRow("NUL inside the folder") << QByteArray("sub\0/file", 9) << EINVAL;
    }
    void refusesMissingOrInvalid()
    {
        QFETCH(QByteArray, relative);
        QFETCH(int, error);
        Sandbox box;
        QVERIFY(writeBytes(box.src + "/file", "x"));
        QVERIFY(::mkdir((box.src + "/sub").constData(), 0755) == 0);
        const QByteArray path =
            relative.startsWith('=') ? relative.mid(1) : box.src + '/' + relative;
        QCOMPARE(moveToTrash(p(path)), error);
        QCOMPARE(entries(box.files()), QList<QByteArray>{});
        QCOMPARE(entries(box.info()), QList<QByteArray>{});
        QCOMPARE(entries(box.src), (QList<QByteArray>{"file", "sub"}));
    }

    void refusesTrashItself_data()
    {
        QTest::addColumn<QByteArray>("relative"); // below data/
        QTest::newRow("the trash") << QByteArray("Trash");
        QTest::newRow("the trash, trailing slash") << QByteArray("Trash/");
        QTest::newRow("its info folder") << QByteArray("Trash/info");
        QTest::newRow("its files folder") << QByteArray("Trash/files");
        QTest::newRow("a trashed item") << QByteArray("Trash/files/old");
        QTest::newRow("an info file") << QByteArray("Trash/info/old.trashinfo");
        QTest::newRow("the folder holding it") << QByteArray("");
        QTest::newRow("through a link to the parent") << QByteArray("../link/Trash/info");
    }
    void refusesTrashItself()
    {
        QFETCH(QByteArray, relative);
        Sandbox box;
        QVERIFY(::mkdir(box.trash.constData(), 0700) == 0);
        QVERIFY(::mkdir(box.files().constData(), 0700) == 0);
        QVERIFY(::mkdir(box.info().constData(), 0700) == 0);
        QVERIFY(writeBytes(box.files() + "/old", "old"));
        QVERIFY(writeBytes(box.info() + "/old.trashinfo", "[Trash Info]\n"));
        QVERIFY(::symlink("data", (box.root + "/link").constData()) == 0);

        QByteArray path = box.data;
        if (!relative.isEmpty())
            path += '/' + relative;
        QCOMPARE(moveToTrash(p(path)), EINVAL);
        QCOMPARE(kindOf(box.files()), QByteArray("folder"));
        QCOMPARE(kindOf(box.info()), QByteArray("folder"));
        QCOMPARE(entries(box.files()), QList<QByteArray>{"old"});
        QCOMPARE(entries(box.info()), QList<QByteArray>{"old.trashinfo"});
    }

    void createsMissingHomeTrashParents_data()
    {
        QTest::addColumn<QByteArray>("xdg");      // "-" = unset; "~" = the sandbox
        QTest::addColumn<QByteArray>("expected"); // the trash, relative to the sandbox
        QTest::newRow("no ~/.local/share yet")
            << QByteArray("-") << QByteArray("home/.local/share/Trash");
        QTest::newRow("deep XDG_DATA_HOME") << QByteArray("~/x/y/z") << QByteArray("x/y/z/Trash");
        QTest::newRow("relative XDG_DATA_HOME ignored")
            << QByteArray("rel/data") << QByteArray("home/.local/share/Trash");
        QTest::newRow("empty XDG_DATA_HOME ignored")
            << QByteArray("") << QByteArray("home/.local/share/Trash");
        QTest::newRow("trailing slashes") << QByteArray("~/d//") << QByteArray("d/Trash");
    }
    void createsMissingHomeTrashParents()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QByteArray, expected);
        TempDir dir;
        const QByteArray root = dir.pathBytes();
        QVERIFY(::mkdir((root + "/home").constData(), 0755) == 0);
        QVERIFY(::mkdir((root + "/cwd").constData(), 0755) == 0);
        QVERIFY(::mkdir((root + "/cwd/rel").constData(), 0755) == 0);
        QVERIFY(writeBytes(root + "/item", "x"));
        EnvGuard home("HOME", root + "/home");
        QByteArray value = xdg;
        if (value.startsWith('~'))
            value = root + value.mid(1);
        EnvGuard data("XDG_DATA_HOME", value, xdg != "-");

        char cwd[PATH_MAX];
        QVERIFY(::getcwd(cwd, sizeof cwd));
        QVERIFY(::chdir((root + "/cwd").constData()) == 0);
        const int r = moveToTrash(p(root + "/item"));
        QVERIFY(::chdir(cwd) == 0);

        QCOMPARE(r, 0);
        const QByteArray trash = root + '/' + expected;
        QCOMPARE(readAll(trash + "/files/item"), QByteArray("x"));
        QCOMPARE(parseInfo(readAll(trash + "/info/item.trashinfo")).path, root + "/item");
        QCOMPARE(modeOf(trash), 0700);
        QCOMPARE(modeOf(trash + "/info"), 0700);
        // Nothing written relative to the current folder.
        QCOMPARE(entries(root + "/cwd"), QList<QByteArray>{"rel"});
        QCOMPARE(entries(root + "/cwd/rel"), QList<QByteArray>{});
    }

    void failedMoveLeavesNoInfoFile_data()
    {
        QTest::addColumn<QByteArray>("locked"); // made read-only: the item's folder or info/
        QTest::addColumn<int>("error");
        QTest::newRow("item in a read-only folder") << QByteArray("src/ro") << EACCES;
        QTest::newRow("info folder read-only") << QByteArray("data/Trash/info") << EACCES;
        QTest::newRow("info folder unreadable") << QByteArray("data/Trash/info:0") << EACCES;
    }
    void failedMoveLeavesNoInfoFile()
    {
        QFETCH(QByteArray, locked);
        QFETCH(int, error);
        Sandbox box;
        QVERIFY(::mkdir(box.trash.constData(), 0700) == 0);
        QVERIFY(::mkdir(box.files().constData(), 0700) == 0);
        QVERIFY(::mkdir(box.info().constData(), 0700) == 0);
        QVERIFY(::mkdir((box.src + "/ro").constData(), 0755) == 0);
        const QByteArray item = box.src + "/ro/item";
        QVERIFY(writeBytes(item, "keep me"));
        const bool root = ::geteuid() == 0;
        if (root) {
            // The child runs as nobody: it owns the trash, not the item's folder.
            QVERIFY(::chmod(box.root.constData(), 0755) == 0);
            QVERIFY(::chmod((box.src + "/ro").constData(), 0777) == 0);
            ::nftw(box.data.constData(), chownTree, 16, FTW_PHYS);
        }
        const qsizetype colon = locked.indexOf(':');
        const QByteArray lockedPath =
            box.root + '/' + locked.left(colon < 0 ? locked.size() : colon);
        const mode_t mode = colon < 0 ? 0555 : 0;
        QVERIFY(::chmod(lockedPath.constData(), mode) == 0);

        const int status =
            runInChild(Child::Unprivileged, [&] { QCOMPARE(moveToTrash(p(item)), error); });
        ::chmod(lockedPath.constData(), 0755);
        if (status == ChildSkipped)
            QSKIP("could not drop root privileges in a child process");
        QCOMPARE(status, 0);
        QCOMPARE(readAll(item), QByteArray("keep me"));
        QCOMPARE(entries(box.files()), QList<QByteArray>{});
        QCOMPARE(entries(box.info()), QList<QByteArray>{});
    }

    void isTrashFolder_data()
    {
        QTest::addColumn<QByteArray>("path"); // "~" = the sandbox, "$uid" = our user id
        QTest::addColumn<bool>("expected");
        QTest::newRow("home trash") << QByteArray("~/data/Trash") << true;
        QTest::newRow("home trash, trailing slash") << QByteArray("~/data/Trash/") << true;
        QTest::newRow("data folder") << QByteArray("~/data") << false;
        QTest::newRow("inside home trash") << QByteArray("~/data/Trash/files") << false;
        QTest::newRow("root: own folder") << QByteArray("/.Trash-$uid") << true;
        QTest::newRow("root: shared, per user") << QByteArray("/.Trash/$uid") << true;
        QTest::newRow("root: another user") << QByteArray("/.Trash-4000000000") << false;
        QTest::newRow("root: inside own folder") << QByteArray("/.Trash-$uid/files") << false;
        QTest::newRow("root: other name") << QByteArray("/Trash-$uid") << false;
        QTest::newRow("not a top folder") << QByteArray("~/.Trash-$uid") << false;
        QTest::newRow("not a top folder, shared") << QByteArray("~/.Trash/$uid") << false;
        QTest::newRow("empty") << QByteArray("") << false;
    }
    void isTrashFolder()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, expected);
        Sandbox box;
        QVERIFY(::mkdir((box.root + "/.Trash-" + uidText()).constData(), 0700) == 0);
        path.replace("$uid", uidText());
        if (path.startsWith('~'))
            path = box.root + path.mid(1);
        QCOMPARE(tovane::platform::isTrashFolder(p(path)), expected);
    }

    void volumeTrashFolder_data()
    {
        // setup: a list of "what=how" steps below the top folder; expected:
        // the chosen trash relative to it, or "" for EXDEV.
        QTest::addColumn<QList<QByteArray>>("setup");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("needsRoot");
        using L = QList<QByteArray>;
        QTest::newRow("nothing yet") << L{} << QByteArray(".Trash-$uid") << false;
        QTest::newRow("sticky shared folder")
            << L{".Trash=1777"} << QByteArray(".Trash/$uid") << false;
        QTest::newRow("sticky, per-user folder exists")
            << L{".Trash=1777", ".Trash/$uid=700"} << QByteArray(".Trash/$uid") << false;
        QTest::newRow("shared folder not sticky")
            << L{".Trash=777"} << QByteArray(".Trash-$uid") << false;
        QTest::newRow("shared folder is a link")
            << L{"elsewhere=1777", ".Trash=->elsewhere"} << QByteArray(".Trash-$uid") << false;
        QTest::newRow("shared folder is a file")
            << L{".Trash=file"} << QByteArray(".Trash-$uid") << false;
        QTest::newRow("per-user folder is a link")
            << L{".Trash=1777", "elsewhere=700", ".Trash/$uid=->../elsewhere"}
            << QByteArray(".Trash-$uid") << false;
        QTest::newRow("own folder exists")
            << L{".Trash-$uid=700"} << QByteArray(".Trash-$uid") << false;
        QTest::newRow("own folder is a link")
            << L{"elsewhere=700", ".Trash-$uid=->elsewhere"} << QByteArray() << false;
        QTest::newRow("own folder is a file") << L{".Trash-$uid=file"} << QByteArray() << false;
        QTest::newRow("own files folder is a link")
            << L{"elsewhere=700", ".Trash-$uid=700", ".Trash-$uid/files=->../elsewhere"}
            << QByteArray() << false;
        QTest::newRow("own folder owned by another user")
            << L{".Trash-$uid=700", ".Trash-$uid=nobody"} << QByteArray() << true;
        QTest::newRow("per-user folder owned by another user")
            << L{".Trash=1777", ".Trash/$uid=700", ".Trash/$uid=nobody"}
            << QByteArray(".Trash-$uid") << true;
    }
    void volumeTrashFolder()
    {
        QFETCH(QList<QByteArray>, setup);
        QFETCH(QByteArray, expected);
        QFETCH(bool, needsRoot);
        if (needsRoot && ::geteuid() != 0)
            QSKIP("needs a folder owned by someone else (run as root)");
        TempDir dir;
        const QByteArray top = dir.pathBytes();
        for (QByteArray step : setup) {
            step.replace("$uid", uidText());
            const qsizetype eq = step.indexOf('=');
            const QByteArray path = top + '/' + step.left(eq);
            const QByteArray how = step.mid(eq + 1);
            if (how == "file") {
                QVERIFY(writeBytes(path, "x"));
            } else if (how == "nobody") {
                QVERIFY(::lchown(path.constData(), NobodyId, NobodyId) == 0);
            } else if (how.startsWith("->")) {
                QVERIFY(::symlink(how.mid(2).constData(), path.constData()) == 0);
            } else {
                QVERIFY(::mkdir(path.constData(), 0700) == 0);
                QVERIFY(::chmod(path.constData(), mode_t(how.toUInt(nullptr, 8))) == 0);
            }
        }
        expected.replace("$uid", uidText());
        const bool elsewhere = kindOf(top + "/elsewhere") == "folder";

        QByteArray trash;
        const int r = detail::volumeTrashFolder(top, trash);
        if (expected.isEmpty()) {
            QCOMPARE(r, EXDEV);
        } else {
            QCOMPARE(r, 0);
            QCOMPARE(trash, top + '/' + expected);
            QCOMPARE(kindOf(trash + "/files"), QByteArray("folder"));
            QCOMPARE(kindOf(trash + "/info"), QByteArray("folder"));
            QCOMPARE(modeOf(trash + "/info"), 0700);
        }
        // Nothing is ever made through a link.
        if (elsewhere)
            QCOMPARE(entries(top + "/elsewhere"), QList<QByteArray>{});
    }

    void topDirOfPlainFolder()
    {
        // A folder on the same mount as its parent never is its own top folder.
        TempDir dir;
        const QByteArray top = detail::topDirOf(dir.pathBytes());
        QVERIFY(top.startsWith('/'));
        QVERIFY(dir.pathBytes() != top);
        QVERIFY(dir.pathBytes().startsWith(top == "/" ? top : top + '/'));
    }

    void volumeTrash_data()
    {
        // mount: "tmpfs" for a volume of its own at vol/, "bind" for src/ bound
        // to vol/ (same device, other mount). setup: made on the volume first.
        // expected: the trash relative to vol/, "" for the error.
        QTest::addColumn<QByteArray>("mount");
        QTest::addColumn<QList<QByteArray>>("setup");
        QTest::addColumn<QByteArray>("item"); // relative to vol/
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("encodedPath");
        using L = QList<QByteArray>;
        QTest::newRow("own folder") << QByteArray("tmpfs") << L{} << QByteArray("sub/a b.txt") << 0
                                    << QByteArray(".Trash-$uid") << QByteArray("sub/a%20b.txt");
        QTest::newRow("item at the top") << QByteArray("tmpfs") << L{} << QByteArray("x%") << 0
                                         << QByteArray(".Trash-$uid") << QByteArray("x%25");
        QTest::newRow("invalid utf-8") << QByteArray("tmpfs") << L{} << QByteArray("sub/\xff") << 0
                                       << QByteArray(".Trash-$uid") << QByteArray("sub/%FF");
        QTest::newRow("sticky shared folder")
            << QByteArray("tmpfs") << L{".Trash=1777"} << QByteArray("sub/x") << 0
            << QByteArray(".Trash/$uid") << QByteArray("sub/x");
        QTest::newRow("shared folder not sticky")
            << QByteArray("tmpfs") << L{".Trash=777"} << QByteArray("sub/x") << 0
            << QByteArray(".Trash-$uid") << QByteArray("sub/x");
        QTest::newRow("no usable trash")
            << QByteArray("tmpfs") << L{".Trash-$uid=->sub"} << QByteArray("sub/x") << EXDEV
            << QByteArray() << QByteArray();
        QTest::newRow("the volume trash itself")
            << QByteArray("tmpfs") << L{".Trash-$uid=700"} << QByteArray(".Trash-$uid") << EINVAL
            << QByteArray() << QByteArray();
        QTest::newRow("its info folder")
            << QByteArray("tmpfs") << L{".Trash-$uid=700", ".Trash-$uid/info=700"}
            << QByteArray(".Trash-$uid/info") << EINVAL << QByteArray() << QByteArray();
        QTest::newRow("the shared folder")
            << QByteArray("tmpfs") << L{".Trash=1777"} << QByteArray(".Trash") << EINVAL
            << QByteArray() << QByteArray();
        QTest::newRow("bind mount of the home volume")
            << QByteArray("bind") << L{} << QByteArray("sub/x") << 0 << QByteArray(".Trash-$uid")
            << QByteArray("sub/x");
    }
    void volumeTrash()
    {
        QFETCH(QByteArray, mount);
        QFETCH(QList<QByteArray>, setup);
        QFETCH(QByteArray, item);
        QFETCH(int, error);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, encodedPath);
        Sandbox box;
        const QByteArray vol = box.root + "/vol";
        QVERIFY(::mkdir(vol.constData(), 0755) == 0);
        expected.replace("$uid", uidText());
        const QByteArray itemPath = vol + '/' + item.replace("$uid", uidText());

        const int status = runInChild(Child::OwnMounts, [&] {
            if (mount == "tmpfs") {
                if (::mount("tovane-test", vol.constData(), "tmpfs", 0, "mode=0755") != 0)
                    ::_exit(ChildSkipped);
            } else if (::mount(box.src.constData(), vol.constData(), nullptr, MS_BIND, nullptr) !=
                       0) {
                ::_exit(ChildSkipped);
            }
            QVERIFY(::mkdir((vol + "/sub").constData(), 0755) == 0);
            for (QByteArray step : setup) {
                step.replace("$uid", uidText());
                const qsizetype eq = step.indexOf('=');
                const QByteArray path = vol + '/' + step.left(eq);
                const QByteArray how = step.mid(eq + 1);
                if (how.startsWith("->")) {
                    QVERIFY(::symlink(how.mid(2).constData(), path.constData()) == 0);
                } else {
                    QVERIFY(::mkdir(path.constData(), 0700) == 0);
                    QVERIFY(::chmod(path.constData(), mode_t(how.toUInt(nullptr, 8))) == 0);
                }
            }
            if (kindOf(itemPath) == "missing")
                QVERIFY(writeBytes(itemPath, "on the volume"));
            const QByteArray before = kindOf(itemPath);

            TrashResult result;
            QCOMPARE(moveToTrash(p(itemPath), &result), error);
            // The home trash is never used for another volume, nor left with an info file.
            QCOMPARE(entries(box.info()), QList<QByteArray>{});
            QCOMPARE(entries(box.files()), QList<QByteArray>{});
            if (error) {
                QCOMPARE(kindOf(itemPath), before);
                QCOMPARE(entries(vol + "/sub"), kindOf(vol + "/sub/x") == "file"
                                                    ? QList<QByteArray>{"x"}
                                                    : QList<QByteArray>{});
                return;
            }
            const QByteArray trash = vol + '/' + expected;
            const QByteArray name = itemPath.mid(itemPath.lastIndexOf('/') + 1);
            QCOMPARE(kindOf(itemPath), QByteArray("missing"));
            QCOMPARE(pathToBytes(result.trashedPath), trash + "/files/" + name);
            QCOMPARE(readAll(trash + "/files/" + name), QByteArray("on the volume"));
            const Info info = parseInfo(readAll(trash + "/info/" + name + ".trashinfo"));
            QCOMPARE(info.rawPath, encodedPath);
            QVERIFY(localDateSeconds(info.date) != -1);
            QVERIFY(tovane::platform::isTrashFolder(p(trash)));
        });
        if (status == ChildSkipped)
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        QCOMPARE(status, 0);
        if (mount == "bind") {
            // The bound folder keeps what the volume trash got.
            const QByteArray trash = box.src + '/' + expected;
            QCOMPARE(readAll(trash + "/files/x"), QByteArray("on the volume"));
            QCOMPARE(entries(box.info()), QList<QByteArray>{});
        }
    }

    // The other operations of the layer share the same path rules.
    void moveAndCopyRefuseNul_data()
    {
        QTest::addColumn<QByteArray>("operation");
        QTest::addColumn<QByteArray>("source"); // below src/
        QTest::addColumn<QByteArray>("destination");
        QTest::newRow("copy, source")
            << QByteArray("copy") << QByteArray("file\0x", 6) << QByteArray("out");
        QTest::newRow("copy, destination")
            << QByteArray("copy") << QByteArray("file") << QByteArray("out\0x", 5);
        QTest::newRow("move, source")
            << QByteArray("move") << QByteArray("file\0x", 6) << QByteArray("out");
        QTest::newRow("move, destination")
            << QByteArray("move") << QByteArray("file") << QByteArray("out\0x", 5);
        QTest::newRow("move by copy, source")
            << QByteArray("move by copy") << QByteArray("file\0x", 6) << QByteArray("out");
    }
    void moveAndCopyRefuseNul()
    {
        QFETCH(QByteArray, operation);
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, destination);
        Sandbox box;
        QVERIFY(writeBytes(box.src + "/file", "data"));
        const QString from = p(box.src + '/' + source);
        const QString to = p(box.src + '/' + destination);
        CopyOptions options;
        options.replaceExisting = true;
        int r = -1;
        if (operation == "copy")
            r = copyFile(from, to, options);
        else if (operation == "move")
            r = moveItem(from, to, options);
        else
            r = detail::moveByCopy(from, to, options);
        QCOMPARE(r, EINVAL);
        QCOMPARE(entries(box.src), QList<QByteArray>{"file"});
        QCOMPARE(readAll(box.src + "/file"), QByteArray("data"));
    }

    void moveByCopyOntoItself_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("replace");
        QTest::newRow("file, replace") << false << true;
        QTest::newRow("file, keep") << false << false;
        QTest::newRow("empty folder, replace") << true << true;
    }
    void moveByCopyOntoItself()
    {
        QFETCH(bool, folder);
        QFETCH(bool, replace);
        Sandbox box;
        const QByteArray item = box.src + "/item";
        if (folder)
            QVERIFY(::mkdir(item.constData(), 0755) == 0);
        else
            QVERIFY(writeBytes(item, "only copy"));
        CopyOptions options;
        options.replaceExisting = replace;
        QCOMPARE(detail::moveByCopy(p(item), p(item), options), EEXIST);
        QCOMPARE(entries(box.src), QList<QByteArray>{"item"});
        QCOMPARE(kindOf(item), QByteArray(folder ? "folder" : "file"));
        if (!folder)
            QCOMPARE(readAll(item), QByteArray("only copy"));
    }

    void moveThroughBindMountKeepsItem_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("folder");
        QTest::newRow("file, replace") << true << false;
        QTest::newRow("file, keep") << false << false;
        QTest::newRow("empty folder, replace") << true << true;
    }
    void moveThroughBindMountKeepsItem()
    {
        // src/ bound to vol/: one item under two mounts, where a plain
        // rename says EXDEV. Nothing to move, and above all nothing lost.
        QFETCH(bool, replace);
        QFETCH(bool, folder);
        Sandbox box;
        const QByteArray vol = box.root + "/vol";
        QVERIFY(::mkdir(vol.constData(), 0755) == 0);
        const QByteArray item = box.src + "/item";
        if (folder)
            QVERIFY(::mkdir(item.constData(), 0755) == 0);
        else
            QVERIFY(writeBytes(item, "only copy"));
        const int status = runInChild(Child::OwnMounts, [&] {
            if (::mount(box.src.constData(), vol.constData(), nullptr, MS_BIND, nullptr) != 0)
                ::_exit(ChildSkipped);
            CopyOptions options;
            options.replaceExisting = replace;
            const int r = moveItem(p(item), p(vol + "/item"), options);
            if (replace)
                QVERIFY2(r == 0 || r == EEXIST, qPrintable(QString::number(r)));
            else
                QCOMPARE(r, EEXIST);
        });
        if (status == ChildSkipped)
            QSKIP("no private mount namespace here (needs root or user namespaces)");
        QCOMPARE(kindOf(item), QByteArray(folder ? "folder" : "file"));
        if (!folder)
            QCOMPARE(readAll(item), QByteArray("only copy"));
        QCOMPARE(entries(box.src), QList<QByteArray>{"item"});
        QCOMPARE(status, 0);
    }
};

QTEST_GUILESS_MAIN(TrashTest)
#include "tst_trash.moc"
