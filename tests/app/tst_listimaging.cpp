// The file images of the main window: icons from the desktop theme and from
// desktop entries, the cache file saved at shut-down and loaded at the next
// start, damaged cache files, the reset and the function-mode switch.

#include "app/browsing.h"
#include "app/listimaging.h"
#include "app/mainwindow.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/filelist.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "support/tempdir.h"

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

using namespace tovane;
using test::TempDir;

namespace {

const QByteArray Mode3 = "ApType=x\r\nApMode=3\r\n";

struct Started {
    explicit Started(const QString& folder, const QByteArray& settings = QByteArray())
        : window(folder)
    {
        if (!settings.isNull())
            writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        window.startUp();
    }
    ListImaging& imaging() { return *window.listImaging(); }
    FileList& list() { return window.browsing()->list(LeftWindow); }
    int imageOf(const QString& name)
    {
        const FileListModel& m = *list().model();
        const int row = m.rowOfName(name);
        return row < 0 ? -100 : m.rowAt(row).image;
    }
    MainWindow window;
    ScriptedMessageService messages;
};

QString valueOf(const QString& text, const QString& key)
{
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QStringLiteral("<absent>");
}

QByteArray pngOf(int width, int height, QColor colour, const char* format = "PNG")
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray fileBytes(const QString& path)
{
    QByteArray bytes;
    platform::readWholeFile(path, bytes, 1 << 26);
    return bytes;
}

bool switch35(const QString& iniText)
{
    return valueOf(iniText, QStringLiteral("FlgXX")).split(u',').value(35) == QLatin1String("1");
}

} // namespace

class ListImagingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void saveThenLoadRoundTrips();
    void desktopEntriesShowTheirIcon_data();
    void desktopEntriesShowTheirIcon();
    void damagedCacheIsIgnoredAndRebuilt_data();
    void damagedCacheIsIgnoredAndRebuilt();
    void shutDownKeepsOrDeletesTheCache_data();
    void shutDownKeepsOrDeletesTheCache();
    void functionModeRenewsListImages();
    void cachedPicturesMustBeSmallPngs_data();
    void cachedPicturesMustBeSmallPngs();
};

void ListImagingTest::initTestCase()
{
    FileIconSource::setUpThemes();
    // The lookups below need a theme with MIME icons.
    if (QIcon::fromTheme(QStringLiteral("text-x-generic")).isNull())
        QSKIP("no icon theme with MIME type icons installed");
}

void ListImagingTest::saveThenLoadRoundTrips()
{
    TempDir conf, data;
    for (const char* name : {"a.txt", "b.exe", "c.png", "noext"})
        QVERIFY(data.writeFile(name, "x"));
    QStringList keys;
    int exeIndex = 0;
    {
        Started s(conf.path(), Mode3);
        QCOMPARE(s.imaging().cache().addedCount(), 0);
        s.list().fill(data.path());
        // txt and png are aggregated by default; exe and a name alone are not.
        keys = s.imaging().cache().keys();
        QStringList sorted = keys;
        sorted.sort();
        QCOMPARE(sorted, (QStringList{"_noext", "exe_b", "png_", "txt_"}));
        exeIndex = s.imageOf(QStringLiteral("b.exe"));
        for (const char* name : {"a.txt", "b.exe", "c.png"})
            QVERIFY2(s.imageOf(QString::fromLatin1(name)) >= FirstAddedImage, name);
        s.window.updateMenus(s.window.selectedWindow());
        QCOMPARE(s.window.menus().action("mnuFileINI", 3)->text(),
                 QStringLiteral("ファイルイメージ(&I)  (4個)"));
        QVERIFY(s.window.shutDown(0));
    }
    const QByteArray record = fileBytes(conf.filePath(QStringLiteral("Tovane.img")));
    QVERIFY(record.size() > 12);
    QCOMPARE(qFromLittleEndian<quint16>(record.constData()), quint16(0x2011));
    QCOMPARE(qFromLittleEndian<quint16>(record.constData() + 2), quint16(1));
    QCOMPARE(qint64(qFromLittleEndian<quint32>(record.constData() + 4)),
             qint64(record.size() - 12));
    QCOMPARE(qFromLittleEndian<quint32>(record.constData() + 8), 0u);
    const QString ini = readSettingsText(conf.filePath(QStringLiteral("Tovane.ini")));
    QCOMPARE(valueOf(ini, QStringLiteral("ImgCount")), QStringLiteral("4,"));
    QCOMPARE(valueOf(ini, QStringLiteral("ImgKeys")), keys.join(u',') + u',');

    Started again(conf.path());
    QCOMPARE(again.imaging().cache().keys(), keys);
    QCOMPARE(again.imaging().images().addedCount(), 4);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!again.imaging().images().image(FirstAddedImage + i).isNull());
    again.list().fill(data.path());
    QCOMPARE(again.imaging().cache().addedCount(), 4); // nothing looked up again
    QCOMPARE(again.imageOf(QStringLiteral("b.exe")), exeIndex);
    // Nothing new: the file is not written again.
    QVERIFY(platform::deleteFile(conf.filePath(QStringLiteral("Tovane.img"))) == 0);
    QVERIFY(again.window.shutDown(0));
    QVERIFY(!platform::pathExists(conf.filePath(QStringLiteral("Tovane.img"))));
}

