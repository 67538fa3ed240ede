#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "platform/names.h"
#include "support/tempdir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovane;
using tovane::platform::VolumeInfo;
using tovane::test::TempDir;

namespace {

const QString Caption = QStringLiteral("Tovane　Ver. 0.1.0");
const QString CrLf2 = QStringLiteral("\r\n\r\n");

QString lossless(const QByteArray& bytes)
{
    return platform::nameFromBytes(bytes);
}

// "@" in row texts stands for the temporary folder.
QString at(const QString& text, const QString& root)
{
    QString out = text;
    return out.replace(QLatin1Char('@'), root);
}

// Entries relative to the folder: "a/" a folder, "a/f" a file, "a/f*" an
// executable file, "l->a" a link.
bool build(const TempDir& dir, const QList<QByteArray>& entries)
{
    for (const QByteArray& e : entries) {
        const qsizetype arrow = e.indexOf("->");
        bool ok;
        if (arrow > 0)
            ok = ::symlink(e.mid(arrow + 2).constData(),
                           (dir.pathBytes() + '/' + e.left(arrow)).constData()) == 0;
        else if (e.endsWith('/'))
            ok = dir.makeFolder(e.chopped(1));
        else if (e.endsWith('*'))
            ok = dir.writeFile(e.chopped(1), "x") &&
                 ::chmod((dir.pathBytes() + '/' + e.chopped(1)).constData(), 0755) == 0;
        else
            ok = dir.writeFile(e, "x");
        if (!ok)
            return false;
    }
    return true;
}

struct Env {
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    std::unique_ptr<VolumeSource> source;
    std::unique_ptr<PathChecker> checker;

    explicit Env(std::unique_ptr<VolumeSource> s = std::make_unique<FakeVolumeSource>())
        : source(std::move(s))
    {
        checker = std::make_unique<PathChecker>(
            CheckContext{messages, progress, *source, Caption, [] { return RightWindow; }});
    }
    FakeVolumeSource& fake() { return static_cast<FakeVolumeSource&>(*source); }
};

FakeVolumeSource::Volume volume(const QString& mountPoint, int type = platform::DriveFixed,
                                int error = 0, bool readOnly = false)
{
    FakeVolumeSource::Volume v;
    v.mountPoint = mountPoint;
    v.driveType = type;
    v.error = error;
    v.readOnly = readOnly;
    return v;
}

// Drops to an ordinary user while it lives, so permission bits apply.
class Unprivileged {
public:
    Unprivileged()
    {
        if (::geteuid() != 0)
            m_ok = true;
        else
            m_ok = m_dropped = ::seteuid(65534) == 0;
    }
    ~Unprivileged()
    {
        if (m_dropped && ::seteuid(0) != 0)
            qFatal("could not take root back");
    }
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
    bool m_dropped = false;
};

} // namespace

class PathCheckTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Real folders. With the fake the temporary folder is a volume of its
    // own, so "nothing exists" falls back to its mount point; the real
    // source sees it as a folder of a bigger volume.
    void codes_data()
    {
        QTest::addColumn<bool>("real");
        QTest::addColumn<QList<QByteArray>>("entries");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("message");
        using L = QList<QByteArray>;
        const QString bad = lossless("bad\xff");
        const auto rows = [&](const char* tag, const L& entries, const QString& path,
                              const QString& name, int code, const QString& fallback,
                              const QString& message, bool realToo = true) {
            QTest::newRow((QByteArray("fake: ") + tag).constData())
                << false << entries << path << name << code << fallback << message;
            if (realToo)
                QTest::newRow((QByteArray("real: ") + tag).constData())
                    << true << entries << path << name << code << fallback << message;
        };
        const QString none;
        // clang-format off
        rows("folder exists", L{"a/", "a/b/"}, "@/a/b", none, 0, none, none);
        rows("trailing separator", L{"a/"}, "@/a/", none, 0, none, none);
        rows("file in folder", L{"a/", "a/f.txt"}, "@/a", "f.txt", 0, none, none);
        rows("letter case of name ignored", L{"a/", "a/Readme.TXT"}, "@/a", "readme.txt", 0, none, none);
        rows("path is a file", L{"a/", "a/f.txt"}, "@/a/f.txt", none, 0, none, none);
        rows("file missing", L{"a/"}, "@/a", "g.txt", 53, "@/a",
             PathChecker::fileMissingText("@/a/", "g.txt"));
        rows("folder deleted behind our back", L{"a/"}, "@/a/gone", none, 76, "@/a",
             "パス @/a/gone/ は" + CrLf2 + "見つかりません。");
        rows("deepest existing folder", L{"a/", "a/b/"}, "@/a/b/x/y/z", none, 76, "@/a/b",
             PathChecker::pathMissingText("@/a/b/x/y/z/"));
        rows("missing folder beats missing file", L{"a/"}, "@/a/gone", "f.txt", 76, "@/a",
             PathChecker::pathMissingText("@/a/gone/"));
        rows("file as ancestor is no fallback", L{"a/", "a/f.txt"}, "@/a/f.txt/sub", none, 76, "@/a",
             PathChecker::pathMissingText("@/a/f.txt/sub/"));
        rows("executable as ancestor is no fallback", L{"a/", "a/run*"}, "@/a/run/sub", none, 76, "@/a",
             PathChecker::pathMissingText("@/a/run/sub/"));
        rows("link to folder as fallback", L{"a/", "l->a"}, "@/l/gone", none, 76, "@/l",
             PathChecker::pathMissingText("@/l/gone/"));
        rows("invalid UTF-8 folder", L{"bad\xff/"}, "@/" + bad, none, 0, none, none);
        rows("invalid UTF-8 file", L{"a/", "a/bad\xff"}, "@/a", bad, 0, none, none);
        rows("below invalid UTF-8 folder", L{"bad\xff/"}, "@/" + bad + "/sub", none, 76, "@/" + bad,
             PathChecker::pathMissingText("@/" + bad + "/sub/"));
        rows("nothing on the path exists", L{}, "@/x/y", none, 76, "@",
             PathChecker::pathMissingText("@/x/y/"));
        rows("file missing in volume root", L{}, "@", "nofile", 53, "@",
             "ファイル @/nofile は" + CrLf2 + "見つかりません。");
        rows("volume root alone", L{}, "@", none, 0, "@", none, false);
        rows("volume root with separator", L{}, "@/", none, 0, "@", none, false);
        rows("relative path", L{}, "a/b", none, 1, none, none);
        rows("empty path", L{}, "", none, 1, none, none);
        rows("computer node", L{}, "ｺﾝﾋﾟｭｰﾀ", none, 1, none, none);
        // clang-format on
    }
    void codes()
    {
        QFETCH(bool, real);
        QFETCH(QList<QByteArray>, entries);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(QString, fallback);
        QFETCH(QString, message);
        TempDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(build(dir, entries));
        const QString root = dir.path();
        Env env(real ? std::unique_ptr<VolumeSource>(std::make_unique<PlatformVolumeSource>())
                     : std::make_unique<FakeVolumeSource>());
        if (!real)
            env.fake().addVolume(volume(root));

        QCOMPARE(env.checker->checkPath(LeftWindow, at(path, root), name, true), code);
        QCOMPARE(env.checker->fallbackPath(LeftWindow), at(fallback, root));
        QCOMPARE(env.checker->fallbackPath(RightWindow), QString());
        QCOMPARE(env.messages.texts(),
                 message.isEmpty() ? QStringList() : QStringList{at(message, root)});
        if (!message.isEmpty())
            QCOMPARE(env.messages.captions(), QStringList{Caption});
        const bool failed = code != 0 && code != 1;
        QCOMPARE(env.checker->failedDrives().isEmpty(), !failed);

        // Without show the same code, and never a message.
        env.checker->clearFailedDrives();
        env.messages.clearLog();
        QCOMPARE(env.checker->checkPath(RightWindow, at(path, root), name, false), code);
        QCOMPARE(env.checker->fallbackPath(RightWindow), at(fallback, root));
        QCOMPARE(env.messages.log().size(), 0);
    }

    // "@" stands for the test folder; the second check must not inherit the
    // fallback of the first, also when it fails before looking at the disk.
    void fallbackRewrittenByEachCheck_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("code");
        QTest::newRow("existing folder") << "@/a" << 0;
        QTest::newRow("relative path") << "a" << int(CheckNotAPath);
        QTest::newRow("drive letter") << "C:\\" << int(CheckNotAPath);
        QTest::newRow("empty path") << "" << int(CheckNotAPath);
    }
    void fallbackRewrittenByEachCheck()
    {
        QFETCH(QString, second);
        QFETCH(int, code);
        TempDir dir;
        QVERIFY(build(dir, {"a/"}));
        Env env;
        QCOMPARE(env.checker->checkPath(LeftWindow, dir.filePath("a/gone"), {}, false), 76);
        QCOMPARE(env.checker->fallbackPath(LeftWindow), dir.filePath("a"));
        second.replace(u'@', dir.path());
        QCOMPARE(env.checker->checkPath(LeftWindow, second, {}, false), code);
        QCOMPARE(env.checker->fallbackPath(LeftWindow), QString());
    }

    // Volumes the fake declares broken; nothing of them exists on disk.
    void volumeFailures_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("vanished");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString usb = QStringLiteral("/media/user/USB");
        const int removable = platform::DriveRemovable;
        const int network = platform::DriveNetwork;
        // clang-format off
        QTest::newRow("no medium") << removable << ENOMEDIUM << false << usb + "/docs" << "" << 71
            << "ドライブ " + usb + " に" + CrLf2 + "メディアが挿入されていません。";
        QTest::newRow("no medium, root alone") << removable << ENOMEDIUM << false << usb << "" << 71
            << PathChecker::noMediumText(usb);
        QTest::newRow("no medium, with name") << removable << ENOMEDIUM << false << usb << "a.txt" << 71
            << PathChecker::noMediumText(usb);
        QTest::newRow("unreadable medium") << removable << EIO << false << usb + "/docs" << "" << 2
            << "ドライブ " + usb + " の" + CrLf2 + "メディアはフォーマット異常です。";
        QTest::newRow("damaged file system") << removable << EUCLEAN << false << usb << "" << 2
            << PathChecker::unreadableText(usb);
        QTest::newRow("hanging network mount") << network << ETIMEDOUT << false << "/net/share/a/b/c" << "" << 71
            << PathChecker::noMediumText("/net/share");
        QTest::newRow("hanging, with name") << network << ETIMEDOUT << false << "/net/share/a" << "x" << 71
            << PathChecker::noMediumText("/net/share");
        QTest::newRow("stale network handle") << network << ESTALE << false << "/net/share" << "" << 68
            << PathChecker::notConnectedText("/net/share");
        QTest::newRow("unplugged stick") << removable << 0 << true << usb + "/docs/x" << "" << 68
            << "ドライブ " + usb + " は" + CrLf2 + "接続されていません。";
        QTest::newRow("unplugged, root alone") << removable << 0 << true << usb << "" << 68
            << PathChecker::notConnectedText(usb);
        QTest::newRow("unplugged, with name") << removable << 0 << true << usb << "a.txt" << 68
            << PathChecker::notConnectedText(usb);
        QTest::newRow("root volume gone missing") << int(platform::DriveFixed) << ENOENT << false << "/a" << "" << 68
            << PathChecker::notConnectedText("/");
        // clang-format on
    }
    void volumeFailures()
    {
        QFETCH(int, type);
        QFETCH(int, error);
        QFETCH(bool, vanished);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(QString, message);
        Env env;
        const QString mount = path.startsWith("/net/")     ? QStringLiteral("/net/share")
                              : path.startsWith("/media/") ? QStringLiteral("/media/user/USB")
                                                           : QStringLiteral("/");
        env.fake().addVolume(volume(mount, type, error));
        if (vanished)
            env.fake().removeVolume(mount);

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(env.checker->checkPath(LeftWindow, path, name, true), code);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(env.messages.texts(), QStringList{message});
        QCOMPARE(env.messages.captions(), QStringList{Caption});
        QCOMPARE(env.checker->fallbackPath(LeftWindow), QString());
        QCOMPARE(env.checker->failedDrives(), QStringList{mount});
        // A volume that does not answer is asked once, not once per folder.
        if (error == ETIMEDOUT || error == ENOMEDIUM)
            QCOMPARE(env.fake().callsOn(mount), 1);
    }

    // Within one action a failing volume is reported once; the next action
    // (which clears the list) reports it again. Other volumes still report.
    void reportedOncePerAction_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("vanished");
        QTest::addColumn<int>("code");
        QTest::newRow("no medium") << ENOMEDIUM << false << 71;
        QTest::newRow("hanging") << ETIMEDOUT << false << 71;
        QTest::newRow("unplugged") << 0 << true << 68;
        QTest::newRow("missing folders") << 0 << false << 76;
    }
    void reportedOncePerAction()
    {
        QFETCH(int, error);
        QFETCH(bool, vanished);
        QFETCH(int, code);
        TempDir dir;
        const QString mount = dir.path();
        Env env;
        env.fake().addVolume(volume(mount, platform::DriveRemovable, error));
        if (vanished)
            env.fake().removeVolume(mount);
        env.fake().addVolume(volume("/other", platform::DriveRemovable, ENOMEDIUM));

        QCOMPARE(env.checker->checkPath(LeftWindow, mount + "/x", {}, true), code);
        QCOMPARE(env.checker->checkPath(RightWindow, mount + "/y", {}, true), code);
        QCOMPARE(env.checker->checkPath(LeftWindow, mount + "/z", "f", true), code);
        QCOMPARE(env.messages.log().size(), 1);
        QCOMPARE(env.checker->checkPath(LeftWindow, "/other/a", {}, true), 71);
        QCOMPARE(env.messages.log().size(), 2);
        QCOMPARE(env.checker->failedDrives(), (QStringList{mount, "/other"}));

        env.checker->clearFailedDrives();
        QCOMPARE(env.checker->checkPath(LeftWindow, mount + "/y", {}, true), code);
        QCOMPARE(env.messages.log().size(), 3);
    }

    // Folders the user may not list: simulated by the fake, so the rows
    // also run as root.
    void accessDenied_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("message");
        const QString denied = "フォルダ @/a/secret/ について" + CrLf2 + "アクセスが拒否されました";
        QTest::newRow("the folder itself") << "@/a/secret"
                                           << "" << 70 << "@/a" << denied;
        QTest::newRow("a file in it") << "@/a/secret"
                                      << "f.txt" << 70 << "@/a" << denied;
        QTest::newRow("below it") << "@/a/secret/sub"
                                  << "" << 70 << "@/a"
                                  << "フォルダ @/a/secret/sub/ について" + CrLf2 +
                                         "アクセスが拒否されました";
        QTest::newRow("missing below it")
            << "@/a/secret/gone/x"
            << "" << 70 << "@/a" << PathChecker::accessDeniedText("@/a/secret/gone/x");
        QTest::newRow("named as entry of its parent") << "@/a"
                                                      << "secret" << 0 << ""
                                                      << "";
        QTest::newRow("missing beside it")
            << "@/a/gone"
            << "" << 76 << "@/a" << PathChecker::pathMissingText("@/a/gone/");
    }
    void accessDenied()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(QString, fallback);
        QFETCH(QString, message);
        TempDir dir;
        QVERIFY(build(dir, {"a/", "a/secret/", "a/secret/sub/", "a/secret/f.txt"}));
        const QString root = dir.path();
        Env env;
        env.fake().addVolume(volume(root));
        env.fake().denyAccess(root + "/a/secret");
        QCOMPARE(env.checker->checkPath(LeftWindow, at(path, root), name, true), code);
        QCOMPARE(env.checker->fallbackPath(LeftWindow), at(fallback, root));
        QCOMPARE(env.messages.texts(),
                 message.isEmpty() ? QStringList() : QStringList{at(message, root)});
    }

    // The same on the real disk through the platform: permission bits only
    // bind an ordinary user, so root runs these rows as uid 65534.
    void accessDeniedOnDisk_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("fallback");
        QTest::newRow("no permission") << "@/a/secret" << 70 << "@/a";
        QTest::newRow("below no permission") << "@/a/secret/sub" << 70 << "@/a";
        QTest::newRow("search but no read") << "@/a/listless" << 70 << "@/a";
        QTest::newRow("readable beside") << "@/a/open" << 0 << "";
    }
    void accessDeniedOnDisk()
    {
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, fallback);
        TempDir dir;
        QVERIFY(build(dir, {"a/", "a/secret/", "a/secret/sub/", "a/listless/", "a/open/"}));
        QCOMPARE(::chmod(dir.pathBytes().constData(), 0755), 0);
        QCOMPARE(::chmod((dir.pathBytes() + "/a/secret").constData(), 0), 0);
        QCOMPARE(::chmod((dir.pathBytes() + "/a/listless").constData(), 0311), 0);
        const QString root = dir.path();
        Env env(std::make_unique<PlatformVolumeSource>());
        int result = -1;
        {
            Unprivileged user;
            if (!user.ok())
                QSKIP(
                    "running as root and uid 65534 cannot be taken: permission bits do not apply");
            if (::faccessat(AT_FDCWD, (dir.pathBytes() + "/a").constData(), X_OK, AT_EACCESS) != 0)
                QSKIP("the temporary folder is out of reach of uid 65534 (set TMPDIR elsewhere)");
            result = env.checker->checkPath(LeftWindow, at(path, root), {}, true);
        }
        QCOMPARE(result, code);
        QCOMPARE(env.checker->fallbackPath(LeftWindow), at(fallback, root));
        QCOMPARE(env.messages.log().size(), code ? 1 : 0);
    }

    // A volume unmounted behind the program's back is a missing drive even
    // when its mount point folder stays behind, until it is forgotten.
    void vanishedVolumeOfRealSource()
    {
        TempDir dir;
        QVERIFY(build(dir, {"mnt/", "mnt/docs/"}));
        const QString mount = dir.filePath("mnt");
        bool mounted = true;
        auto lister = [&]() {
            QList<VolumeInfo> list;
            VolumeInfo root;
            root.mountPoint = "/";
            list << root;
            if (mounted) {
                VolumeInfo usb;
                usb.mountPoint = mount;
                usb.driveType = platform::DriveRemovable;
                list << usb;
            }
            return list;
        };
        auto source = std::make_unique<PlatformVolumeSource>(2000, lister);
        PlatformVolumeSource& platformSource = *source;
        Env env(std::move(source));
        QCOMPARE(env.checker->checkPath(LeftWindow, mount + "/docs", {}, true), 0);

        mounted = false;
        platformSource.refresh();
        QCOMPARE(env.checker->checkPath(LeftWindow, mount + "/docs", {}, true), 68);
        QCOMPARE(env.messages.texts(), QStringList{PathChecker::notConnectedText(mount)});
        QCOMPARE(env.checker->fallbackPath(LeftWindow), QString());
        QVERIFY(!env.checker->checkWritable(mount, false, {}));
        QCOMPARE(env.checker->lastCheckCode(), 68);

        platformSource.forgetVanished();
        QCOMPARE(env.checker->checkPath(LeftWindow, mount + "/docs", {}, false), 0);
    }

    void checkWritable_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("vanished");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("show");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const int fixed = platform::DriveFixed, removable = platform::DriveRemovable,
                  cdrom = platform::DriveCdRom, network = platform::DriveNetwork;
        const QString m = QStringLiteral("/media/v");
        const QString p = m + "/docs";
        const QString protectedText = "ドライブ " + m + " は" + CrLf2 + "書込み禁止状態です。";
        const QString noMedium = PathChecker::noMediumText(m);
        // clang-format off
        QTest::newRow("fixed") << fixed << false << 0 << false << p << true << true << 0 << "";
        // A read-only mount cannot be written whatever the volume is.
        QTest::newRow("fixed mounted read-only") << fixed << true << 0 << false << p << true << false << 70 << protectedText;
        QTest::newRow("network mounted read-only") << network << true << 0 << false << p << true << false << 70 << protectedText;
        QTest::newRow("read-only, quiet") << fixed << true << 0 << false << p << false << false << 70 << "";
        QTest::newRow("removable") << removable << false << 0 << false << p << true << true << 0 << "";
        QTest::newRow("removable write-protected") << removable << true << 0 << false << p << true << false << 70 << protectedText;
        QTest::newRow("write-protected, quiet") << removable << true << 0 << false << p << false << false << 70 << "";
        QTest::newRow("optical disc") << cdrom << true << 0 << false << m << true << false << 70 << protectedText;
        QTest::newRow("removable without medium") << removable << false << ENOMEDIUM << false << p << true << false << 71 << noMedium;
        QTest::newRow("removable hanging") << removable << false << ETIMEDOUT << false << p << true << false << 71 << noMedium;
        QTest::newRow("removable unplugged") << removable << false << 0 << true << p << true << false << 68 << noMedium;
        QTest::newRow("unreadable counts as writable once told") << removable << false << EIO << false << p << true << true << 0
            << PathChecker::unreadableText(m);
        QTest::newRow("unreadable, quiet") << removable << false << EIO << false << p << false << false << 2 << "";
        QTest::newRow("computer node") << fixed << false << 0 << false << "ｺﾝﾋﾟｭｰﾀ" << true << false << -1 << "";
        QTest::newRow("computer key") << fixed << false << 0 << false << "_" << true << false << -1 << "";
        QTest::newRow("no volume for the text") << fixed << false << 0 << false << "docs" << true << false << 5
            << "ドライブ docs は" + CrLf2 + "処理できません。";
        // clang-format on
    }
    void checkWritable()
    {
        QFETCH(int, type);
        QFETCH(bool, readOnly);
        QFETCH(int, error);
        QFETCH(bool, vanished);
        QFETCH(QString, path);
        QFETCH(bool, show);
        QFETCH(bool, writable);
        QFETCH(int, code);
        QFETCH(QString, message);
        Env env;
        env.fake().addVolume(volume("/media/v", type, error, readOnly));
        if (vanished)
            env.fake().removeVolume("/media/v");
        const QString title = QStringLiteral("ドライブの状態");
        QCOMPARE(env.checker->checkWritable(path, show, title), writable);
        if (code >= 0)
            QCOMPARE(env.checker->lastCheckCode(), code);
        QCOMPARE(env.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(env.messages.captions(), QStringList{title});
        // The medium re-check runs for the selected window, quietly.
        if (error == ENOMEDIUM || error == ETIMEDOUT)
            QCOMPARE(env.checker->failedDrives(), QStringList{"/media/v"});
    }

    void driveFacts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("refreshed");
        // clang-format off
        QTest::newRow("mount point") << "@" << "" << 0 << true;
        QTest::newRow("mount point with separator") << "@/" << "" << 0 << true;
        QTest::newRow("folder on it") << "@/a" << "" << 0 << false;
        QTest::newRow("missing folder on it") << "@/b" << "" << 76 << false;
        QTest::newRow("file in its root") << "@" << "f" << 0 << false;
        QTest::newRow("missing file in its root") << "@" << "g" << 53 << false;
        // clang-format on
    }
    void driveFacts()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(bool, refreshed);
        TempDir dir;
        QVERIFY(build(dir, {"a/", "f"}));
        Env env;
        FakeVolumeSource::Volume v = volume(dir.path(), platform::DriveRemovable);
        v.fileSystem = "vfat";
        v.label = "STICK";
        v.totalBytes = 8.0 * 1024 * 1024 * 1024 * 1024;
        v.availableBytes = 5368709120.0;
        v.blockSize = 32768;
        env.fake().addVolume(v);
        QCOMPARE(env.checker->checkPath(LeftWindow, at(path, dir.path()), name, false), code);
        const DriveFacts& f = env.checker->driveFacts();
        if (!refreshed) {
            QCOMPARE(f.root, QString());
            return;
        }
        QCOMPARE(f.root, dir.path());
        QCOMPARE(f.totalBytes, v.totalBytes);
        QCOMPARE(f.availableBytes, v.availableBytes);
        QCOMPARE(f.driveType, int(platform::DriveRemovable));
        QCOMPARE(f.fileSystem, QStringLiteral("vfat"));
        QCOMPARE(f.label, QStringLiteral("STICK"));
        QCOMPARE(f.clusterSize, quint64(32768));
    }

    void checkProgress_data()
    {
        QTest::addColumn<bool>("otherText");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("cleared") << false << false << true;
        QTest::newRow("another text shown meanwhile") << true << false << false;
        QTest::newRow("operation running") << false << true << false;
    }
    void checkProgress()
    {
        QFETCH(bool, otherText);
        QFETCH(bool, busy);
        QFETCH(bool, cleared);
        Env env;
        env.checker->showCheckProgress(true);
        QCOMPARE(env.progress.progress(), PathChecker::checkProgressText());
        QCOMPARE(env.progress.progress(),
                 QStringLiteral("ドライブまたはフォルダの使用可能状態をチェック中"));
        QCOMPARE(env.progress.pointers().last(), int(ProgressService::PointerBusy));
        const QString other = QStringLiteral("左窓のコピー中 ");
        if (otherText)
            env.progress.showProgress(0, other, ProgressService::SetText);
        if (busy)
            env.progress.setBusy(true);
        env.checker->showCheckProgress(false);
        if (cleared) {
            QCOMPARE(env.progress.progress(), QString());
            QCOMPARE(env.progress.pointers().last(), int(ProgressService::PointerDefault));
        } else {
            QCOMPARE(env.progress.progress(), otherText ? other : PathChecker::checkProgressText());
            QCOMPARE(env.progress.pointers().last(), int(ProgressService::PointerBusy));
        }
    }

    void systemError_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder") << "/a/b" << true << EACCES
                                << "フォルダ /a/b/ について" + CrLf2 + "アクセスが拒否されました";
        QTest::newRow("root folder")
            << "/" << true << EACCES << "フォルダ / について" + CrLf2 + "アクセスが拒否されました";
        QTest::newRow("file") << "/a/f.txt" << false << ENOSPC
                              << "ファイル /a/f.txt について" + CrLf2 +
                                     "ディスクに十分な空き領域がありません";
        QTest::newRow("invalid UTF-8 name") << lossless("/a/bad\xfe") << false << ENOENT
                                            << "ファイル " + lossless("/a/bad\xfe") + " について" +
                                                   CrLf2 + "指定されたファイルが見つかりません";
    }
    void systemError()
    {
        QFETCH(QString, path);
        QFETCH(bool, folder);
        QFETCH(int, error);
        QFETCH(QString, message);
        Env env;
        env.checker->showSystemError(path, QStringLiteral("コピー"), folder, error);
        QCOMPARE(env.messages.texts(), QStringList{message});
        QCOMPARE(env.messages.captions(), QStringList{QStringLiteral("コピー")});
        QCOMPARE(env.messages.log().first().flags, quint32(ButtonsOk));
    }
};

QTEST_GUILESS_MAIN(PathCheckTest)
#include "tst_pathcheck.moc"
