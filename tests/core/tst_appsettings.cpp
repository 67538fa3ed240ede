#include "core/appsettings.h"
#include "core/settingsfile.h"

#include <QRegularExpression>
#include <QtTest>

using namespace tovane;

namespace {

const QString DefaultColumns = QStringLiteral(
    "2000,1100,1200,700,0,0,0,1700,880,880,1060,700,0,0,5500,1300,2000,800,0,0,0,5000,1500,1500,"
    "1100,750,0,0,2000,1100,1200,700,0,0,0,1700,880,880,1060,700,0,0,2000,2800,1100,1800,800,");

SettingsContext context()
{
    SettingsContext c;
    c.screenWidthTwips = 28800;
    c.screenHeightTwips = 16200;
    c.designedTop = 450;
    c.designedLeft = 450;
    c.homeFolder = QStringLiteral("/home/u");
    return c;
}

template <typename Array> QString joined(const Array& values)
{
    QString out;
    for (const auto& v : values)
        out += QString::number(int(v)) + u',';
    return out;
}

// One value of the settings as text, so that a table can name what it checks.
QString describe(const AppSettings& s, const QString& field)
{
    if (field == QLatin1String("mode"))
        return QString::number(s.functionMode);
    if (field == QLatin1String("drive"))
        return joined(std::array<int, 2>{s.aDriveHandling, s.windowState});
    if (field == QLatin1String("switches"))
        return joined(s.switches);
    if (field == QLatin1String("probe"))
        return joined(s.capabilities) + u'/' + joined(s.probeNeeded);
    if (field == QLatin1String("tvh"))
        return joined(s.collapseFlags);
    if (field == QLatin1String("zoom"))
        return joined(s.zoomModes);
    if (field == QLatin1String("msgpos"))
        return QString::number(s.messagesAtRememberedPosition);
    if (field == QLatin1String("font"))
        return QString::number(s.fontSizeIndex);
    if (field == QLatin1String("paths"))
        return QStringList(s.paths.begin(), s.paths.end()).join(u'|');
    if (field == QLatin1String("frm1"))
        return joined(s.mainWindow);
    if (field == QLatin1String("scroll"))
        return joined(s.divisions);
    if (field == QLatin1String("sort"))
        return joined(s.sort);
    if (field == QLatin1String("colwidth")) {
        QString out;
        for (const auto& set : s.listColumnWidths)
            out += joined(set);
        return out + joined(s.searchColumnWidths);
    }
    if (field == QLatin1String("frmtop"))
        return joined(s.dialogTop);
    if (field == QLatin1String("bookmarks")) {
        QStringList out;
        for (const Bookmark& b : s.bookmarks)
            out << b.path + u'>' + b.comment;
        return out.join(u'|');
    }
    if (field == QLatin1String("titles"))
        return QStringList(s.extTitles.begin(), s.extTitles.end()).join(u'|');
    if (field == QLatin1String("ext"))
        return QStringList(s.dispExtList.begin(), s.dispExtList.end()).join(u'|');
    if (field == QLatin1String("assoc")) {
        QStringList out;
        for (const Association& a : s.associations)
            out << a.extension + u'>' + a.command;
        return out.join(u'|');
    }
    if (field == QLatin1String("images"))
        return QString::number(s.imageCount) + u'|' + s.imageKeys;
    return QStringLiteral("?");
}

QString extLists(const QStringList& lists)
{
    return lists.join(u';') + u';';
}

QStringList keysOf(const QString& text)
{
    QStringList keys;
    static const QRegularExpression line(QStringLiteral("^(\\[\\w+\\]|\\w+)=?"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(text); it.hasNext();)
        keys << it.next().captured(1);
    return keys;
}

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaults()
    {
        const AppSettings s = defaultSettings(context());
        QCOMPARE(s.functionMode, 0);
        QCOMPARE(describe(s, QStringLiteral("drive")), QStringLiteral("2,0,"));
        QCOMPARE(describe(s, QStringLiteral("switches")),
                 QStringLiteral("1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,"
                                "1,1,1,0,"));
        QCOMPARE(s.hiddenAttributeMask(), quint32(2 | 4 | 2048));
        QCOMPARE(s.optionButton(0), 0);
        QCOMPARE(s.optionButton(1), 2);
        QCOMPARE(describe(s, QStringLiteral("probe")), QStringLiteral("0,0,/1,1,"));
        QCOMPARE(describe(s, QStringLiteral("paths")), QStringLiteral("_|/home/u/|_|/home/u/"));
        QCOMPARE(describe(s, QStringLiteral("frm1")), QStringLiteral("450,450,14400,27450,27900,"));
        QCOMPARE(describe(s, QStringLiteral("colwidth")), DefaultColumns);
        QCOMPARE(joined(s.dialogLeft), QStringLiteral("400,400,400,400,400,400,400,400,400,400,"));
        QCOMPARE(s.extTitles[0], QStringLiteral("言語1(Basic系)(&B)"));
        QCOMPARE(s.extTitles[9], QStringLiteral("言語10(&Z)"));
        // Without archivers at hand the archive list is empty.
        QCOMPARE(s.dispExtList[0], QString());
        QCOMPARE(s.dispExtList[2], QStringLiteral(" rtf,"));
        QCOMPARE(s.dispExtList[6], QStringLiteral(" c, clw, cpp, dsp, dsw, h, hpp, plg, rc,"));
        for (int empty : {4, 12, 13, 14, 15, 17})
            QVERIFY2(s.dispExtList[size_t(empty)].isEmpty(), qPrintable(QString::number(empty)));
        QVERIFY(s.dispExtList[16].startsWith(QStringLiteral(" acs, ami, aps,")));
        QVERIFY(s.dispExtList[16].endsWith(QStringLiteral(" xml, xsl, zip,")));
        QVERIFY(s.dispExtList[16].contains(QStringLiteral(" config,")));
        QVERIFY(s.associations.isEmpty());
        QVERIFY(s.bookmarks.isEmpty());

        SettingsContext withArchives = context();
        withArchives.archiveExtensions = QStringLiteral(" lzh, zip,");
        QCOMPARE(defaultSettings(withArchives).dispExtList[0], QStringLiteral(" lzh, zip,"));
    }

    void readKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        const QString titles =
            QStringLiteral("A(&A)/B(&B)/C(&C)/D(&D)/E(&E)/F(&F)/G(&G)/H(&H)/I(&I)/J(&J)/");
        const QStringList goodExt{"cab, zip", "bmp", "rtf", "txt, LOG", "",    "bas",
                                  "",         "",    "",    "",         "",    "",
                                  "",         "",    "",    "flt",      "img", "ser"};
        QStringList badExt = goodExt;
        badExt[3] = QStringLiteral("txt, l*g, ini");
        QStringList longExt = goodExt;
        longExt[5] = QStringList(84, QStringLiteral("ab")).join(u','); // 84 * 4 > 250
        // clang-format off
        QTest::newRow("sort pair") << "Sort=3,12,\r\n" << "sort" << "3,12,";
        QTest::newRow("sort one too many") << "Sort=3,12,4,\r\n" << "sort" << "0,0,";
        QTest::newRow("sort one too few") << "Sort=3,\r\n" << "sort" << "0,0,";
        QTest::newRow("extended mode") << "ApType=x\r\nApMode=3\r\n" << "mode" << "3";
        QTest::newRow("mode without marker") << "ApMode=3\r\n" << "mode" << "0";
        QTest::newRow("mode out of range") << "ApType=x\r\nApMode=7\r\n" << "mode" << "1";
        QTest::newRow("mode first character") << "ApType=x\r\nApMode=2abc\r\n" << "mode" << "2";
        QTest::newRow("marker is exact") << "ApType=X\r\nApMode=2\r\n" << "mode" << "0";
        QTest::newRow("no drive a forces manual") << "FDrvNr_WndStt=1,2,\r\n" << "drive" << "2,2,";
        QTest::newRow("drive item out of range") << "FDrvNr_WndStt=2,3,\r\n" << "drive" << "2,0,";
        QTest::newRow("switch only on when exactly 1")
            << "FlgXX= 1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,\r\n"
            << "switches" << "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,";
        QTest::newRow("switch out of range") << "FlgXX=2,0,\r\n" << "switches"
            << "1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,1,1,1,0,";
        QTest::newRow("probe known on, probe run") << "FlgYY=1,0,\r\n" << "probe" << "1,0,/0,1,";
        QTest::newRow("probe known off") << "FlgYY=2,2,\r\n" << "probe" << "0,0,/0,0,";
        QTest::newRow("collapse flags") << "FlgTVH=1,0,0,0,0,0,0,0,1,\r\n" << "tvh" << "1,0,0,0,0,0,0,0,1,";
        QTest::newRow("zoom out of range") << "PicSizeAutoMan=0,4,1,\r\n" << "zoom" << "3,3,3,";
        QTest::newRow("message position without comma") << "FlgMsgBoxPos=1\r\n" << "msgpos" << "1";
        QTest::newRow("font size") << "FontSizeIndex=3,\r\n" << "font" << "3";
        QTest::newRow("font size too big") << "FontSizeIndex=4,\r\n" << "font" << "0";
        QTest::newRow("paths short list") << "Path=/srv,/srv/a,\r\n" << "paths" << "/srv|/srv/a||";
        QTest::newRow("window inside bounds") << "Frm1Size=-200,-27300,5000,6000,7000,\r\n" << "frm1" << "-200,-27300,5000,6000,7000,";
        QTest::newRow("window top above") << "Frm1Size=-201,27800,1,2,3,\r\n" << "frm1" << "0,27800,1,2,3,";
        QTest::newRow("window beyond screen") << "Frm1Size=15201,27801,1,2,3,\r\n" << "frm1" << "0,0,1,2,3,";
        QTest::newRow("window partly numeric") << "Frm1Size=100,200,x,\r\n" << "frm1" << "100,200,14400,27450,27900,";
        QTest::newRow("dialog tops partly numeric") << "FrmTop=10,20,x,40,\r\n" << "frmtop" << "10,20,300,300,300,300,300,300,300,300,";
        QTest::newRow("dialog tops all ten") << "FrmTop=1,2,3,4,5,6,7,8,9,10,\r\n" << "frmtop" << "1,2,3,4,5,6,7,8,9,10,";
        QTest::newRow("scroll") << "Scroll=0,1000,1,2,3,4,\r\n" << "scroll" << "0,1000,1,2,3,4,";
        QTest::newRow("scroll too big") << "Scroll=0,1001,1,2,3,4,\r\n" << "scroll" << "350,700,400,700,350,700,";
        QTest::newRow("column below 50") << "ColWidth=40," + DefaultColumns.mid(5) + "\r\n" << "colwidth" << DefaultColumns;
        QTest::newRow("column must be zero") << "ColWidth=" + QString(DefaultColumns).replace(QStringLiteral("700,0,0,0,1700"), QStringLiteral("700,60,0,0,1700")) + "\r\n" << "colwidth" << DefaultColumns;
        QTest::newRow("column wider than screen") << "ColWidth=25801," + DefaultColumns.mid(5) + "\r\n" << "colwidth" << DefaultColumns;
        QTest::newRow("column widths taken") << "ColWidth=25800," + DefaultColumns.mid(5) + "\r\n" << "colwidth" << "25800," + DefaultColumns.mid(5);
        QTest::newRow("columns too few") << "ColWidth=2000,1100,\r\n" << "colwidth" << DefaultColumns;
        QTest::newRow("bookmarks") << "BookMarks=2\r\nBookMarkData=/home/u/docs/文書;/srv/サーバ;/x/y;\r\n" << "bookmarks" << "/home/u/docs>文書|/srv>サーバ";
        QTest::newRow("bookmarks stop at empty entry") << "BookMarks=3\r\nBookMarkData=/a/1;;/b/2;\r\n" << "bookmarks" << "/a>1";
        QTest::newRow("bookmark data without count") << "BookMarkData=/a/1;\r\n" << "bookmarks" << "";
        QTest::newRow("bookmark of the root") << "BookMarks=1\r\nBookMarkData=/top;\r\n" << "bookmarks" << ">top";
        QTest::newRow("captions") << "ExtTitle=" + titles + "\r\n" << "titles" << "A(&A)|B(&B)|C(&C)|D(&D)|E(&E)|F(&F)|G(&G)|H(&H)|I(&I)|J(&J)";
        QTest::newRow("lists") << "Ext=" + extLists(goodExt) + "\r\n" << "ext" << " cab,| bmp,| rtf,| txt, log,|| bas,|||||||||| flt,| img,| ser,";
        QTest::newRow("one bad list emptied alone") << "Ext=" + extLists(badExt) + "\r\n" << "ext" << " cab,| bmp,| rtf,||| bas,|||||||||| flt,| img,| ser,";
        QTest::newRow("list too long") << "Ext=" + extLists(longExt) + "\r\n" << "ext" << " cab,| bmp,| rtf,| txt, log,|||||||||||| flt,| img,| ser,";
        QTest::newRow("list stops at empty item") << "Ext=;;rtf, , txt;\r\n" << "ext" << "|| rtf,|||||||||||||||";
        QTest::newRow("archive list reduced") << "Ext=LZH, cab, zip;\r\n" << "ext" << " cab,|||||||||||||||||";
        QTest::newRow("long caption keeps both defaults")
            << "ExtTitle=" + QString(21, u'x') + "/\r\nExt=" + extLists(goodExt) + "\r\n" << "titles"
            << "言語1(Basic系)(&B)|言語2(C系)(&C)|言語3(Pascal系)(&D)|言語4(Java)(&J)|言語5(ML系)(&M)|言語6(Perl)(&P)|言語7(Ruby)(&R)|言語8(&X)|言語9(&Y)|言語10(&Z)";
        QTest::newRow("long caption keeps default lists")
            << "ExtTitle=" + QString(21, u'x') + "/\r\nExt=" + extLists(goodExt) + "\r\n" << "ext"
            << QStringLiteral(" cab,| bmp, cur, dib, emf, ico, gif, jpg, wmf,| rtf,…");
        QTest::newRow("bookmark hides the lists") << "BookMarks=1\r\nBookMarkData=/a/Ext=cab;bmp;\r\nExt=" + extLists(goodExt) + "\r\n" << "ext" << " cab,| bmp,||||||||||||||||";
        QTest::newRow("associations") << "TblSz=3,\r\nExeTbl=txt/usr/bin/gedit 'ed;doc/;TOOLONGEXTENSION/usr/bin/x;\r\n" << "assoc" << "txt>usr/bin/gedit 'ed|TOOLONGEXT>usr/bin/x";
        QTest::newRow("associations without size") << "ExeTbl=txt/usr/bin/gedit;\r\n" << "assoc" << "";
        QTest::newRow("association with bad extension") << "TblSz=2,\r\nExeTbl=t*t/usr/bin/a;md/usr/bin/b;\r\n" << "assoc" << "md>usr/bin/b";
        QTest::newRow("images outside mode 3") << "ApType=x\r\nApMode=2\r\nImgCount=4,\r\nImgKeys=a_,\r\n" << "images" << "0|";
        QTest::newRow("images in mode 3") << "ApType=x\r\nApMode=3\r\nImgCount=4,\r\nImgKeys=a_,\r\n" << "images" << "4|a_,";
        QTest::newRow("image count too big") << "ApType=x\r\nApMode=3\r\nImgCount=5001,\r\n" << "images" << "0|";
        QTest::newRow("image key from a name with odd bytes") << QStringLiteral("ApType=x\r\nApMode=3\r\nImgCount=2,\r\nImgKeys=txt_caf\xDCE9,exe_,\r\n") << "images" << QStringLiteral("2|txt_caf\xDCE9,exe_,");
        QTest::newRow("image keys with a NUL") << QStringLiteral("ApType=x\r\nApMode=3\r\nImgCount=2,\r\nImgKeys=a_,b") + QChar(0) + QStringLiteral("_,\r\n") << "images" << "2|";
        QTest::newRow("image keys with a tab") << "ApType=x\r\nApMode=3\r\nImgCount=2,\r\nImgKeys=a_,b\t_,\r\n" << "images" << "2|";
        QTest::newRow("image keys with an empty key") << "ApType=x\r\nApMode=3\r\nImgCount=2,\r\nImgKeys=a_,,b_,\r\n" << "images" << "2|";
        QTest::newRow("image key longer than a name") << "ApType=x\r\nApMode=3\r\nImgCount=1,\r\nImgKeys=" + QString(257, u'k') + ",\r\n" << "images" << "1|";
        QTest::newRow("image key as long as a name") << "ApType=x\r\nApMode=3\r\nImgCount=1,\r\nImgKeys=" + QString(256, u'k') + ",\r\n" << "images" << "1|" + QString(256, u'k') + ",";
        QTest::newRow("more image keys than images") << "ApType=x\r\nApMode=3\r\nImgCount=1,\r\nImgKeys=" + QString(QStringLiteral("a_,")).repeated(5001) + "\r\n" << "images" << "1|";
        // clang-format on
    }
    void readKey()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        SettingsContext c = context();
        c.archiveExtensions = QStringLiteral(" cab,");
        const QString got = describe(readSettings(text, c), field);
        if (expected.endsWith(u'…'))
            QVERIFY2(got.startsWith(expected.chopped(1)), qPrintable(got));
        else
            QCOMPARE(got, expected);
    }

    void sortMeaning()
    {
        const AppSettings s = readSettings(QStringLiteral("Sort=3,12,\r\n"), context());
        QCOMPARE(s.sortColumn(0), 3);
        QVERIFY(!s.sortDescending(0));
        QCOMPARE(s.sortColumn(1), 2);
        QVERIFY(s.sortDescending(1));
    }

    void associationLimits()
    {
        // Every entry counts 1 + 500 + 2 bytes; the 17th passes 8181.
        QString entries;
        for (int i = 0; i < 20; ++i)
            entries += QChar(u'a' + i) + QStringLiteral("/") + QString(500, u'p') + u';';
        AppSettings s = readSettings("TblSz=20,\r\nExeTbl=" + entries + "\r\n", context());
        QCOMPARE(s.associations.size(), 16);

        // Rejected entries count towards the size, too.
        SettingsContext c = context();
        c.programPathValid = [](const QString& program) { return program.startsWith(u'/'); };
        s = readSettings(QStringLiteral("TblSz=3,\r\nExeTbl=txt/usr/bin/a 'x;md//usr/bin/b;"
                                        "c///opt/c 'y;\r\n"),
                         c);
        QCOMPARE(describe(s, QStringLiteral("assoc")),
                 QStringLiteral("md>/usr/bin/b|c>//opt/c 'y"));
        QCOMPARE(programOfCommand(QStringLiteral("/opt/ed  ' editor")), QStringLiteral("/opt/ed"));
        QCOMPARE(programOfCommand(QStringLiteral(" /opt/ed")), QStringLiteral(" /opt/ed"));
    }

    void roundTrip()
    {
        const QString switches = QStringLiteral(
            "0,1,0,1,1,0,0,1,0,0,1,0,1,1,0,0,1,1,0,0,1,0,1,0,0,1,0,0,0,1,0,1,0,0,0,1,");
        const QString ext = QStringLiteral("cab, ZIP, rar;bmp,png;rtf;txt, log;t*t, "
                                           "ok;p1;p2;p3;p4;p5;p6;p7;p8;p9;p10;flt;img;ser");
        const QString input =
            QStringLiteral("[Tovane]\r\nApType=x\r\nApMode=2\r\n[Position]\r\n"
                           "FDrvNr_WndStt=1,2,\r\nFlgXX=") +
            switches +
            QStringLiteral(
                "\r\nFlgYY=1,0,\r\nFlgTVH=1,0,0,0,0,0,0,0,1,\r\nPicSizeAutoMan=0,1,2,\r\n"
                "FlgMsgBoxPos=1\r\nButtonVal=1,\r\nPath=_,/home/u/work,/srv,/srv/data,\r\n"
                "Frm1Size=100,200,9000,12000,20000,\r\nFontSizeIndex=2,\r\n"
                "Scroll=100,200,300,400,500,600,\r\nSort=3,12,4,\r\nColWidth=40,1100,\r\n"
                "FrmLeft=1,2,3,4,5,6,7,8,\r\nFrmTop=10,20,x,\r\n"
                "DlgSizeHW=100,90,80,70,60,50,\r\nBookMarks=2\r\n"
                "BookMarkData=/home/u/docs/文書;/srv/サーバ;\r\n[DispExt]\r\n"
                "ExtTitle=A(&A)/B(&B)/C(&C)/D(&D)/E(&E)/F(&F)/G(&G)/H(&H)/I(&I)/J(&J)/\r\n"
                "Ext=") +
            ext +
            QStringLiteral("\r\n[ExeTbl]\r\nTblSz=2,\r\n"
                           "ExeTbl=txt/usr/bin/gedit 'editor;md/usr/bin/ghostwriter;\r\n"
                           "ImgCount=3,\r\nImgKeys=a_,\r\n");
        const QString expected =
            QStringLiteral("[Tovane]\r\nApType=x\r\nApMode=2\r\n[Position]\r\n"
                           "FDrvNr_WndStt=2,2,\r\nFlgXX=") +
            switches +
            QStringLiteral(
                "\r\nFlgYY=1,2,\r\nFlgTVH=1,0,0,0,0,0,0,0,1,\r\nPicSizeAutoMan=0,1,2,\r\n"
                "FlgMsgBoxPos=1\r\nButtonVal=1,\r\nPath=_,/home/u/work,/srv,/srv/data,\r\n"
                "Frm1Size=100,200,9000,12000,20000,\r\nFontSizeIndex=2,\r\n"
                "Scroll=100,200,300,400,500,600,\r\nSort=0,0,\r\nColWidth=") +
            DefaultColumns +
            QStringLiteral(
                "\r\nFrmLeft=1,2,3,4,5,6,7,8,400,400,\r\n"
                "FrmTop=10,20,300,300,300,300,300,300,300,300,\r\n"
                "DlgSizeHW=100,90,80,70,60,50,100,100,100,100,\r\nBookMarks=2\r\n"
                "BookMarkData=/home/u/docs/文書;/srv/サーバ;\r\n[DispExt]\r\n"
                "ExtTitle=A(&A)/B(&B)/C(&C)/D(&D)/E(&E)/F(&F)/G(&G)/H(&H)/I(&I)/J(&J)/\r\n"
                "Ext= cab, zip,; bmp, png,; rtf,; txt, log,;; p1,; p2,; p3,; p4,; p5,; "
                "p6,; p7,; p8,; p9,; p10,; flt,; img,; ser,;\r\n[ExeTbl]\r\nTblSz=2,\r\n"
                "ExeTbl=txt/usr/bin/gedit 'editor;md/usr/bin/ghostwriter;\r\n");
        SettingsContext c = context();
        c.archiveExtensions = QStringLiteral(" cab, lzh, zip,");
        const QString written = writeSettings(readSettings(input, c), ResetNone, c);
        QCOMPARE(written, expected);
        // What was written reads back to the same settings.
        QCOMPARE(writeSettings(readSettings(written, c), ResetNone, c), written);
        // The same through the file's bytes, with LF-only lines.
        QByteArray lfOnly = settingsTextToBytes(input);
        lfOnly.replace("\r\n", "\n");
        QCOMPARE(writeSettings(readSettings(settingsTextFromBytes(lfOnly), c), ResetNone, c),
                 expected);
    }

    // A key whose stored text fails its check is written back as its
    // default, not as it was read.
    void failedKeysWrittenAsDefault_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("written");
        const QString mode3 = QStringLiteral("ApType=x\r\nApMode=3\r\nImgCount=7,\r\n");
        // A megabyte of random bytes on one line, NULs included.
        QByteArray noise;
        quint32 seed = 12345;
        for (int i = 0; i < 1 << 20; ++i) {
            seed = seed * 1103515245u + 12345u;
            noise.append(char(seed >> 16));
        }
        noise.replace('\r', ' ').replace('\n', ' ');
        const QString noiseText =
            settingsTextFromBytes(settingsTextToBytes(mode3) + "ImgKeys=" + noise + "\r\n");
        QVERIFY(noiseText.contains(QChar(0)));
        // clang-format off
        QTest::newRow("image keys of random bytes") << noiseText << "ImgKeys" << "";
        QTest::newRow("image keys with a NUL") << mode3 + "ImgKeys=a_," + QChar(0) + ",\r\n" << "ImgKeys" << "";
        QTest::newRow("image keys too many") << mode3 + "ImgKeys=" + QString(QStringLiteral("a_,")).repeated(5001) + "\r\n" << "ImgKeys" << "";
        QTest::newRow("image keys kept") << mode3 + "ImgKeys=a_,b_c,\r\n" << "ImgKeys" << "a_,b_c,";
        QTest::newRow("switches too short") << "FlgXX=1,0,1,\r\n" << "FlgXX" << "1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,1,1,1,0,";
        QTest::newRow("sort text") << "Sort=a,b,\r\n" << "Sort" << "0,0,";
        QTest::newRow("scroll too long") << "Scroll=1,2,3,4,5,6,7,\r\n" << "Scroll" << "350,700,400,700,350,700,";
        QTest::newRow("image count negative") << "ApType=x\r\nApMode=3\r\nImgCount=-1,\r\nImgKeys=a_,\r\n" << "ImgCount" << "<absent>";
        // clang-format on
    }
    void failedKeysWrittenAsDefault()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, written);
        const SettingsContext c = context();
        const QString out = writeSettings(readSettings(text, c), ResetNone, c);
        const QString marker = u'\n' + key + u'=';
        const qsizetype at = out.indexOf(marker);
        const QString value =
            at < 0 ? QStringLiteral("<absent>")
                   : out.mid(at + marker.size(), out.indexOf(u'\r', at + 1) - at - marker.size());
        QCOMPARE(value, written);
    }

    void defaultsRoundTrip()
    {
        const SettingsContext c = context();
        const QString written = writeSettings(defaultSettings(c), ResetNone, c);
        QCOMPARE(keysOf(written).first(), QStringLiteral("[Tovane]"));
        QVERIFY(written.contains(QStringLiteral("\r\nFlgYY=2,2,\r\n")));
        QVERIFY(written.contains(QStringLiteral("\r\nPath=_,/home/u/,_,/home/u/,\r\n")));
        QVERIFY(!written.contains(QStringLiteral("BookMarks=")));
        QVERIFY(!written.contains(QStringLiteral("TblSz=")));
        QVERIFY(!written.contains(QStringLiteral("[ExeTbl]")));
        QCOMPARE(writeSettings(readSettings(written, c), ResetNone, c), written);
    }

    void resetModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("keys");
        const QStringList position{"FDrvNr_WndStt",  "FlgXX",         "FlgYY",     "FlgTVH",
                                   "PicSizeAutoMan", "FlgMsgBoxPos",  "ButtonVal", "Path",
                                   "Frm1Size",       "FontSizeIndex", "Scroll",    "Sort",
                                   "ColWidth",       "FrmLeft",       "FrmTop",    "DlgSizeHW",
                                   "BookMarks",      "BookMarkData"};
        const QStringList first =
            QStringList{"[Tovane]", "ApType", "ApMode", "[Position]"} + position;
        const QStringList dispExt{"[DispExt]", "ExtTitle", "Ext"};
        const QStringList exeTbl{"[ExeTbl]", "TblSz", "ExeTbl"};
        const QStringList images{"ImgCount", "ImgKeys"};
        QTest::newRow("ordinary") << 0 << first + dispExt + exeTbl + images;
        QTest::newRow("positions") << 1 << dispExt + exeTbl + QStringList{"[Position]"} + images;
        QTest::newRow("extensions") << 2 << first + exeTbl + images;
        QTest::newRow("associations") << 3 << first + dispExt + images;
        QTest::newRow("images") << 4 << first + dispExt + exeTbl;
        QTest::newRow("all") << 5 << QStringList();
    }
    void resetModes()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, keys);
        AppSettings s = defaultSettings(context());
        s.functionMode = ModeExtended3;
        s.bookmarks = {{QStringLiteral("/a"), QStringLiteral("A")}};
        s.associations = {{QStringLiteral("txt"), QStringLiteral("/usr/bin/gedit")}};
        s.imageCount = 5;
        s.imageKeys = QStringLiteral("a_,b_,");
        const QString written = writeSettings(s, mode, context());
        QCOMPARE(keysOf(written), keys);
        if (mode == ResetAll)
            QCOMPARE(written, QString()); // the next start uses every default
    }

    void writtenOnlyWhenPresent()
    {
        AppSettings s = defaultSettings(context());
        s.imageCount = 5; // basic mode: no image keys
        s.associations = {{QString(), QStringLiteral("/usr/bin/x")}};
        const QStringList keys = keysOf(writeSettings(s, ResetNone, context()));
        QCOMPARE(keys.first(), QStringLiteral("[Tovane]"));
        QCOMPARE(keys.at(1), QStringLiteral("ApMode"));
        QCOMPARE(keys.last(), QStringLiteral("Ext"));
        QVERIFY(!keys.contains(QStringLiteral("ApType")));
    }

    void pathItems_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("written");
        // clang-format off
        QTest::newRow("kept") << QStringList{"/srv", "/srv/a", "_", "/b"} << "/srv,/srv/a,_,/b,";
        QTest::newRow("empty folder") << QStringList{"_", "", "/srv", "/srv/x"} << "/home/u/,/home/u/,/srv,/srv/x,";
        QTest::newRow("computer node") << QStringList{"/a", "ｺﾝﾋﾟｭｰﾀ", "_", "/b"} << "/home/u/,/home/u/,_,/b,";
        QTest::newRow("comma in a name") << QStringList{"_", "/home/u/a,b/c", "_", "/x"} << "_,/home/u,_,/x,";
        QTest::newRow("line break in a name") << QStringList{"/t\nx", "/t\nx/y", "_", "/x"} << "/,/,_,/x,";
        QTest::newRow("name reads as a key") << QStringList{"_", "/data/Sort=9/in", "_", "/x"} << "_,/data,_,/x,";
        // clang-format on
    }
    void pathItems()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, written);
        AppSettings s = defaultSettings(context());
        std::copy(paths.begin(), paths.end(), s.paths.begin());
        s.sort = {12, 1};
        const QString text = writeSettings(s, ResetNone, context());
        QCOMPARE(getIniValue(text, QStringLiteral("Path"), QString()), written);
        const AppSettings back = readSettings(text, context());
        QCOMPARE(describe(back, QStringLiteral("paths")) + u'|',
                 QString(written).replace(u',', u'|'));
        QCOMPARE(back.sort, s.sort);
    }

    void freeTextsStayInPlace()
    {
        AppSettings s = defaultSettings(context());
        s.bookmarks = {{QStringLiteral("/home/u"), QStringLiteral("a/b")},
                       {QStringLiteral("/srv/a;b"), QStringLiteral("dropped")},
                       {QStringLiteral("/srv/x"), QStringLiteral("x;y\r\nz")},
                       {QStringLiteral("/data/Ext=1"), QStringLiteral("dropped")},
                       {QStringLiteral("/opt"), QStringLiteral("Ext=rtf, TblSz=3")},
                       {QString(), QStringLiteral("root")}};
        s.extTitles[2] = QStringLiteral("C/C++(&C)");
        s.dispExtList[3] = QStringLiteral(" txt; log,");
        s.associations = {{QStringLiteral("txt"), QStringLiteral("/usr/bin/a;b")},
                          {QStringLiteral("md"), QStringLiteral("/usr/bin/md 'x/y")}};
        const QString text = writeSettings(s, ResetNone, context());
        const AppSettings back = readSettings(text, context());
        QCOMPARE(describe(back, QStringLiteral("bookmarks")),
                 QStringLiteral("/home/u>a／b|/srv/x>x；y  z|/opt>Ext＝rtf, TblSz＝3|>root"));
        QCOMPARE(back.extTitles[2], QStringLiteral("C／C++(&C)"));
        QCOMPARE(back.dispExtList[3], QStringLiteral(" txt, log,"));
        QCOMPARE(back.dispExtList, [&] {
            auto lists = s.dispExtList;
            lists[3] = QStringLiteral(" txt, log,");
            return lists;
        }());
        QCOMPARE(describe(back, QStringLiteral("assoc")), QStringLiteral("md>/usr/bin/md 'x/y"));
    }

    void invalidBytesInPathSurvive()
    {
        const QByteArray line("Path=_,/home/u/caf\xE9/\xFF,_,/srv,\r\n");
        const QString text = settingsTextFromBytes("[Position]\r\n" + line);
        const AppSettings s = readSettings(text, context());
        QVERIFY(settingsTextToBytes(writeSettings(s, ResetNone, context())).contains(line));
    }

    void switchHelpers()
    {
        AppSettings s;
        s.setOptionButton(0, 1);
        s.setOptionButton(1, 2);
        QCOMPARE(s.optionButton(0), 1);
        QCOMPARE(s.optionButton(1), 2);
        QVERIFY(s.switchOn(FlagOptionFirst) && !s.switchOn(FlagOptionSecond));
        s.setSwitch(FlagHideReadOnly, true);
        s.setSwitch(FlagHideCompressed, false);
        QCOMPARE(s.hiddenAttributeMask() & 2049, quint32(1));
        QVERIFY(!s.switchOn(SwitchCount));
    }
};

QTEST_GUILESS_MAIN(AppSettingsTest)
#include "tst_appsettings.moc"
