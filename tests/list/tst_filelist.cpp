// The file list over real folders: cells, sort orders, hidden attributes,
// counts and totals, the drive layout over a fake volume source, and the
// item events through a recording host.

#include "core/appsettings.h"
#include "core/conventions.h"
#include "core/mainstate.h"
#include "core/scriptedservices.h"
#include "fs/pathcheck.h"
#include "fs/volumesource.h"
#include "list/filelist.h"
#include "list/listhost.h"
#include "platform/filesystem.h"
#include "platform/names.h"
#include "support/tempdir.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <ctime>
#include <memory>
#include <unistd.h>

using namespace tovane;
using test::TempDir;

namespace {

class RecordingHost : public ListHost {
public:
    QStringList calls;
    int modifierState = 0;
    void openFolder(WindowIndex w, const QString& path) override { calls << "folder " + path; }
    void openFile(WindowIndex w, const QString& path) override { calls << "file " + path; }
    void driveChosen(WindowIndex w, const QString& m) override { calls << "drive " + m; }
    void activateWindow(WindowIndex w) override { calls << "activate"; }
    void showContent(WindowIndex w, int item, bool force) override
    {
        // Unforced: shown only where the content area does not have it.
        calls << QString::fromLatin1(force ? "content %1" : "content %1 if not shown").arg(item);
    }
    void markClicked(WindowIndex w, int row, int) override
    {
        calls << QStringLiteral("mark %1").arg(row);
    }
    void hiddenMaskChanged(quint32 mask) override { calls << QStringLiteral("mask %1").arg(mask); }
    int modifiers() const override { return modifierState; }
};

struct Fixture {
    MainState state;
    AppSettings settings;
    ScriptedMessageService messages;
    ScriptedProgressService progress;
    FakeVolumeSource volumes;
    RecordingHost host;
    std::unique_ptr<PathChecker> checker;
    std::unique_ptr<FileList> list;
    std::unique_ptr<QAbstractItemModelTester> tester;

