#include "app/frmabout.h"
#include "platform/system.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tovane;

class FrmAboutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("three parts") << u"1.2.3"_qs << u"　Ver. 1.2.3"_qs;
        QTest::newRow("two parts") << u"2.10"_qs << u"　Ver. 2.10.0"_qs;
        QTest::newRow("four parts") << u"1.2.3.4"_qs << u"　Ver. 1.2.3"_qs;
        QTest::newRow("not numbers") << u"x.y"_qs << u"　Ver. 0.0.0"_qs;
        QTest::newRow("build's own") << QString() << u"　Ver. "_qs + QStringLiteral(TOVANE_VERSION);
    }
    void versionText()
    {
        QFETCH(QString, version);
        QFETCH(QString, text);
        QCOMPARE(frmAbout::versionText(version), text);
    }

    void captionText()
    {
        QCOMPARE(frmAbout::captionText(), u"Tovane　Ver. "_qs + QStringLiteral(TOVANE_VERSION));
    }

    void archiverLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("line");
        const QString pad20 = u"CAB32.DLL           "_qs;
        QTest::newRow("missing") << u"CAB32.DLL"_qs << QString() << QString()
                                 << pad20 + u" 未装備"_qs;
        QTest::newRow("found") << u"CAB32.DLL"_qs << u" 1.23.0.1"_qs << QString()
                               << pad20 + u" 1.23.0.1"_qs;
        QTest::newRow("cut to 11") << u"CAB32.DLL"_qs << u"12.345.678.901"_qs << QString()
                                   << pad20 + u"12.345.678."_qs.chopped(1);
        QTest::newRow("trailing point dropped")
            << u"CAB32.DLL"_qs << u"1.22.333.4."_qs << QString() << pad20 + u"1.22.333.4"_qs;
        // The holder starts under "著作権者" of the heading: byte column 37.
        QTest::newRow("holder aligned")
            << u"UNZIP32.DLL"_qs << u" 6.0"_qs << u"someone"_qs
            << u"UNZIP32.DLL          6.0"_qs + QString(13, u' ') + u"someone"_qs;
        QTest::newRow("holder after missing")
            << u"ZIP32J.DLL"_qs << QString() << u"x"_qs
            << u"ZIP32J.DLL          "_qs + u" 未装備"_qs + QString(10, u' ') + u"x"_qs;
    }
    void archiverLines()
    {
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(QString, holder);
        QFETCH(QString, line);
        QCOMPARE(frmAbout::archiverLineText({name, version, holder}), line);
    }

    void windowContent()
    {
        frmAbout about(frmAbout::defaultArchivers(), DialogEnvironment{});
        QCOMPARE(about.windowTitle(), frmAbout::captionText());
        QCOMPARE(about.findChild<QLabel*>(u"lblOS"_qs)->text(),
                 platform::osText().replace(u"\r\n"_qs, u"\n"_qs));
        QVERIFY(about.findChild<QLabel*>(u"lblMemory"_qs)->text().endsWith(u" Bytes"_qs));
        const QStringList table = about.findChild<QLabel*>(u"lblArchivers"_qs)->text().split(u'\n');
        QCOMPARE(table.size(), 6);
        QCOMPARE(table[0], u" 書庫処理用DLL名     Ver.番号        著作権者     "_qs);
        const QStringList names{u"libgcab"_qs, u"Tovane LZH"_qs, u"libarchive"_qs,
                                u"libarchive"_qs, u"zlib"_qs};
        for (int i = 0; i < 5; ++i) {
            QVERIFY(table[i + 1].startsWith(names[i]));
            QVERIFY(table[i + 1].endsWith(u" 未装備"_qs));
        }
        QCOMPARE(about.findChild<QPushButton*>(u"cmdOK"_qs)->text(), u"Ｏ Ｋ"_qs);
    }

    void memoryText()
    {
        QCOMPARE(frmAbout::memoryText(8589934592.0), u" メモリ：8,589,934,592 Bytes"_qs);
    }
};

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
