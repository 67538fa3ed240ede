// The added file images: keys, once-per-key lookup, the limit of 5000 and
// its message, the cache file's record against damaged input, the restore
// walk, and the Icon of desktop entries.

#include "core/appsettings.h"
#include "core/scriptedservices.h"
#include "list/desktopentry.h"
#include "list/fileimagecache.h"
#include "support/tempdir.h"

#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

using namespace tovane;
using test::TempDir;

namespace {

FileImageRules rulesWith(const QString& aggregation, const QString& filter = QString())
{
    std::array<QString, 18> lists = defaultDispExtLists();
    lists[ImageAggregationList] = aggregation;
    lists[ListFilterList] = filter;
    return FileImageRules(lists);
}

// An extractor that gives a picture for every name but those in `missing`
// and remembers whom it was asked for.
struct Extraction {
    QStringList asked;
    QStringList missing;
    FileImageCache::Extractor extractor()
    {
        return [this](const QString&, const QString& name, int) {
            asked << name;
            return !missing.contains(name);
        };
    }
};

QByteArray header(quint16 type, quint16 dims, quint32 length, quint32 lower)
{
    QByteArray h(12, '\0');
    qToLittleEndian<quint16>(type, h.data());
    qToLittleEndian<quint16>(dims, h.data() + 2);
    qToLittleEndian<quint32>(length, h.data() + 4);
    qToLittleEndian<quint32>(lower, h.data() + 8);
    return h;
}

QList<QByteArray> samplePictures(int count)
{
    QList<QByteArray> pictures;
    for (int i = 0; i < count; ++i)
        pictures << QByteArray("picture ") + QByteArray::number(i % 7);
    return pictures;
}

} // namespace

class FileImageCacheTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keys_data();
    void keys();
    void lookupOncePerKey_data();
    void lookupOncePerKey();
    void limitStopsAtFiveThousand();
    void restoredUpToTheLimitAddsNoMore();
    void recordRoundTrip_data();
    void recordRoundTrip();
    void damagedRecordsAreRefused_data();
    void damagedRecordsAreRefused();
    void fileRoundTripAndForeignFiles();
    void restoreWalk_data();
    void restoreWalk();
    void desktopEntryIcon_data();
    void desktopEntryIcon();
};

void FileImageCacheTest::keys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("aggregation");
    QTest::addColumn<QString>("key");
    QTest::newRow("per file") << "a.exe"
                              << ""
                              << "exe_a";
    QTest::newRow("letter case folded") << "B.EXE"
                                        << ""
                                        << "exe_b";
    QTest::newRow("aggregated") << "a.exe"
                                << " exe,"
                                << "exe_";
    QTest::newRow("aggregated in any case") << "Setup.EXE"
                                            << " txt, exe,"
                                            << "exe_";
    QTest::newRow("no extension") << "README"
                                  << ""
                                  << "_readme";
    QTest::newRow("three characters ending in _") << "setup.ex_"
                                                  << ""
                                                  << "ex__";
    QTest::newRow("two characters ending in _ are not") << "a.x_"
                                                        << ""
                                                        << "x__a";
    QTest::newRow("last dot decides") << "x.tar.gz"
                                      << ""
                                      << "gz_x.tar";
    QTest::newRow("comma escaped") << "a,b.txt"
                                   << ""
                                   << "txt_a%2Cb";
    QTest::newRow("percent escaped, so no clash") << "a%2Cb.txt"
                                                  << ""
                                                  << "txt_a%252cb";
    QTest::newRow("line break escaped") << "a\nb.txt"
                                        << ""
                                        << "txt_a%0Ab";
    QTest::newRow("too long for the key list") << QString(300, u'n') + ".txt"
                                               << ""
                                               << "";
}

void FileImageCacheTest::keys()
{
    QFETCH(QString, name);
    QFETCH(QString, aggregation);
    QFETCH(QString, key);
    const FileImageRules rules = rulesWith(aggregation);
    QCOMPARE(rules.imageKey(name), key);
    // Whatever the name, a key list of it reads back as the same keys.
    if (!key.isEmpty()) {
        const QString list = key + QStringLiteral(",other_,");
        QCOMPARE(splitImageKeys(list), (QStringList{key, QStringLiteral("other_")}));
        AppSettings s;
        s.functionMode = ModeExtended3;
        s.imageCount = 2;
        s.imageKeys = list;
        const QString text = writeSettings(s, ResetNone, SettingsContext());
        QCOMPARE(readSettings(text, SettingsContext()).imageKeys, list);
    }
}