void ListImagingTest::desktopEntriesShowTheirIcon_data()
{
    QTest::addColumn<QString>("iconValue"); // %1: the data folder
    QTest::addColumn<bool>("ownPicture");
    QTest::newRow("picture file") << "%1/red.png" << true;
    QTest::newRow("FIFO in the picture's place") << "%1/fifo" << false;
    QTest::newRow("picture too large for an icon") << "%1/huge.png" << false;
    QTest::newRow("no such theme icon") << "no-such-icon-anywhere" << false;
}

void ListImagingTest::desktopEntriesShowTheirIcon()
{
    QFETCH(QString, iconValue);
    QFETCH(bool, ownPicture);
    TempDir conf, data;
    QVERIFY(data.writeFile("red.png", pngOf(48, 48, Qt::red)));
    QVERIFY(data.writeFile("huge.png", pngOf(4000, 10, Qt::red)));
    QCOMPARE(mkfifo((data.pathBytes() + "/fifo").constData(), 0600), 0);
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nIcon=") +
                          iconValue.replace(QStringLiteral("%1"), data.path()) +
                          QStringLiteral("\n");
    QVERIFY(data.writeFile("app.desktop", entry.toUtf8()));
    Started s(conf.path(), Mode3);
    s.list().fill(data.path());
    const int index = s.imageOf(QStringLiteral("app.desktop"));
    QVERIFY(index >= FirstAddedImage);
    const QImage shown = s.imaging().images().image(index).pixmap(16, 16).toImage();
    QCOMPARE(shown.pixelColor(8, 8) == QColor(Qt::red), ownPicture);
}

void ListImagingTest::damagedCacheIsIgnoredAndRebuilt_data()
{
    QTest::addColumn<QByteArray>("cache");
    QByteArray huge(12, '\0');
    qToLittleEndian<quint16>(0x2011, huge.data());
    qToLittleEndian<quint16>(1, huge.data() + 2);
    qToLittleEndian<quint32>(0xfffffff0u, huge.data() + 4);
    QList<QByteArray> good;
    for (int i = 0; i < 17; ++i)
        good << pngOf(32, 32, Qt::blue);
    const QByteArray valid = encodeImageCache(good);
    QTest::newRow("text") << QByteArray("cache");
    QTest::newRow("truncated") << valid.left(valid.size() / 2);
    QTest::newRow("huge length") << huge + valid.mid(12);
    QTest::newRow("foreign picture") << pngOf(32, 32, Qt::blue);
    QList<QByteArray> bad = good;
    bad[15] = pngOf(32, 32, Qt::blue, "BMP");
    QTest::newRow("picture that is no PNG") << encodeImageCache(bad);
}

void ListImagingTest::damagedCacheIsIgnoredAndRebuilt()
{
    QFETCH(QByteArray, cache);
    TempDir conf, data;
    QVERIFY(conf.writeFile("Tovane.img", cache));
    QVERIFY(data.writeFile("a.txt", "x"));
    Started s(conf.path(), Mode3 + "ImgCount=2,\r\nImgKeys=zip_,exe_b,\r\n");
    QCOMPARE(s.imaging().cache().addedCount(), 0);
    s.list().fill(data.path());
    QCOMPARE(s.imageOf(QStringLiteral("a.txt")), FirstAddedImage);
    QVERIFY(s.window.shutDown(0));
    QList<QByteArray> pictures;
    QCOMPARE(readImageCacheFile(conf.filePath(QStringLiteral("Tovane.img")), pictures), 0);
    QCOMPARE(pictures.size(), OwnImageCount + 1);
    const QString ini = readSettingsText(conf.filePath(QStringLiteral("Tovane.ini")));
    QCOMPARE(valueOf(ini, QStringLiteral("ImgKeys")), QStringLiteral("txt_,"));
}