    Fixture()
    {
        for (int f : {FlagHideReadOnly, FlagHideHidden, FlagHideSystem, FlagHideCompressed})
            settings.setSwitch(f, false);
        progress.setPumpInterval(0);
        checker = std::make_unique<PathChecker>(
            CheckContext{messages, progress, volumes, QStringLiteral("tovane"), [] { return 0; }});
        list = std::make_unique<FileList>(
            LeftWindow,
            ListContext{state, settings, messages, progress, volumes, checker.get(), host,
                        [] { return std::make_pair(8.0 * (1 << 30), 3.0 * (1 << 30)); }});
        tester = std::make_unique<QAbstractItemModelTester>(
            list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
    FileListModel& model() { return *list->model(); }
    QStringList names()
    {
        QStringList n;
        for (int r = 0; r < model().count(); ++r)
            n << model().nameAt(r);
        return n;
    }
    QString cell(const QString& name, int column)
    {
        return model().cellText(model().rowOfName(name), column);
    }
};

bool makeSized(const TempDir& dir, const QByteArray& name, qint64 size)
{
    const QByteArray path = dir.pathBytes() + '/' + name;
    return dir.writeFile(name, QByteArray()) && ::truncate(path.constData(), size) == 0;
}

qint64 nsOf(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch() *
           qint64(1000000000);
}

bool setWriteTime(const QString& path, qint64 ns)
{
    platform::FileTimes t;
    t.write = ns;
    return platform::setTimes(path, t, platform::TimeWrite) == 0;
}

} // namespace

class FileListTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "Asia/Tokyo");
        ::tzset();
    }

    void sizeCells_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("kilobytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::newRow("empty") << qint64(0) << true << "0"
                               << "000000000000";
        QTest::newRow("1,024 in kB") << qint64(1024) << true << "1"
                                     << "000000001024";
        QTest::newRow("1,025 in kB") << qint64(1025) << true << "2"
                                     << "000000001025";
        QTest::newRow("1,025 in B") << qint64(1025) << false << "1,025"
                                    << "000000001025";
        QTest::newRow("4 GiB") << qint64(4294967296) << false << "4,294,967,296"
                               << "004294967296";
        QTest::newRow("4 GiB - 1, low half unsigned")
            << qint64(4294967295) << false << "4,294,967,295"
            << "004294967295";
        QTest::newRow("4 GiB in kB") << qint64(4294967296) << true << "4,194,304"
                                     << "004294967296";
        QTest::newRow("10^12 + 5 keeps 12 digits")
            << qint64(1000000000005) << false << "1,000,000,000,005"
            << "000000000005";
    }
    void sizeCells()
    {
        QFETCH(qint64, size);
        QFETCH(bool, kilobytes);
        QFETCH(QString, text);
        QFETCH(QString, key);
        TempDir dir;
        QVERIFY(makeSized(dir, "f.bin", size));
        Fixture f;
        f.state.slot(0).sizeUnitKB = kilobytes;
        f.list->loadViewSlot(f.state.slot(0));
        QCOMPARE(f.list->fill(dir.path()), 0);
        QCOMPARE(f.cell("f.bin", ColumnSize), text);
        QCOMPARE(f.cell("f.bin", ColumnSizeKey), key);
        QCOMPARE(f.cell("f.bin", ColumnNameKey), QStringLiteral("f.bin"));
    }

    void folderRowCells()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("sub"));
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.cell("sub", ColumnSize), QStringLiteral(" "));
        QCOMPARE(f.cell("sub", ColumnSizeKey), QStringLiteral("000000000000"));
        QCOMPARE(f.cell("sub", ColumnAttributes), QStringLiteral(" "));
        QCOMPARE(f.cell("sub", ColumnNameKey), QStringLiteral(" sub"));
        QCOMPARE(f.cell("sub", ColumnAttributeNumber), QStringLiteral("16"));
        QCOMPARE(f.model().data(f.model().index(0, 0), FileListModel::ImageIndexRole).toInt(),
                 int(ImageFolder));
    }

    void timeText_data()
    {
        QTest::addColumn<qint64>("ns");
        QTest::addColumn<QString>("text");
        QTest::newRow("2009/03/05 07:08:09 local")
            << nsOf(2009, 3, 4, 22, 8, 9) << "2009/03/05 07:08:09";
        QTest::newRow("fraction dropped")
            << nsOf(2020, 1, 1, 0, 0, 0) + 999999999 << "2020/01/01 09:00:00";
        QTest::newRow("before 1970") << qint64(-500000000) << "1970/01/01 08:59:59";
    }
    void timeText()
    {
        QFETCH(qint64, ns);
        QFETCH(QString, text);
        TempDir dir;
        QVERIFY(dir.writeFile("t", "x"));
        QVERIFY(setWriteTime(dir.filePath("t"), ns));
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.cell("t", ColumnTime), text);
    }

    void sortOrders_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("name, folders first")
            << 0 << false
            << QStringList{"Alpha", "beta", " zeta", "alpha.txt", "Beta.txt", "gamma"};
        QTest::newRow("name descending, files first")
            << 0 << true << QStringList{"gamma", "Beta.txt", "alpha.txt", " zeta", "beta", "Alpha"};
        QTest::newRow("size, ties by name")
            << 1 << false
            << QStringList{"Alpha", "beta", "gamma", "Beta.txt", " zeta", "alpha.txt"};
        QTest::newRow("size descending")
            << 1 << true << QStringList{"alpha.txt", " zeta", "Beta.txt", "gamma", "beta", "Alpha"};
        QTest::newRow("time") << 2 << false << QStringList{"beta",      "Beta.txt", " zeta",
                                                           "alpha.txt", "gamma",    "Alpha"};
        QTest::newRow("attribute letters")
            << 3 << false
            << QStringList{" zeta", "alpha.txt", "Beta.txt", "Alpha", "beta", "gamma"};
    }
    void sortOrders()
    {
        QFETCH(int, column);
        QFETCH(bool, descending);
        QFETCH(QStringList, order);
        TempDir dir;
        QVERIFY(dir.makeFolder("Alpha") && dir.makeFolder("beta"));
        QVERIFY(dir.writeFile("alpha.txt", QByteArray(30, 'a')));
        QVERIFY(dir.writeFile("Beta.txt", QByteArray(10, 'b')));
        QVERIFY(dir.writeFile(" zeta", QByteArray(20, 'z')));
        QVERIFY(dir.writeFile("gamma", QByteArray()));
        const QStringList byTime{"beta", "Beta.txt", " zeta", "alpha.txt", "gamma", "Alpha"};
        for (int i = 0; i < byTime.size(); ++i)
            QVERIFY(setWriteTime(dir.filePath(byTime[i]), nsOf(2015, 6, 1, 10, i, 0)));
        QCOMPARE(platform::setAttributes(dir.filePath("gamma"), AttrReadOnly), 0);

        Fixture f;
        f.settings.sort[0] = sortValue(column, descending);
        f.list->fill(dir.path());
        QCOMPARE(f.names(), order);
        // The hash follows the rows.
        for (int r = 0; r < order.size(); ++r)
            QCOMPARE(f.model().rowOfKey(order[r] + u'/'), r);
    }

    void nameOrderMatchesOracle_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("long shared start, differences late") << QStringList{
            "IMG_20200101_000010.jpg", "img_20200101_000002.JPG",  "IMG_20200101_000002.jpg",
            "IMG_20200101_00001.jpg",  "IMG_20200101_0000100.jpg", "IMG_2020"};
        QTest::newRow("case variants only")
            << QStringList{"ABCDEFGHIJ", "abcdefghij", "AbCdEfGhIj", "abcdefghiJ"};
        QTest::newRow("prefixes of each other")
            << QStringList{"a", "ab", "abc", "abcdefghijklm", "abcdefghijkl"};
        QStringList random;
        quint32 seed = 12345;
        const QString letters = QStringLiteral("aAbB_.0z");
        for (int i = 0; i < 300; ++i) {
            QString name = QStringLiteral("same_start_");
            const int length = 1 + int(seed % 12);
            for (int k = 0; k < length; ++k) {
                seed = seed * 1103515245u + 12345u;
                name += letters[int((seed >> 16) % quint32(letters.size()))];
            }
            if (!random.contains(name))
                random << name;
        }
        QTest::newRow("random over a shared start") << random;
    }
    void nameOrderMatchesOracle()
    {
        QFETCH(QStringList, names);
        TempDir dir;
        for (int i = 0; i < names.size(); ++i) {
            // Every third name is a folder.
            QVERIFY(i % 3 == 0 ? dir.makeFolder(names[i].toUtf8())
                               : dir.writeFile(names[i].toUtf8(), "x"));
        }
        QStringList expected = names;
        std::sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
            const bool fa = names.indexOf(a) % 3 == 0, fb = names.indexOf(b) % 3 == 0;
            if (fa != fb)
                return fa;
            return compareNames(a, b) < 0;
        });
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.names(), expected);
        f.list->columnClicked(ColumnName);
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(f.names(), expected);
    }

    void leadingBlankFilesStayBehindFolders()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("a") && dir.makeFolder("z"));
        QVERIFY(dir.writeFile(" a", "1") && dir.writeFile("  b", "2"));
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.names(), (QStringList{"a", "z", "  b", " a"}));
    }

    void sizesOfATerabyteSortAfterSmallerOnes()
    {
        TempDir dir;
        QVERIFY(makeSized(dir, "tera", 1000000000005));
        QVERIFY(makeSized(dir, "small", 10));
        QVERIFY(makeSized(dir, "nines", 999999999999));
        Fixture f;
        f.settings.sort[0] = sortValue(ColumnSize, false);
        f.list->fill(dir.path());
        QCOMPARE(f.names(), (QStringList{"small", "nines", "tera"}));
    }

    void hiddenAttributes_data()
    {
        QTest::addColumn<QList<int>>("switches");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("folders");
        QTest::newRow("nothing hidden")
            << QList<int>{} << QStringList{".hdir", "dir", ".dot", "plain.txt", "ro.txt"} << 2;
        QTest::newRow("read-only") << QList<int>{FlagHideReadOnly}
                                   << QStringList{".hdir", "dir", ".dot", "plain.txt"} << 2;
        QTest::newRow("hidden") << QList<int>{FlagHideHidden}
                                << QStringList{"dir", "plain.txt", "ro.txt"} << 1;
        QTest::newRow("read-only and hidden")
            << QList<int>{FlagHideReadOnly, FlagHideHidden} << QStringList{"dir", "plain.txt"} << 1;
        QTest::newRow("system and compressed")
            << QList<int>{FlagHideSystem, FlagHideCompressed}
            << QStringList{".hdir", "dir", ".dot", "plain.txt", "ro.txt"} << 2;
    }
    void hiddenAttributes()
    {
        QFETCH(QList<int>, switches);
        QFETCH(QStringList, listed);
        QFETCH(int, folders);
        TempDir dir;
        QVERIFY(dir.makeFolder("dir") && dir.makeFolder(".hdir"));
        QVERIFY(dir.writeFile(".dot", "x") && dir.writeFile("plain.txt", "x") &&
                dir.writeFile("ro.txt", "x"));
        QCOMPARE(platform::setAttributes(dir.filePath("ro.txt"), AttrReadOnly), 0);
        Fixture f;
        for (int s : switches)
            f.settings.setSwitch(s, true);
        f.list->fill(dir.path());
        QCOMPARE(f.names(), listed);
        QCOMPARE(f.list->listCounts().items, qint64(listed.size()));
        QCOMPARE(f.list->listCounts().folders, qint64(folders));
        QCOMPARE(f.list->listCounts().files, qint64(listed.size() - folders));
    }

    void everythingHiddenListsNothing()
    {
        TempDir dir;
        QVERIFY(dir.writeFile(".a", "x") && dir.writeFile(".b", "y"));
        Fixture f;
        for (int s : {FlagHideReadOnly, FlagHideHidden, FlagHideSystem, FlagHideCompressed})
            f.settings.setSwitch(s, true);
        f.list->fill(dir.path());
        QCOMPARE(f.model().count(), 0);
        QCOMPARE(f.list->listLabel(), QStringLiteral(" リスト 0 項目( 0 ﾌｫﾙﾀﾞ, 0 ﾌｧｲﾙ)"));
    }

    void invalidUtf8Names()
    {
        TempDir dir;
        const QByteArray file("bad\xff\xfe.txt");
        const QByteArray folder("dir\x80");
        QVERIFY(dir.writeFile(file, "x") && dir.makeFolder(folder));
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.model().count(), 2);
        QCOMPARE(platform::nameToBytes(f.model().nameAt(0)), folder);
        QCOMPARE(platform::nameToBytes(f.model().nameAt(1)), file);
        QCOMPARE(f.model().rowOfKey(platform::nameFromBytes(file) + u'/'), 1);
        f.list->itemDoubleClicked(0);
        QCOMPARE(f.host.calls.size(), 1);
        QCOMPARE(platform::nameToBytes(f.host.calls[0]),
                 "folder " + dir.pathBytes() + '/' + folder);
    }

    void countLabelsWithTotals_data()
    {
        QTest::addColumn<bool>("kilobytes");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("label");
        QTest::newRow("bytes, whole folder below")
            << false << QString() << " リスト 3 項目( 1 ﾌｫﾙﾀﾞ, 2 ﾌｧｲﾙ)    3,500 B";
        QTest::newRow("kilobytes rounded up")
            << true << QString() << " リスト 3 項目( 1 ﾌｫﾙﾀﾞ, 2 ﾌｧｲﾙ)    4 kB";
        QTest::newRow("filtered listing sums its rows")
            << false << " txt,"
            << " リスト 1 項目( 0 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)    1,000 B";
    }
    void countLabelsWithTotals()
    {
        QFETCH(bool, kilobytes);
        QFETCH(QString, filter);
        QFETCH(QString, label);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", QByteArray(1000, 'a')) &&
                dir.writeFile("b.bin", QByteArray(2000, 'b')));
        QVERIFY(dir.makeFolder("sub") && dir.writeFile("sub/c.txt", QByteArray(500, 'c')));
        Fixture f;
        f.settings.setSwitch(FlagCountSize, true);
        f.settings.dispExtList[ListFilterList] = filter;
        f.state.slot(0).sizeUnitKB = kilobytes;
        f.list->loadViewSlot(f.state.slot(0));
        f.list->fill(dir.path());
        QCOMPARE(f.list->listLabel(), label);
    }

    void selectionAndCopyLabels()
    {
        TempDir dir;
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.list->selectionLabel(), QString());
        f.list->setSelectionCounts({3, 1, 2, 2048}, true);
        QCOMPARE(f.list->selectionLabel(), QStringLiteral(" 比較選択　 3 項目( 1 ﾌｫﾙﾀﾞ, 2 ﾌｧｲﾙ)"));
        f.settings.setSwitch(FlagCountSize, true);
        f.list->setCopyTargetCounts({2, 0, 2, 1536});
        QCOMPARE(f.list->copyTargetLabel(),
                 QStringLiteral(" コピー対象 2 項目( 0 ﾌｫﾙﾀﾞ, 2 ﾌｧｲﾙ)    1,536 B"));
        f.list->fill(dir.path()); // marks never survive a refill
        QCOMPARE(f.list->selectionLabel(), QString());
        QCOMPARE(f.list->copyTargetLabel(), QString());
    }

    // A filtered list holds the chosen kinds of file only, no folders, also
    // when an operation adds a folder or another kind of file later.
    void filterListsFilesOnly()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("dir") && dir.writeFile("a.txt", "x") &&
                dir.writeFile("b.TXT", "x"));
        QVERIFY(dir.writeFile("c.doc", "x") && dir.writeFile("noext", "x"));
        Fixture f;
        f.settings.dispExtList[ListFilterList] = QStringLiteral(" txt,");
        f.list->fill(dir.path());
        QCOMPARE(f.names(), (QStringList{"a.txt", "b.TXT"}));
        QCOMPARE(f.list->listCounts().files, qint64(2));
        QCOMPARE(f.list->listCounts().folders, qint64(0));
        QVERIFY(dir.makeFolder("new") && dir.writeFile("d.doc", "x"));
        ItemRecord record;
        QCOMPARE(platform::statPath(dir.filePath("new"), record), 0);
        QVERIFY(!f.list->addOrUpdateItem(record.name, record));
        QCOMPARE(platform::statPath(dir.filePath("d.doc"), record), 0);
        QVERIFY(!f.list->addOrUpdateItem(record.name, record));
        QCOMPARE(f.names(), (QStringList{"a.txt", "b.TXT"}));
        QCOMPARE(f.list->listCounts().folders, qint64(0));
    }

    // Individual images: one lookup per key for the whole folder, the rows
    // keep the index, and switching them off gives the category images back.
    void individualImagesPerKey_data()
    {
        QTest::addColumn<QString>("aggregation");
        QTest::addColumn<QStringList>("keys"); // of a.exe, b.exe, c.txt, d.txt, README
        QTest::addColumn<int>("lookups");
        QTest::newRow("per file") << QString()
                                  << QStringList{"exe_a", "exe_b", "txt_c", "txt_d", "_readme"}
                                  << 5;
        QTest::newRow("exe and txt aggregated")
            << QStringLiteral(" exe, txt,")
            << QStringList{"exe_", "exe_", "txt_", "txt_", "_readme"} << 3;
    }
    void individualImagesPerKey()
    {
        QFETCH(QString, aggregation);
        QFETCH(QStringList, keys);
        QFETCH(int, lookups);
        TempDir dir;
        for (const char* name : {"a.exe", "b.exe", "c.txt", "d.txt", "README"})
            QVERIFY(dir.writeFile(name, "x"));
        QVERIFY(dir.makeFolder("sub"));
        Fixture f;
        f.settings.dispExtList[ImageAggregationList] = aggregation;
        FileImageCache cache(&f.messages);
        QStringList asked;
        cache.setExtractor([&](const QString& folder, const QString& name, int) {
            asked << folder + name;
            return true;
        });
        cache.setIndividualImages(true);
        f.list->setImageCache(&cache);
        f.list->fill(dir.path());
        const auto rowImages = [&f] {
            QList<int> got;
            for (const char* name : {"a.exe", "b.exe", "c.txt", "d.txt", "README"})
                got << f.model().rowAt(f.model().rowOfName(QString::fromLatin1(name))).image;
            return got;
        };
        // Indices follow the order the folder gives its entries; the keys decide.
        QList<int> images;
        for (const QString& key : keys) {
            images << cache.indexOf(key);
            QVERIFY2(images.last() >= FirstAddedImage, qPrintable(key));
        }
        QCOMPARE(rowImages(), images);
        QCOMPARE(f.model().rowAt(f.model().rowOfName(QStringLiteral("sub"))).image,
                 qint16(ImageFolder));
        QCOMPARE(asked.size(), lookups);
        QVERIFY(asked.contains(dir.path() + QStringLiteral("/README")));
        f.list->fill(dir.path()); // a refill finds every key known
        QCOMPARE(asked.size(), lookups);

        cache.setIndividualImages(false);
        QSignalSpy changed(f.list->model(), &QAbstractItemModel::dataChanged);
        f.list->renewFileImages();
        QCOMPARE(rowImages(), (QList<int>{11, 11, 14, 14, 11}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(f.progress.progress(), QString());
        QVERIFY(!f.progress.busy());
        cache.setIndividualImages(true);
        f.list->renewFileImages();
        QCOMPARE(rowImages(), images);
        QCOMPARE(asked.size(), lookups);
    }

    void categoryImages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("image");
        QTest::newRow("archive") << "a.zip" << int(ImageArchive);
        QTest::newRow("picture, upper case") << "p.JPG" << int(ImagePicture);
        QTest::newRow("rich text") << "r.rtf" << int(ImageText);
        QTest::newRow("plain text") << "t.txt" << int(ImageText);
        QTest::newRow("program source") << "s.cpp" << int(ImageSource);
        QTest::newRow("unknown") << "x.qqq" << int(ImageFile);
        QTest::newRow("no extension") << "README" << int(ImageFile);
        QTest::newRow("c is not inside dsp") << "x.ds" << int(ImageFile);
    }
    void categoryImages()
    {
        QFETCH(QString, name);
        QFETCH(int, image);
        TempDir dir;
        QVERIFY(dir.writeFile(name.toUtf8(), "x"));
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.model().data(f.model().index(0, 0), FileListModel::ImageIndexRole).toInt(),
                 image);
    }

    void headerMarksFollowClicks()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("a", "1") && dir.writeFile("b", "22"));
        Fixture f;
        f.list->fill(dir.path());
        QCOMPARE(f.model().headerTexts().mid(0, 4),
                 (QStringList{"名　　　前↑", "サイズ B", "更新日時", "属性"}));
        f.list->columnClicked(ColumnName);
        QCOMPARE(f.model().headerTexts()[0], QStringLiteral("名　　　前↓"));
        QCOMPARE(f.names(), (QStringList{"b", "a"}));
        // Every click reverses the direction, whichever column was sorted.
        f.list->columnClicked(ColumnSize);
        QCOMPARE(f.model().headerTexts().mid(0, 2), (QStringList{"名　　　前", "サイズ B↑"}));
        QCOMPARE(f.settings.sort[0], 1);
        f.list->setSizeUnit(true);
        QCOMPARE(f.model().headerTexts()[1], QStringLiteral("ｻｲｽﾞ kB ↑"));
        f.list->columnClicked(ColumnTime);
        QCOMPARE(f.model().headerTexts().mid(1, 2), (QStringList{"ｻｲｽﾞ kB ", "更新日時↓"}));
        QCOMPARE(f.settings.sort[0], 12);
    }

    void hiddenColumnClickOnlyResetsWidths()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("a", "1") && dir.writeFile("b", "22"));
        Fixture f;
        f.list->fill(dir.path());
        QSignalSpy resets(f.list.get(), &FileList::hiddenColumnsReset);
        f.list->columnClicked(ColumnSizeKey);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(f.settings.sort[0], 0);
        QCOMPARE(f.names(), (QStringList{"a", "b"}));
    }

    void driveLayout_data()
    {
        QTest::addColumn<bool>("six");
        QTest::addColumn<QStringList>("stick");
        QTest::addColumn<QStringList>("disk");
        QTest::newRow("three digits")
            << false << QStringList{" [ STICK ]", "500MB", "5.00MB", "vfat", "512B"}
            << QStringList{"", "5.00GB", "50.0GB", "ext4", "4kB"};
        QTest::newRow("six digits")
            << true << QStringList{" [ STICK ]", "512,000kB", "5,120kB", "vfat", "512B"}
            << QStringList{"", "5,120MB", "51,200MB", "ext4", "4kB"};
    }
    void driveLayout()
    {
        QFETCH(bool, six);
        QFETCH(QStringList, stick);
        QFETCH(QStringList, disk);
        TempDir dir;
        QVERIFY(dir.makeFolder("stick") && dir.makeFolder("disk") && dir.makeFolder("cd"));
        Fixture f;
        FakeVolumeSource::Volume v;
        v.mountPoint = dir.filePath("stick");
        v.driveType = platform::DriveRemovable;
        v.device = QStringLiteral("/dev/sdb1");
        v.fileSystem = QStringLiteral("vfat");
        v.label = QStringLiteral("STICK");
        v.totalBytes = 500.0 * (1 << 20);
        v.availableBytes = 5.0 * (1 << 20);
        v.blockSize = 512;
        f.volumes.addVolume(v);
        v = FakeVolumeSource::Volume();
        v.mountPoint = dir.filePath("disk");
        v.totalBytes = 5.0 * (1 << 30);
        v.availableBytes = 50.0 * (1 << 30);
        f.volumes.addVolume(v);
        v = FakeVolumeSource::Volume();
        v.mountPoint = dir.filePath("cd");
        v.driveType = platform::DriveCdRom;
        v.error = ENOMEDIUM;
        f.volumes.addVolume(v);
        f.state.setListedPath(LeftWindow, dir.filePath("disk") + QStringLiteral("/x/"));
        f.state.slot(0).driveDigitsSix = six;
        f.list->loadViewSlot(f.state.slot(0));

        QSignalSpy current(f.list.get(), &FileList::currentRowChanged);
        QCOMPARE(f.list->fill(QStringLiteral("_")), 0);
        QVERIFY(f.list->showsDriveList());
        QCOMPARE(f.state.listedPath(LeftWindow), QStringLiteral("ｺﾝﾋﾟｭｰﾀ"));
        QCOMPARE(f.model().columnCount(), 5);
        QCOMPARE(f.model().headerTexts(),
                 (QStringList{"ドライブ名↑", "全容量", "空き容量", "ﾌｧｲﾙｼｽﾃﾑ", "/ｸﾗｽﾀ"}));
        const auto cells = [&](const QString& mount) {
            QStringList c;
            const int row = f.model().rowOfName(mount);
            for (int col = 0; col < 5; ++col)
                c << f.model().cellText(row, col);
            c[0].remove(0, mount.size());
            return c;
        };
        QCOMPARE(cells(dir.filePath("stick")), stick);
        QCOMPARE(cells(dir.filePath("disk")), disk);
        QCOMPARE(cells(dir.filePath("cd")), (QStringList{" ―", "", "", "", ""}));
        const int cdRow = f.model().rowOfName(dir.filePath("cd"));
        QCOMPARE(f.model().data(f.model().index(cdRow, 0), FileListModel::ImageIndexRole).toInt(),
                 int(ImageCdRom));
        const int stickRow = f.model().rowOfName(dir.filePath("stick"));
        QCOMPARE(
            f.model().data(f.model().index(stickRow, 0), FileListModel::ImageIndexRole).toInt(),
            int(ImageRemovableMedia));
        // The drive the previous path lay on is the current row.
        QCOMPARE(f.list->currentRow(), f.model().rowOfName(dir.filePath("disk")));
        QVERIFY(!current.isEmpty());
        QCOMPARE(f.list->memoryLabel(),
                 QStringLiteral("主メモリ容量：8,192MB  空きメモリ容量：3,072MB"));

        // Clicks neither sort the drives nor mark them.
        const QStringList before = f.names();
        f.list->columnClicked(0);
        QCOMPARE(f.names(), before);
        f.list->itemClicked(stickRow, 0);
        QVERIFY(!f.model().marked(stickRow));
        QCOMPARE(f.host.calls.last(), "drive " + dir.filePath("stick"));
    }

    void driveDigitsRefillTheDriveList()
    {
        TempDir dir;
        Fixture f;
        f.list->fill(QStringLiteral("_"));
        const QString three = f.model().cellText(0, DriveColumnTotal);
        f.list->setDriveDigits(true);
        QVERIFY(f.state.slot(0).driveDigitsSix);
        QCOMPARE(three, QStringLiteral("64.0GB"));
        QCOMPARE(f.model().cellText(0, DriveColumnTotal), QStringLiteral("65,536MB"));
    }

    void folderColumnsComeBackAfterDrives()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("a", "1"));
        Fixture f;
        f.list->fill(dir.path());
        f.list->fill(QStringLiteral("_"));
        QSignalSpy created(f.list.get(), &FileList::columnsCreated);
        f.list->fill(dir.path());
        QCOMPARE(created.count(), 1);
        QCOMPARE(f.model().columnCount(), 7);
        QCOMPARE(f.model().headerTexts()[0], QStringLiteral("名　　　前↑"));
    }

    void doubleClick_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("denied");
        QTest::addColumn<QString>("call");
        QTest::newRow("folder") << "sub" << false << "folder ";
        QTest::newRow("file") << "f.txt" << false << "file ";
        QTest::newRow("folder without access") << "sub" << true << "";
    }
    void doubleClick()
    {
        QFETCH(QString, name);
        QFETCH(bool, denied);
        QFETCH(QString, call);
        TempDir dir;
        QVERIFY(dir.makeFolder("sub") && dir.writeFile("f.txt", "x"));
        Fixture f;
        if (denied)
            f.volumes.denyAccess(dir.filePath("sub"));
        f.list->fill(dir.path());
        f.list->itemDoubleClicked(f.model().rowOfName(name));
        const QString path = dir.filePath(name);
        if (denied) {
            QVERIFY(f.host.calls.isEmpty());
            QCOMPARE(f.messages.texts(),
                     QStringList{path + QStringLiteral(" にはアクセスできません。")});
            QCOMPARE(f.messages.captions(), QStringList{QStringLiteral("表示パス選択")});
        } else {
            QCOMPARE(f.host.calls, QStringList{call + path});
            QVERIFY(f.messages.log().isEmpty());
        }
    }

    void itemClickMarksAndShowsContentOnce()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("a", "1") && dir.writeFile("b", "2"));
        Fixture f;
        f.list->fill(dir.path());
        f.list->itemClicked(1, ModifierShift);
        QVERIFY(f.model().marked(1));
        QCOMPARE(f.host.calls, (QStringList{"mark 1", "activate", "content 2"}));
        f.host.calls.clear();
        f.list->itemClicked(1, 0);
        QVERIFY(!f.model().marked(1));
        QCOMPARE(f.host.calls, (QStringList{"mark 1", "activate", "content 2 if not shown"}));
        // A click on the check box itself toggles once, not twice.
        f.host.calls.clear();
        QVERIFY(f.model().setData(f.model().index(0, 0), Qt::Checked, Qt::CheckStateRole));
        f.list->itemClicked(0, 0);
        QVERIFY(f.model().marked(0));
        QCOMPARE(f.host.calls, (QStringList{"mark 0", "activate", "content 1"}));
    }

    void interruptKeepsRowsReadSoFar()
    {
        TempDir dir;
        for (int i = 0; i < 20; ++i)
            QVERIFY(dir.writeFile(QByteArray::number(i), "x"));
        Fixture f;
        f.progress.interruptAfterPumps(5);
        QCOMPARE(f.list->fill(dir.path()), int(ResultCancelled));
        QVERIFY(f.model().count() > 0);
        QVERIFY(f.model().count() < 20);
        QCOMPARE(f.list->listCounts().items, qint64(f.model().count()));
    }

    void escapeBeforeTheFillDoesNotCutItShort()
    {
        TempDir dir;
        for (int i = 0; i < 5; ++i)
            QVERIFY(dir.writeFile(QByteArray::number(i), "x"));
        Fixture f;
        f.progress.requestInterrupt();
        QCOMPARE(f.list->fill(dir.path()), 0);
        QCOMPARE(f.model().count(), 5);
    }

    void removeListItemCounts()
    {
        TempDir dir;
        QVERIFY(dir.makeFolder("d") && dir.writeFile("a", "1") && dir.writeFile("b", "2"));
        Fixture f;
        f.list->fill(dir.path());
        QVERIFY(f.list->removeListItem("a", 1));
        QVERIFY(f.list->removeListItem("d", 0));
        QVERIFY(!f.list->removeListItem("missing", 1));
        QCOMPARE(f.names(), QStringList{"b"});
        QCOMPARE(f.list->listLabel(), QStringLiteral(" リスト 1 項目( 0 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)"));
        QCOMPARE(f.model().rowOfName("b"), 0);
    }

    void heldRemovals_data()
    {
        QTest::addColumn<QList<int>>("removed"); // of the rows f000..f199
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("currentAfter");
        QList<int> all, everyOther, threeRanges;
        for (int i = 0; i < 200; ++i) {
            all << i;
            if (i % 2 == 0)
                everyOther << i;
            if (i < 10 || (i >= 50 && i < 60) || i >= 190)
                threeRanges << i;
        }
        QTest::newRow("every row, from the top") << all << 5 << -1;
        QTest::newRow("every other row") << everyOther << 101 << 50;
        QTest::newRow("three ranges") << threeRanges << 100 << 80;
        QTest::newRow("current row removed") << threeRanges << 55 << -1;
        QTest::newRow("one row") << QList<int>{199} << 0 << 0;
    }
    void heldRemovals()
    {
        QFETCH(QList<int>, removed);
        QFETCH(int, current);
        QFETCH(int, currentAfter);
        TempDir dir;
        QStringList expected;
        const auto nameOf = [](int i) {
            return QStringLiteral("f%1").arg(i, 3, 10, QLatin1Char('0'));
        };
        for (int i = 0; i < 200; ++i) {
            QVERIFY(dir.writeFile(nameOf(i).toUtf8(), "x"));
            if (!removed.contains(i))
                expected << nameOf(i);
        }
        Fixture f;
        QCOMPARE(f.list->fill(dir.path()), 0);
        for (int i = 0; i < 200; i += 3)
            f.model().setMarked(i, true);
        f.list->setCurrent(current);
        const qint64 builds = f.model().nameIndexBuilds();

        f.list->holdRemovals(true);
        for (int i : removed)
            QVERIFY(f.list->removeListItem(nameOf(i), 1));
        QVERIFY(!f.list->removeListItem(nameOf(removed.first()), 1)); // once only
        QCOMPARE(f.model().count(), 200);                             // still shown
        QCOMPARE(f.list->listCounts().files, qint64(expected.size()));
        f.list->holdRemovals(false);

        QCOMPARE(f.names(), expected);
        QCOMPARE(f.list->currentRow(), currentAfter);
        for (int r = 0; r < f.model().count(); ++r) {
            const int original = f.model().nameAt(r).mid(1).toInt();
            QCOMPARE(f.model().marked(r), original % 3 == 0);
            QCOMPARE(f.model().rowOfName(f.model().nameAt(r)), r);
        }
        // Not once per removed row.
        QVERIFY(f.model().nameIndexBuilds() - builds <= 2);
    }

    void heldRemovalThenWrittenAgain()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("a", "1") && dir.writeFile("b", "2"));
        Fixture f;
        QCOMPARE(f.list->fill(dir.path()), 0);
        f.list->holdRemovals(true);
        QVERIFY(f.list->removeListItem("a", 1));
        ItemRecord record;
        record.name = QStringLiteral("a");
        record.size = 7;
        QVERIFY(f.list->addOrUpdateItem("a", record));
        f.list->holdRemovals(false);
        QCOMPARE(f.names(), (QStringList{"b", "a"}));
        QCOMPARE(f.list->listCounts().files, qint64(2));
    }

    void folderSizes_data()
    {
        QTest::addColumn<bool>("hideHidden");
        QTest::addColumn<QString>("size");
        QTest::newRow("everything") << false << "1,150";
        QTest::newRow("hidden files left out") << true << "1,100";
    }
    void folderSizes()
    {
        QFETCH(bool, hideHidden);
        QFETCH(QString, size);
        TempDir dir;
        QVERIFY(dir.makeFolder("d") && dir.makeFolder("d/e"));
        QVERIFY(dir.writeFile("d/a", QByteArray(100, 'a')) &&
                dir.writeFile("d/.h", QByteArray(50, 'h')));
        QVERIFY(dir.writeFile("d/e/b", QByteArray(1000, 'b')));
        Fixture f;
        f.settings.setSwitch(FlagFolderSize, true);
        f.settings.setSwitch(FlagHideHidden, hideHidden);
        f.list->fill(dir.path());
        QCOMPARE(f.cell("d", ColumnSize), size);
        FileList::setShowFolderSizes({f.list.get(), nullptr}, false);
        QCOMPARE(f.cell("d", ColumnSize), QStringLiteral(" "));
        QCOMPARE(f.cell("d", ColumnSizeKey), QStringLiteral("000000000000"));
    }

    void viewSlotSettingsFollowMenus()
    {
        TempDir dir;
        QVERIFY(dir.writeFile("k", QByteArray(2048, 'k')));
        Fixture f;
        f.list->fill(dir.path());
        QSignalSpy form(f.list.get(), &FileList::listFormChanged);
        f.list->setListForm(ListFormList);
        QCOMPARE(form.count(), 1);
        QCOMPARE(f.state.slot(0).listForm, int(ListFormList));
        f.list->setSizeUnit(true);
        QVERIFY(f.state.slot(0).sizeUnitKB);
        QCOMPARE(f.cell("k", ColumnSize), QStringLiteral("2"));
    }

    void hiddenAttributeMenu_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<uint>("mask");
        QTest::newRow("read-only") << 0 << 1u;
        QTest::newRow("hidden") << 1 << 2u;
        QTest::newRow("system") << 2 << 4u;
        QTest::newRow("compressed") << 3 << 2048u;
    }
    void hiddenAttributeMenu()
    {
        QFETCH(int, item);
        QFETCH(uint, mask);
        Fixture f;
        QCOMPARE(FileList::toggleHiddenAttribute(f.settings, f.host, item), quint32(mask));
        QCOMPARE(FileList::toggleHiddenAttribute(f.settings, f.host, item), 0u);
        QCOMPARE(f.host.calls, (QStringList{QStringLiteral("mask %1").arg(mask), "mask 0"}));
    }

    // Rows written by an operation between fills: added at the end (counted
    // once), or taking the new record in place with their mark kept.
    void operationRowsAddOrUpdate_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("label");
        QTest::newRow("new file") << "new.txt"
                                  << "new.txt" << quint32(AttrArchive) << true << 3
                                  << " リスト 3 項目( 1 ﾌｫﾙﾀﾞ, 2 ﾌｧｲﾙ)";
        QTest::newRow("overwritten, case changed")
            << "a.txt"
            << "A.TXT" << quint32(AttrArchive) << true << 2 << " リスト 2 項目( 1 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)";
        QTest::newRow("hidden by the mask")
            << "h.txt"
            << "h.txt" << quint32(AttrHidden) << false << 2 << " リスト 2 項目( 1 ﾌｫﾙﾀﾞ, 1 ﾌｧｲﾙ)";
    }
    void operationRowsAddOrUpdate()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(quint32, attributes);
        QFETCH(bool, listed);
        QFETCH(int, rows);
        QFETCH(QString, label);
        TempDir dir;
        QVERIFY(dir.writeFile("a.txt", "x"));
        QVERIFY(dir.makeFolder("sub"));
        Fixture f;
        f.settings.setSwitch(FlagHideHidden, true);
        QCOMPARE(f.list->fill(dir.path()), 0);
        const int markedRow = f.model().rowOfName(QStringLiteral("a.txt"));
        f.model().setMarked(markedRow, true);
        ItemRecord record;
        record.name = newName;
        record.size = 12345;
        record.attributes = attributes;
        QCOMPARE(f.list->addOrUpdateItem(oldName, record), listed);
        QCOMPARE(f.model().count(), rows);
        QCOMPARE(f.list->listLabel(), label);
        if (listed) {
            const int row = f.model().rowOfName(newName);
            QVERIFY(row >= 0);
            QCOMPARE(f.model().cellText(row, ColumnSize), QStringLiteral("12,345"));
            QCOMPARE(f.model().marked(row), oldName == QLatin1String("a.txt"));
            if (oldName != newName)
                QCOMPARE(f.model().rowOfName(oldName), -1);
        }
    }
};

QTEST_GUILESS_MAIN(FileListTest)
#include "tst_filelist.moc"
