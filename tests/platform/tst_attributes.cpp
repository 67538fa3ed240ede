#include "platform/dosattrib.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/asuser.h"
#include "support/tempdir.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tovane;
using namespace tovane::platform;
using tovane::test::asUnprivileged;
using tovane::test::joined;
using tovane::test::TempDir;

namespace {

constexpr quint32 kStoreBits = AttrHidden | AttrSystem | AttrArchive;

mode_t modeOf(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}

bool userXattrsWork(const TempDir& dir)
{
    const QByteArray probe = joined(dir, "xattr-probe");
    if (!dir.writeFile("xattr-probe", ""))
        return false;
    const bool ok = ::lsetxattr(probe.constData(), "user.probe", "1", 1, 0) == 0;
    ::unlink(probe.constData());
    return ok;
}

#define REQUIRE_USER_XATTRS(dir)                                                                   \
    if (!userXattrsWork(dir))                                                                      \
        QSKIP("the temporary folder's file system takes no user.* extended attributes");

// The stored record as another program would read it.
bool rawRecord(const QByteArray& path, DosInfo& info, QByteArray* blob = nullptr)
{
    char buf[512];
    const ssize_t n = ::lgetxattr(path.constData(), "user.DOSATTRIB", buf, sizeof buf);
    if (n < 0)
        return false;
    if (blob)
        *blob = QByteArray(buf, n);
    return decodeDosAttrib(QByteArrayView(buf, n), info);
}

bool writeRaw(const QByteArray& path, const QByteArray& blob)
{
    return ::lsetxattr(path.constData(), "user.DOSATTRIB", blob.constData(), size_t(blob.size()),
                       0) == 0;
}

quint32 listedAttributes(const TempDir& dir, const QByteArray& name, const ListOptions& options)
{
    quint32 found = 0xffffffffu;
    listFolder(
        dir.path(),
        [&](const ItemRecord& rec) {
            if (nameToBytes(rec.name) == name)
                found = rec.attributes;
            return true;
        },
        options);
    return found;
}

ItemRecord listedRecord(const TempDir& dir, const QByteArray& name, const ListOptions& options = {})
{
    ItemRecord found;
    listFolder(
        dir.path(),
        [&](const ItemRecord& rec) {
            if (nameToBytes(rec.name) == name)
                found = rec;
            return true;
        },
        options);
    return found;
}

// A whole second plus a multiple of 100 ns: what NTTIME can hold exactly.
constexpr qint64 k2001 = Q_INT64_C(978307200) * 1000000000 + 1234500;

} // namespace

class AttributesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readOnlyFile_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("wasReadOnly");
        QTest::addColumn<bool>("set");
        QTest::addColumn<int>("expectedMode");
        QTest::newRow("set takes every write bit") << 0666 << false << true << 0444;
        QTest::newRow("set on owner-writable") << 0644 << false << true << 0444;
        QTest::newRow("group write alone is not R") << 0464 << false << true << 0444;
        QTest::newRow("set again changes nothing") << 0444 << true << true << 0444;
        QTest::newRow("clear gives the owner write back") << 0444 << true << false << 0644;
        QTest::newRow("clear keeps exec bits") << 0555 << true << false << 0755;
        QTest::newRow("clear on owner-only file") << 0400 << true << false << 0600;
        QTest::newRow("clear leaves a writable file") << 0464 << false << false << 0464;
        QTest::newRow("special bits stay") << 02755 << false << true << 02555;
    }
    void readOnlyFile()
    {
        QFETCH(int, mode);
        QFETCH(bool, wasReadOnly);
        QFETCH(bool, set);
        QFETCH(int, expectedMode);
        TempDir dir;
        QVERIFY(dir.writeFile("f", "x"));
        const QByteArray path = joined(dir, "f");
        QVERIFY(::chmod(path.constData(), mode_t(mode)) == 0);

        quint32 attributes = 0;
        QCOMPARE(getAttributes(dir.filePath("f"), attributes), 0);
        QCOMPARE(bool(attributes & AttrReadOnly), wasReadOnly);
        QCOMPARE(setAttributes(dir.filePath("f"), set ? quint32(AttrReadOnly) : 0u), 0);
        QCOMPARE(int(modeOf(path)), expectedMode);
        QCOMPARE(getAttributes(dir.filePath("f"), attributes), 0);
        QCOMPARE(bool(attributes & AttrReadOnly), (expectedMode & 0222) == 0);
        QCOMPARE(bool(listedAttributes(dir, "f", {}) & AttrReadOnly), (expectedMode & 0222) == 0);
        // R alone never needs the store.
        DosInfo info;
        QVERIFY(!rawRecord(path, info));
    }

    void ignoredBitsChangeNothing()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("f", "x"));
        QVERIFY(dir.makeFolder("d"));
        QCOMPARE(setAttributes(dir.filePath("f"), AttrDirectory | AttrCompressed), 0);
        QCOMPARE(setAttributes(dir.filePath("d"), AttrDirectory), 0);
        quint32 attributes = 0;
        QCOMPARE(getAttributes(dir.filePath("f"), attributes), 0);
        QCOMPARE(attributes, 0u);
        QCOMPARE(getAttributes(dir.filePath("d"), attributes), 0);
        QCOMPARE(attributes, quint32(AttrDirectory));
        DosInfo info;
        QVERIFY(!rawRecord(joined(dir, "f"), info));
    }

    void dotNameIsHidden_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }
    void dotNameIsHidden()
    {
        QFETCH(bool, folder);
        TempDir dir;
        QVERIFY(folder ? dir.makeFolder(".x") : dir.writeFile(".x", ""));
        const QString path = dir.filePath(".x");
        quint32 attributes = 0;
        QCOMPARE(getAttributes(path, attributes), 0);
        QVERIFY(attributes & AttrHidden);
        QVERIFY(listedAttributes(dir, ".x", {}) & AttrHidden);
        ListOptions noStore;
        noStore.readAttributeStore = false;
        QVERIFY(listedAttributes(dir, ".x", noStore) & AttrHidden);

        // Setting what is shown writes nothing; clearing cannot hide the dot.
        QCOMPARE(setAttributes(path, attributes), 0);
        DosInfo info;
        QVERIFY(!rawRecord(joined(dir, ".x"), info));
        QCOMPARE(setAttributes(path, attributes & ~quint32(AttrHidden)), 0);
        QCOMPARE(getAttributes(path, attributes), 0);
        QVERIFY(attributes & AttrHidden);
    }

    void storeBits_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<quint32>("wanted");
        QTest::addColumn<quint32>("reported");
        QTest::newRow("file S") << false << quint32(AttrSystem) << quint32(AttrSystem);
        QTest::newRow("file A") << false << quint32(AttrArchive) << quint32(AttrArchive);
        QTest::newRow("file H") << false << quint32(AttrHidden) << quint32(AttrHidden);
        QTest::newRow("file RHSA")
            << false << quint32(AttrReadOnly | AttrHidden | AttrSystem | AttrArchive)
            << quint32(AttrReadOnly | AttrHidden | AttrSystem | AttrArchive);
        QTest::newRow("folder R") << true << quint32(AttrReadOnly)
                                  << quint32(AttrReadOnly | AttrDirectory);
        QTest::newRow("folder HS") << true << quint32(AttrHidden | AttrSystem)
                                   << quint32(AttrHidden | AttrSystem | AttrDirectory);
        QTest::newRow("folder A") << true << quint32(AttrArchive)
                                  << quint32(AttrArchive | AttrDirectory);
    }
    void storeBits()
    {
        QFETCH(bool, folder);
        QFETCH(quint32, wanted);
        QFETCH(quint32, reported);
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(folder ? dir.makeFolder("item") : dir.writeFile("item", "x"));
        const QString path = dir.filePath("item");
        const QByteArray bytes = joined(dir, "item");
        const mode_t modeBefore = modeOf(bytes);

        QCOMPARE(setAttributes(path, wanted), 0);
        quint32 attributes = 0;
        QCOMPARE(getAttributes(path, attributes), 0);
        QCOMPARE(attributes, reported);
        QCOMPARE(listedAttributes(dir, "item", {}), reported);
        ItemRecord rec;
        QCOMPARE(lookupEntry(dir.path(), "ITEM", rec), 0);
        QCOMPARE(rec.attributes, reported);
        if (folder)
            QCOMPARE(modeOf(bytes), modeBefore); // a folder's R lives in the store only

        // Without the store only what the item itself tells remains.
        ListOptions noStore;
        noStore.readAttributeStore = false;
        QCOMPARE(listedAttributes(dir, "item", noStore),
                 reported & ~(kStoreBits | (folder ? AttrReadOnly : 0u)));

        // Other programs see the same bits.
        DosInfo info;
        QVERIFY(rawRecord(bytes, info));
        QCOMPARE(info.attributes & 0x37u, reported & 0x37u);

        // And everything clears again.
        QCOMPARE(setAttributes(path, 0), 0);
        QCOMPARE(getAttributes(path, attributes), 0);
        QCOMPARE(attributes, folder ? quint32(AttrDirectory) : 0u);
        if (!folder)
            QCOMPARE(int(modeOf(bytes) & 0200), 0200);
    }

    void foreignRecords_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QTest::addColumn<quint32>("reported");
        QTest::newRow("hex text only") << QByteArray("0x6", 4) << quint32(AttrHidden | AttrSystem);
        QTest::newRow("version 3 by the codec")
            << encodeDosAttrib(DosInfo{0x20, false, 0}) << quint32(AttrArchive);
        QTest::newRow("file R in the record is not the file's R")
            << encodeDosAttrib(DosInfo{0x21, false, 0}) << quint32(AttrArchive);
        QTest::newRow("bits outside RHSA are not shown")
            << encodeDosAttrib(DosInfo{0x2004, false, 0}) << quint32(AttrSystem);
        QTest::newRow("garbage is ignored") << QByteArray("\x01\x02garbage") << 0u;
        QTest::newRow("empty value") << QByteArray() << 0u;
    }
    void foreignRecords()
    {
        QFETCH(QByteArray, blob);
        QFETCH(quint32, reported);
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(dir.writeFile("f", ""));
        QVERIFY(writeRaw(joined(dir, "f"), blob));
        quint32 attributes = 0;
        QCOMPARE(getAttributes(dir.filePath("f"), attributes), 0);
        QCOMPARE(attributes, reported);
        QCOMPARE(listedAttributes(dir, "f", {}), reported);
    }

    void writeKeepsForeignBits()
    {
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(dir.writeFile("f", ""));
        QVERIFY(writeRaw(joined(dir, "f"), encodeDosAttrib(DosInfo{0x2000 | 0x4, false, 0})));
        QCOMPARE(setAttributes(dir.filePath("f"), AttrArchive), 0);
        DosInfo info;
        QVERIFY(rawRecord(joined(dir, "f"), info));
        QCOMPARE(info.attributes, 0x2000u | 0x20u);
    }

    void storeKeepsCreateTime()
    {
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(dir.writeFile("f", ""));
        const QString path = dir.filePath("f");
        FileTimes t;
        t.creation = k2001;
        QCOMPARE(setTimes(path, t, TimeCreation), 0);

        for (quint32 attributes : {quint32(AttrSystem | AttrArchive), quint32(AttrHidden), 0u,
                                   quint32(AttrReadOnly | AttrSystem)}) {
            QCOMPARE(setAttributes(path, attributes), 0);
            DosInfo info;
            QVERIFY(rawRecord(joined(dir, "f"), info));
            QVERIFY(info.hasCreateTime);
            QCOMPARE(info.createTime, k2001);
            FileTimes now;
            QCOMPARE(getTimes(path, now), 0);
            QCOMPARE(now.creation, k2001);
        }
    }

    void createTimeKeepsAttributes()
    {
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(dir.makeFolder("d"));
        const QString path = dir.filePath("d");
        QCOMPARE(setAttributes(path, AttrHidden | AttrSystem | AttrReadOnly), 0);
        FileTimes t;
        t.creation = k2001;
        QCOMPARE(setTimes(path, t, TimeCreation), 0);
        quint32 attributes = 0;
        QCOMPARE(getAttributes(path, attributes), 0);
        QCOMPARE(attributes, quint32(AttrHidden | AttrSystem | AttrReadOnly | AttrDirectory));
    }

    void creationTimeSources()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("f", ""));
        const QString path = dir.filePath("f");
        FileTimes own;
        QCOMPARE(getTimes(path, own), 0);
        // Without a store: birth time, else the earlier of mtime and ctime;
        // either way never after the last write of a new file.
        QVERIFY(own.creation <= own.write);
        QVERIFY(own.creation > 0);

        REQUIRE_USER_XATTRS(dir);
        FileTimes t;
        t.creation = k2001;
        QCOMPARE(setTimes(path, t, TimeCreation), 0);
        FileTimes after;
        QCOMPARE(getTimes(path, after), 0);
        QCOMPARE(after.creation, k2001);
        QCOMPARE(after.write, own.write); // storing it touches no other time
        ItemRecord rec;
        QCOMPARE(statPath(path, rec), 0);
        QCOMPARE(rec.creationTime, k2001);
        QCOMPARE(listedRecord(dir, "f").creationTime, k2001);
        ListOptions noStore;
        noStore.readAttributeStore = false;
        QCOMPARE(listedRecord(dir, "f", noStore).creationTime, own.creation);
    }

    void allTimesAtOnce()
    {
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(dir.writeFile("f", ""));
        FileTimes t;
        t.creation = k2001;
        t.access = Q_INT64_C(1300000000000000123);
        t.write = Q_INT64_C(1200000000000000456);
        QCOMPARE(setTimes(dir.filePath("f"), t, TimeCreation | TimeAccess | TimeWrite), 0);
        FileTimes back;
        QCOMPARE(getTimes(dir.filePath("f"), back), 0);
        QCOMPARE(back.creation, t.creation);
        QCOMPARE(back.access, t.access);
        QCOMPARE(back.write, t.write);
    }

    void ownerOfReadOnlyFileCanStore()
    {
        // user.* attributes need write permission, which R takes away.
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(::chmod(dir.pathBytes().constData(), 0777) == 0);
        QVERIFY(dir.writeFile("f", ""));
        const QByteArray bytes = joined(dir, "f");
        if (::geteuid() == 0)
            QVERIFY(::chown(bytes.constData(), 65534, 65534) == 0);
        QVERIFY(::chmod(bytes.constData(), 0444) == 0);
        const QString path = dir.filePath("f");

        QCOMPARE(asUnprivileged([&] { return setAttributes(path, AttrReadOnly | AttrSystem); }), 0);
        QCOMPARE(int(modeOf(bytes)), 0444);
        QCOMPARE(asUnprivileged([&] {
                     FileTimes t;
                     t.creation = k2001;
                     return setTimes(path, t, TimeCreation);
                 }),
                 0);
        QCOMPARE(int(modeOf(bytes)), 0444);
        quint32 attributes = 0;
        QCOMPARE(getAttributes(path, attributes), 0);
        QCOMPARE(attributes, quint32(AttrReadOnly | AttrSystem));
        FileTimes back;
        QCOMPARE(getTimes(path, back), 0);
        QCOMPARE(back.creation, k2001);

        // Clearing R together with a store change ends writable.
        QCOMPARE(asUnprivileged([&] { return setAttributes(path, AttrArchive); }), 0);
        QCOMPARE(int(modeOf(bytes)), 0644);
        QCOMPARE(getAttributes(path, attributes), 0);
        QCOMPARE(attributes, quint32(AttrArchive));
    }

    void strangerCannotStore()
    {
        TempDir dir;
        REQUIRE_USER_XATTRS(dir);
        QVERIFY(::chmod(dir.pathBytes().constData(), 0755) == 0);
        QVERIFY(dir.writeFile("f", ""));
        const QByteArray bytes = joined(dir, "f");
        QVERIFY(::chmod(bytes.constData(), 0644) == 0);
        if (::geteuid() != 0)
            QSKIP("needs a file owned by someone else (run as root)");
        const QString path = dir.filePath("f");
        const int e = asUnprivileged([&] { return setAttributes(path, AttrSystem); });
        QVERIFY2(e == EACCES || e == EPERM, qPrintable(QString::number(e)));
        QCOMPARE(asUnprivileged([&] { return setAttributes(path, AttrReadOnly); }), EPERM);
        QCOMPARE(int(modeOf(bytes)), 0644);
        DosInfo info;
        QVERIFY(!rawRecord(bytes, info));
    }

    void linksHaveNoStore()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("target", ""));
        QVERIFY(::symlink("target", joined(dir, "link").constData()) == 0);
        const QString link = dir.filePath("link");
        QCOMPARE(setAttributes(link, 0), 0);
        QCOMPARE(setAttributes(link, AttrReadOnly), ENOTSUP);
        QVERIFY(setAttributes(link, AttrSystem) != 0);
        // The target is never changed through the link.
        quint32 attributes = 0;
        QCOMPARE(getAttributes(dir.filePath("target"), attributes), 0);
        QCOMPARE(attributes, 0u);
        QCOMPARE(int(modeOf(joined(dir, "target")) & 0222) != 0, true);
    }

    void missingItem()
    {
        TempDir dir;
        quint32 attributes = 0;
        QCOMPARE(getAttributes(dir.filePath("nope"), attributes), ENOENT);
        QCOMPARE(setAttributes(dir.filePath("nope"), AttrSystem), ENOENT);
        QCOMPARE(setAttributes(dir.filePath("nope/x"), 0), ENOENT);
    }

    void fileSystemWithoutStore()
    {
        // procfs takes no extended attributes at all.
        const QString path = QStringLiteral("/proc/self/status");
        if (::lgetxattr("/proc/self/status", "user.DOSATTRIB", nullptr, 0) >= 0 ||
            (errno != ENOTSUP && errno != EOPNOTSUPP))
            QSKIP("no mounted file system without extended attributes (/proc) to try");
        quint32 attributes = 0;
        QCOMPARE(getAttributes(path, attributes), 0);
        QCOMPARE(attributes & kStoreBits, 0u);
        // Requests that change nothing succeed; store bits fail with the errno.
        QCOMPARE(setAttributes(path, attributes), 0);
        QCOMPARE(setAttributes(path, attributes | AttrSystem), ENOTSUP);
        QCOMPARE(setAttributes(path, attributes | AttrArchive), ENOTSUP);
        QCOMPARE(setAttributes(path, attributes | AttrHidden), ENOTSUP);
        FileTimes t;
        t.creation = k2001;
        QCOMPARE(setTimes(path, t, TimeCreation), ENOTSUP);
        int listed = 0;
        QCOMPARE(listFolder("/proc/self",
                            [&](const ItemRecord& rec) {
                                if (!rec.isFolder() && !rec.isSymlink)
                                    ++listed;
                                return true;
                            }),
                 0);
        QVERIFY(listed > 0);
    }
};

QTEST_GUILESS_MAIN(AttributesTest)
#include "tst_attributes.moc"