void FileImageCacheTest::lookupOncePerKey_data()
{
    QTest::addColumn<bool>("individual");
    QTest::addColumn<QString>("aggregation");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("images");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("extractions");

    const QStringList files{"a.exe", "b.exe", "a.exe", "c.zip"};
    QTest::newRow("off: category images, nothing extracted")
        << false << ""
        << "" << QStringList{} << files << QList<int>{11, 11, 11, 12} << "" << 0;
    QTest::newRow("one image per file")
        << true << ""
        << "" << QStringList{} << files << QList<int>{16, 17, 16, 18} << "exe_a,exe_b,zip_c," << 3;
    QTest::newRow("one image per aggregated extension")
        << true << " exe,"
        << "" << QStringList{} << files << QList<int>{16, 16, 16, 17} << "exe_,zip_c," << 2;
    QTest::newRow("no icon: plain file image, asked once")
        << true << ""
        << "" << QStringList{"a.exe"} << files << QList<int>{11, 16, 11, 17} << "exe_b,zip_c," << 3;
    QTest::newRow("the filter leaves files out before any lookup")
        << true << ""
        << " zip," << QStringList{} << files << QList<int>{-1, -1, -1, 16} << "zip_c," << 1;
}

void FileImageCacheTest::lookupOncePerKey()
{
    QFETCH(bool, individual);
    QFETCH(QString, aggregation);
    QFETCH(QString, filter);
    QFETCH(QStringList, missing);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, images);
    QFETCH(QString, keys);
    QFETCH(int, extractions);
    const FileImageRules rules = rulesWith(aggregation, filter);
    Extraction extraction;
    extraction.missing = missing;
    ScriptedMessageService messages;
    FileImageCache cache(&messages);
    cache.setExtractor(extraction.extractor());
    cache.setIndividualImages(individual);
    QList<int> got;
    for (const QString& name : names)
        got << cache.fileImage(rules, QStringLiteral("/f/"), name);
    QCOMPARE(got, images);
    QCOMPARE(cache.keysText(), keys);
    QCOMPARE(extraction.asked.size(), extractions);
    QVERIFY(messages.log().isEmpty());
}

void FileImageCacheTest::limitStopsAtFiveThousand()
{
    const FileImageRules rules = rulesWith(QString());
    Extraction extraction;
    ScriptedMessageService messages;
    FileImageCache cache(&messages);
    cache.setExtractor(extraction.extractor());
    cache.setIndividualImages(true);
    for (int i = 0; i < MaxAddedImages - 1; ++i)
        QVERIFY(cache.addRestored(QStringLiteral("x_%1").arg(i)) > 0);

    QCOMPARE(cache.fileImage(rules, QStringLiteral("/f/"), QStringLiteral("last.bin")), 5015);
    QVERIFY(cache.full());
    QCOMPARE(messages.log().size(), 1);
    QCOMPARE(messages.log().first().caption, QStringLiteral("リスト表示"));
    QVERIFY(
        messages.texts().first().contains(QStringLiteral("（現在の追加イメージ数は 5000 種類）")));
    QCOMPARE(messages.texts().first(), imageLimitMessage(5000));

    // The next new key is not added and nothing more is said; known keys still answer.
    QCOMPARE(cache.fileImage(rules, QStringLiteral("/f/"), QStringLiteral("more.bin")), 11);
    QCOMPARE(cache.fileImage(rules, QStringLiteral("/f/"), QStringLiteral("last.bin")), 5015);
    QCOMPARE(cache.addedCount(), MaxAddedImages);
    QCOMPARE(extraction.asked, QStringList{"last.bin"});
    QCOMPARE(messages.log().size(), 1);
}

