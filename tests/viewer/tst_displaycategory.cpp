// Which viewer a file goes to: the smallest list holding its extension,
// the language lists only in the extended modes.

#include "core/appsettings.h"
#include "viewer/displaycategory.h"

#include <QtTest>

using namespace tovane;

class DisplayCategoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void category_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("expected");

        QTest::newRow("archive") << "a.zip" << int(ModeBasic) << 0;
        QTest::newRow("image, upper-case extension") << "P.JPG" << int(ModeBasic) << 1;
        QTest::newRow("rich text") << "d.rtf" << int(ModeBasic) << 2;
        QTest::newRow("text") << "notes.txt" << int(ModeBasic) << 3;
        QTest::newRow("list 3 and list 9: the smaller wins") << "x.both" << int(ModeExtended1) << 3;
        QTest::newRow("basic mode ignores the languages") << "m.c" << int(ModeBasic) << -1;
        QTest::newRow("extended mode sees them") << "m.c" << int(ModeExtended2) << 6;
        QTest::newRow("\" c,\" is no match inside \" dsp,\"") << "m.sp" << int(ModeExtended3) << -1;
        QTest::newRow("last dot counts") << "a.txt.bak" << int(ModeExtended1) << -1;
        QTest::newRow("no extension") << "README" << int(ModeExtended1) << -1;
        QTest::newRow("a comma would match across entries")
            << "a.log, txt" << int(ModeExtended1) << -1;
    }
    void category()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(int, expected);
        std::array<QString, DispExtListCount> lists = defaultDispExtLists();
        lists[3] += QStringLiteral(" both,");
        lists[9] += QStringLiteral(" both,");
        QCOMPARE(displayCategory(lists, name, highestCategory(mode)), expected);
    }
};

QTEST_GUILESS_MAIN(DisplayCategoryTest)
#include "tst_displaycategory.moc"
