#include "fs/pathrules.h"

#include <QtTest>

using namespace tovane;

class PathRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stripAndAdd_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("stripped");
        QTest::addColumn<QString>("forced");
        QTest::addColumn<QString>("added");
        // clang-format off
        QTest::newRow("root") << "/" << "/" << "" << "/";
        QTest::newRow("empty") << "" << "" << "" << "";
        QTest::newRow("folder with slash") << "/a/b/" << "/a/b" << "/a/b" << "/a/b/";
        QTest::newRow("folder without slash") << "/a/b" << "/a/b" << "/a/b" << "/a/b/";
        QTest::newRow("one letter") << "/a" << "/a" << "/a" << "/a/";
        QTest::newRow("double slash drops one") << "/a//" << "/a/" << "/a/" << "/a//";
        QTest::newRow("two slashes") << "//" << "/" << "/" << "//";
        QTest::newRow("relative") << "a" << "a" << "a" << "a/";
        // clang-format on
    }
    void stripAndAdd()
    {
        QFETCH(QString, path);
        QFETCH(QString, stripped);
        QFETCH(QString, forced);
        QFETCH(QString, added);
        QCOMPARE(stripSeparator(path), stripped);
        QCOMPARE(stripSeparator(path, true), forced);
        QCOMPARE(addSeparator(path), added);
    }

    void nameAndParent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        // clang-format off
        QTest::newRow("root is its own parent") << "/" << "" << "/";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("top folder") << "/a" << "a" << "/";
        QTest::newRow("top folder with slash") << "/a/" << "a" << "/";
        QTest::newRow("nested with slash") << "/a/b/" << "b" << "/a/";
        QTest::newRow("file") << "/home/u/readme.txt" << "readme.txt" << "/home/u/";
        QTest::newRow("short names") << "/a/b" << "b" << "/a/";
        QTest::newRow("relative name") << "abc" << "abc" << "";
        QTest::newRow("relative path") << "x/y" << "y" << "x/";
        QTest::newRow("backslash is a name character") << "/a\\b" << "a\\b" << "/";
        // clang-format on
    }
    void nameAndParent()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QCOMPARE(fileNameOf(path), name);
        QCOMPARE(parentOf(path), parent);
        QCOMPARE(isRootPath(path), path == QLatin1String("/"));
    }

    // Dots and doubled separators are resolved on the text, so a folder
    // given as "." never reaches a walk as a dot-named (hidden) folder.
    void lexicalPath_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("dot is the base") << "/w/x" << "." << "/w/x";
        QTest::newRow("dot with slash") << "/w/x" << "./" << "/w/x";
        QTest::newRow("relative name") << "/w/x" << "sub" << "/w/x/sub";
        QTest::newRow("up one") << "/w/x" << ".." << "/w";
        QTest::newRow("up and down") << "/w/x" << "../x/./sub/" << "/w/x/sub";
        QTest::newRow("above the root stays at the root") << "/w" << "../../.." << "/";
        QTest::newRow("root base") << "/" << "a" << "/a";
        QTest::newRow("absolute ignores the base") << "/w/x" << "/a//b/./c/../" << "/a/b";
        QTest::newRow("root") << "/w" << "/" << "/";
        QTest::newRow("doubled root") << "/w" << "//" << "/";
        QTest::newRow("dots inside names stay") << "/w" << "...a/.b./..c" << "/w/...a/.b./..c";
        QTest::newRow("empty names nothing") << "/w" << "" << "";
        QTest::newRow("bytes that are not UTF-8 stay")
            << QStringView(u"/w\xdcff").toString() << "./\u00e9"
            << QStringView(u"/w\xdcff/\u00e9").toString();
        // clang-format on
    }
    void lexicalPath()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(tovane::lexicalPath(base, path), expected);
    }

    void extensionAndBase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("base");
        // clang-format off
        QTest::newRow("double extension") << "archive.tar.gz" << "gz" << "archive.tar";
        QTest::newRow("none") << "README" << "" << "README";
        QTest::newRow("dot name") << ".profile" << "profile" << "";
        QTest::newRow("trailing dot") << "a." << "" << "a";
        QTest::newRow("search passes slashes") << "/a.b/c" << "b/c" << "/a";
        QTest::newRow("empty") << "" << "" << "";
        // clang-format on
    }
    void extensionAndBase()
    {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QFETCH(QString, base);
        QCOMPARE(extensionOf(name), extension);
        QCOMPARE(baseNameOf(name), base);
    }

    void nextTokenSequence_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("items"); // item, then the list left, per call
        // clang-format off
        QTest::newRow("terminated") << "2,0," << "," << QStringList{"2", "0,", "0", "", "", ""};
        QTest::newRow("no separator") << "x" << "," << QStringList{"x", "", "", ""};
        QTest::newRow("empty items") << ",,a" << "," << QStringList{"", ",a", "", "a", "a", ""};
        QTest::newRow("other separator") << "a;b,c;" << ";" << QStringList{"a", "b,c;", "b,c", ""};
        QTest::newRow("empty list") << "" << "," << QStringList{"", ""};
        // clang-format on
    }
    void nextTokenSequence()
    {
        QFETCH(QString, list);
        QFETCH(QString, separator);
        QFETCH(QStringList, items);
        for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
            QCOMPARE(nextToken(list, separator.at(0)), items.at(i));
            QCOMPARE(list, items.at(i + 1));
        }
    }

    void trimsAtNul_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("no nul") << "abc" << "abc";
        QTest::newRow("nul inside") << QString::fromUtf16(u"ab\0cd", 5) << "ab";
        QTest::newRow("leading nul") << QString::fromUtf16(u"\0x", 2) << "";
        QTest::newRow("empty") << "" << "";
        // clang-format on
    }
    void trimsAtNul()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(trimAtNul(text), expected);
    }
};

QTEST_GUILESS_MAIN(PathRulesTest)
#include "tst_pathrules.moc"