void FileImageCacheTest::restoredUpToTheLimitAddsNoMore()
{
    // A full cache whose flag got lost with the settings.
    const FileImageRules rules = rulesWith(QString());
    Extraction extraction;
    FileImageCache cache;
    cache.setExtractor(extraction.extractor());
    cache.setIndividualImages(true);
    for (int i = 0; i < MaxAddedImages; ++i)
        QVERIFY(cache.addRestored(QStringLiteral("x_%1").arg(i)) > 0);
    QCOMPARE(cache.addRestored(QStringLiteral("y_")), -1);
    QCOMPARE(cache.fileImage(rules, QStringLiteral("/f/"), QStringLiteral("new.bin")), 11);
    QVERIFY(extraction.asked.isEmpty());
    QVERIFY(cache.full());
}

void FileImageCacheTest::recordRoundTrip_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("own images only") << 15;
    QTest::newRow("some added") << 40;
    QTest::newRow("at the limit") << MaxCachedImages;
}

void FileImageCacheTest::recordRoundTrip()
{
    QFETCH(int, count);
    const QList<QByteArray> pictures = samplePictures(count);
    const QByteArray record = encodeImageCache(pictures);
    QCOMPARE(record.left(12), header(0x2011, 1, quint32(record.size() - 12), 0));
    QList<QByteArray> back;
    QCOMPARE(decodeImageCache(record, back), 0);
    QCOMPARE(back, pictures);
}

void FileImageCacheTest::damagedRecordsAreRefused_data()
{
    QTest::addColumn<QByteArray>("record");
    const QByteArray good = encodeImageCache(samplePictures(20));
    const QByteArray inner = good.mid(12);
    const auto withInner = [](const QByteArray& body) {
        return header(0x2011, 1, quint32(body.size()), 0) + body;
    };
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("header cut short") << good.left(7);
    QTest::newRow("record cut short") << good.left(good.size() - 3);
    QTest::newRow("trailing bytes") << good + "x";
    QTest::newRow("other value type") << header(0x2008, 1, quint32(inner.size()), 0) + inner;
    QTest::newRow("two dimensions") << header(0x2011, 2, quint32(inner.size()), 0) + inner;
    QTest::newRow("lower bound not 0") << header(0x2011, 1, quint32(inner.size()), 1) + inner;
    QTest::newRow("huge length") << header(0x2011, 1, 0xffffffffu, 0) + inner;
    QTest::newRow("foreign file") << QByteArray("\x89PNG\r\n\x1a\n").repeated(10);
    QTest::newRow("other magic") << withInner("XVNIMG\r\n" + inner.mid(8));

    // Inner counts and lengths that claim more than is there.
    QByteArray body = inner;
    qToLittleEndian<quint32>(0x7fffffffu, body.data() + 12); // distinct pictures
    QTest::newRow("huge picture count") << withInner(body);
    body = inner;
    qToLittleEndian<quint32>(0x7fffffffu, body.data() + 16); // first picture's length
    QTest::newRow("huge picture length") << withInner(body);
    body = inner;
    body[body.size() - 2] = char(0x7f); // last reference beyond the pictures
    QTest::newRow("reference out of range") << withInner(body);
    QByteArray version = inner;
    qToLittleEndian<quint32>(2, version.data() + 8);
    QTest::newRow("later version") << withInner(version);
}

void FileImageCacheTest::damagedRecordsAreRefused()
{
    QFETCH(QByteArray, record);
    QList<QByteArray> pictures{"left over"};
    QCOMPARE(decodeImageCache(record, pictures), int(ImageCacheDamaged));
    QVERIFY(pictures.isEmpty());
}

void FileImageCacheTest::fileRoundTripAndForeignFiles()
{
    TempDir dir;
    const QString path = dir.filePath(QStringLiteral("Tovane.img"));
    const QList<QByteArray> pictures = samplePictures(30);
    QCOMPARE(saveImageCacheFile(path, pictures), 0);
    QList<QByteArray> back;
    QCOMPARE(readImageCacheFile(path, back), 0);
    QCOMPARE(back, pictures);

    // A save replaces the file whole.
    QCOMPARE(saveImageCacheFile(path, samplePictures(16)), 0);
    QCOMPARE(readImageCacheFile(path, back), 0);
    QCOMPARE(back.size(), 16);

    QVERIFY(dir.writeFile("Tovane.img", "cache"));
    QCOMPARE(readImageCacheFile(path, back), int(ImageCacheDamaged));
    QVERIFY(test::makeSparse(dir.pathBytes() + "/Tovane.img", MaxImageCacheBytes + 100));
    QCOMPARE(readImageCacheFile(path, back), int(ImageCacheDamaged));
    QCOMPARE(readImageCacheFile(dir.filePath(QStringLiteral("none.img")), back), ENOENT);
    // A FIFO in its place is never waited on.
    const QByteArray fifo = dir.pathBytes() + "/fifo.img";
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
    QVERIFY(readImageCacheFile(dir.filePath(QStringLiteral("fifo.img")), back) != 0);
    QVERIFY(back.isEmpty());
}