void ListImagingTest::shutDownKeepsOrDeletesTheCache_data()
{
    QTest::addColumn<int>("resetMode");
    QTest::addColumn<int>("modeAtClose");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<QString>("imgKeys");
    QTest::newRow("ordinary close") << 0 << 3 << true << "txt_,";
    QTest::newRow("another function mode") << 0 << 1 << false << "<absent>";
    QTest::newRow("reset of the file images") << int(ResetImages) << 3 << false << "<absent>";
    QTest::newRow("reset of positions") << int(ResetPositions) << 3 << true << "txt_,";
    QTest::newRow("reset of everything") << int(ResetAll) << 3 << false << "<absent>";
}

void ListImagingTest::shutDownKeepsOrDeletesTheCache()
{
    QFETCH(int, resetMode);
    QFETCH(int, modeAtClose);
    QFETCH(bool, kept);
    QFETCH(QString, imgKeys);
    TempDir conf, data;
    QVERIFY(data.writeFile("a.txt", "x"));
    {
        Started first(conf.path(), Mode3);
        first.list().fill(data.path());
        QVERIFY(first.window.shutDown(0));
    }
    // The cache was full: the flag survives only with the cache.
    QString text = readSettingsText(conf.filePath(QStringLiteral("Tovane.ini")));
    QVERIFY(!switch35(text));
    Started s(conf.path());
    QCOMPARE(s.imaging().cache().keys(), QStringList{"txt_"});
    s.imaging().cache().setFull(true);
    if (modeAtClose != 3)
        s.window.commandFunctionMode(modeAtClose);
    QVERIFY(s.window.shutDown(resetMode));
    QCOMPARE(platform::pathExists(conf.filePath(QStringLiteral("Tovane.img"))), kept);
    text = readSettingsText(conf.filePath(QStringLiteral("Tovane.ini")));
    QCOMPARE(valueOf(text, QStringLiteral("ImgKeys")), imgKeys);
    if (resetMode == ResetNone || resetMode == ResetImages)
        QCOMPARE(switch35(text), kept);
}

void ListImagingTest::functionModeRenewsListImages()
{
    TempDir conf, data;
    QVERIFY(data.writeFile("a.txt", "x") && data.writeFile("z.zip", "x"));
    Started s(conf.path(), Mode3);
    s.list().fill(data.path());
    const int txt = s.imaging().cache().indexOf(QStringLiteral("txt_"));
    QVERIFY(txt >= FirstAddedImage);
    QCOMPARE(s.imageOf(QStringLiteral("a.txt")), txt);
    const int added = s.imaging().cache().addedCount();
    s.window.commandFunctionMode(0);
    QCOMPARE(s.imageOf(QStringLiteral("a.txt")), int(ImageText));
    QCOMPARE(s.imageOf(QStringLiteral("z.zip")), int(ImageArchive));
    QVERIFY(!s.window.progress().busy());
    QCOMPARE(s.window.progress().progress(), QString());
    s.window.commandFunctionMode(1); // still no individual images
    QCOMPARE(s.imageOf(QStringLiteral("a.txt")), int(ImageText));
    s.window.commandFunctionMode(3);
    QCOMPARE(s.imageOf(QStringLiteral("a.txt")), txt);
    QCOMPARE(s.imaging().cache().addedCount(), added);
}

void ListImagingTest::cachedPicturesMustBeSmallPngs_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("taken");
    QTest::newRow("small PNG") << pngOf(32, 32, Qt::green) << FirstAddedImage << true;
    QTest::newRow("not the next index") << pngOf(32, 32, Qt::green) << FirstAddedImage + 1 << false;
    QTest::newRow("too large") << pngOf(300, 20, Qt::green) << FirstAddedImage << false;
    QTest::newRow("another format") << pngOf(32, 32, Qt::green, "BMP") << FirstAddedImage << false;
    QTest::newRow("cut short") << pngOf(32, 32, Qt::green).left(40) << FirstAddedImage << false;
}

void ListImagingTest::cachedPicturesMustBeSmallPngs()
{
    QFETCH(QByteArray, picture);
    QFETCH(int, index);
    QFETCH(bool, taken);
    FileImageList list;
    QCOMPARE(list.addPicture(index, picture), taken);
    QCOMPARE(list.addedCount(), taken ? 1 : 0);
    QCOMPARE(list.pictures().size(), OwnImageCount + list.addedCount());
    if (taken)
        QCOMPARE(list.pictures().last(), picture); // saved again as it came
}

QTEST_MAIN(ListImagingTest)
#include "tst_listimaging.moc"