void FileImageCacheTest::restoreWalk_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("refuseAt"); // index whose picture does not decode, 0 none
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("restored");
    QTest::newRow("own images only") << 15 << "a_," << 0 << -1 << "";
    QTest::newRow("every picture with its key") << 18 << "a_,b_x,c_," << 0 << 1 << "a_,b_x,c_,";
    QTest::newRow("keys run out first")
        << 18 << "a_,b_x," << 0 << int(ImageCacheDamaged) << "a_,b_x,";
    QTest::newRow("a key twice") << 18 << "a_,a_,c_," << 0 << int(ImageCacheDamaged) << "a_,";
    QTest::newRow("a picture that does not decode")
        << 18 << "a_,b_x,c_," << 17 << int(ImageCacheDamaged) << "a_,";
    QTest::newRow("keys beyond the pictures wait") << 16 << "a_,b_x," << 0 << 1 << "a_,";
}

void FileImageCacheTest::restoreWalk()
{
    QFETCH(int, pictures);
    QFETCH(QString, keys);
    QFETCH(int, refuseAt);
    QFETCH(int, result);
    QFETCH(QString, restored);
    FileImageCache cache;
    QList<int> stored;
    const int got =
        restoreImageCache(cache, samplePictures(pictures), keys, [&](int index, const QByteArray&) {
            if (index == refuseAt)
                return false;
            stored << index;
            return true;
        });
    QCOMPARE(got, result);
    QCOMPARE(cache.keysText(), restored);
    QCOMPARE(stored.size(), cache.addedCount());
    for (int i = 0; i < stored.size(); ++i)
        QCOMPARE(stored[i], FirstAddedImage + i);
    const QStringList restoredKeys = splitImageKeys(restored);
    for (int i = 0; i < restoredKeys.size(); ++i)
        QCOMPARE(cache.indexOf(restoredKeys[i]), FirstAddedImage + i);
}

void FileImageCacheTest::desktopEntryIcon_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("icon");
    QTest::newRow("theme name") << QByteArray(
                                       "[Desktop Entry]\nName=Ed\nIcon=accessories-text-editor\n")
                                << "accessories-text-editor";
    QTest::newRow("blanks and CR LF")
        << QByteArray("[Desktop Entry]\r\nIcon = /opt/a b.png \r\n") << "/opt/a b.png";
    QTest::newRow("escapes") << QByteArray("[Desktop Entry]\nIcon=a\\sb\\\\c\n") << "a b\\c";
    QTest::newRow("comments and localized keys skipped")
        << QByteArray("# c\n[Desktop Entry]\nIcon[de]=x\n#Icon=y\nIcon=z\n") << "z";
    QTest::newRow("an action's icon is not the entry's")
        << QByteArray("[Desktop Entry]\nName=A\n[Desktop Action New]\nIcon=n\n") << "";
    QTest::newRow("before any group") << QByteArray("Icon=x\n[Desktop Entry]\nName=A\n") << "";
    QTest::newRow("other group") << QByteArray("[Other]\nIcon=x\n") << "";
    QTest::newRow("line break escape refused") << QByteArray("[Desktop Entry]\nIcon=a\\nb\n") << "";
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\0\0\0",
                                          7)
                            << "";
}

void FileImageCacheTest::desktopEntryIcon()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, icon);
    QCOMPARE(tovane::desktopEntryIcon(text), icon);
}

QTEST_GUILESS_MAIN(FileImageCacheTest)
#include "tst_fileimagecache.moc"
