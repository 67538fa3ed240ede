// The special-folder rows: user-dirs.dirs read as the shell would, places
// that exist as folders given (links resolved), the others left out.

#include "places/specialfolderlist.h"
#include "platform/filesystem.h"
#include "platform/realpath.h"
#include "platform/specialfolders.h"
#include "support/tempdir.h"

#include <QtTest>

#include <unistd.h>

#include <memory>

using namespace tovane;
using platform::Place;
using tovane::test::TempDir;

namespace {

const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                  "XDG_STATE_HOME"};

} // namespace

class SpecialFoldersTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempDir> m_tmp;
    QString m_root; // the temporary folder with links resolved
    QByteArray m_saved[std::size(kVariables)];
    bool m_was[std::size(kVariables)] = {};

    QString at(const QString& relative) const { return m_root + u'/' + relative; }
    // With the folders above it.
    bool makePath(const QByteArray& relative) const
    {
        const QList<QByteArray> parts = relative.split('/');
        QByteArray path;
        for (const QByteArray& part : parts) {
            path += (path.isEmpty() ? "" : "/") + part;
            if (!m_tmp->makeFolder(path) &&
                !platform::pathExists(m_tmp->filePath(QString::fromUtf8(path))))
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void init()
    {
        for (size_t i = 0; i < std::size(kVariables); ++i) {
            m_was[i] = qEnvironmentVariableIsSet(kVariables[i]);
            m_saved[i] = qgetenv(kVariables[i]);
            qunsetenv(kVariables[i]);
        }
        m_tmp = std::make_unique<TempDir>();
        QVERIFY(m_tmp->isValid());
        m_root = platform::realPath(m_tmp->path());
        QVERIFY(m_tmp->makeFolder("home"));
        qputenv("HOME", m_root.toUtf8() + "/home");
    }
    void cleanup()
    {
        m_tmp.reset();
        for (size_t i = 0; i < std::size(kVariables); ++i) {
            if (m_was[i])
                qputenv(kVariables[i], m_saved[i]);
            else
                qunsetenv(kVariables[i]);
        }
    }

    void userDirsFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // user-dirs.dirs; "-" writes no file
        QTest::addColumn<QString>("expected");   // "" absent; relative: below the temp folder

        QTest::newRow("no file: usual name") << QByteArray("-") << "home/Desktop";
        QTest::newRow("$HOME form")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n") << "home/Schreibtisch";
        QTest::newRow("braced form")
            << QByteArray("XDG_DESKTOP_DIR=\"${HOME}/Schreibtisch\"\n") << "home/Schreibtisch";
        QTest::newRow("blank in quotes")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/My Desk\"\n") << "home/My Desk";
        QTest::newRow("single quotes")
            << QByteArray("XDG_DESKTOP_DIR='$HOME/My Desk'\n") << "home/My Desk";
        QTest::newRow("escaped quote")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/a\\\"b\"\n") << "home/a\"b";
        QTest::newRow("absolute") << QByteArray("XDG_DESKTOP_DIR=\"@/elsewhere\"\n") << "elsewhere";
        QTest::newRow("last assignment wins")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n")
            << "home/two";
        QTest::newRow("commented out")
            << QByteArray("# XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n")
            << "home/two";
        QTest::newRow("longer key not taken")
            << QByteArray("XDG_DESKTOP_DIRS=\"$HOME/one\"\n") << "home/Desktop";
        QTest::newRow("set to home: not in use")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/\"\n") << "";
        QTest::newRow("relative: usual name")
            << QByteArray("XDG_DESKTOP_DIR=\"one\"\n") << "home/Desktop";
        QTest::newRow("named folder missing")
            << QByteArray("XDG_DESKTOP_DIR=\"$HOME/gone\"\n") << "";
    }
    void userDirsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        qputenv("XDG_CONFIG_HOME", m_root.toUtf8() + "/cfg");
        QVERIFY(m_tmp->makeFolder("cfg"));
        if (content != "-")
            QVERIFY(m_tmp->writeFile("cfg/user-dirs.dirs", content.replace("@", m_root.toUtf8())));
        for (const char* f : {"home/Desktop", "home/Schreibtisch", "home/My Desk", "home/a\"b",
                              "elsewhere", "home/one", "home/two"})
            QVERIFY(m_tmp->makeFolder(f));
        QCOMPARE(platform::placeFolder(Place::Desktop),
                 expected.isEmpty() ? QString() : at(expected));
    }

    void placesPresentOrAbsent_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<QByteArrayList>("folders"); // made below the temp folder
        QTest::addColumn<QByteArray>("variable");    // "NAME=relative" or empty
        QTest::addColumn<QString>("expected");       // "" absent

        const QByteArrayList none;
        QTest::newRow("home") << int(Place::Home) << none << QByteArray() << "home";
        QTest::newRow("music absent") << int(Place::Music) << none << QByteArray() << "";
        QTest::newRow("music present")
            << int(Place::Music) << QByteArrayList{"home/Music"} << QByteArray() << "home/Music";
        QTest::newRow("trash files")
            << int(Place::TrashFiles) << QByteArrayList{"home/.local/share/Trash/files"}
            << QByteArray() << "home/.local/share/Trash/files";
        QTest::newRow("trash without files")
            << int(Place::TrashFiles) << QByteArrayList{"home/.local/share/Trash"} << QByteArray()
            << "";
        QTest::newRow("trash of XDG data home")
            << int(Place::TrashFiles) << QByteArrayList{"data/Trash/files"}
            << QByteArray("XDG_DATA_HOME=data") << "data/Trash/files";
        QTest::newRow("cache default") << int(Place::CacheHome) << QByteArrayList{"home/.cache"}
                                       << QByteArray() << "home/.cache";
        QTest::newRow("cache of XDG") << int(Place::CacheHome) << QByteArrayList{"c"}
                                      << QByteArray("XDG_CACHE_HOME=c") << "c";
        QTest::newRow("state default")
            << int(Place::StateHome) << QByteArrayList{"home/.local/state"} << QByteArray()
            << "home/.local/state";
        QTest::newRow("autostart")
            << int(Place::Autostart) << QByteArrayList{"home/.config/autostart"} << QByteArray()
            << "home/.config/autostart";
        QTest::newRow("applications")
            << int(Place::Applications) << QByteArrayList{"home/.local/share/applications"}
            << QByteArray() << "home/.local/share/applications";
        QTest::newRow("data fonts")
            << int(Place::DataFonts) << QByteArrayList{"home/.local/share/fonts"} << QByteArray()
            << "home/.local/share/fonts";
        QTest::newRow("home fonts") << int(Place::HomeFonts) << QByteArrayList{"home/.fonts"}
                                    << QByteArray() << "home/.fonts";
        QTest::newRow("config of XDG") << int(Place::ConfigHome) << QByteArrayList{"conf"}
                                       << QByteArray("XDG_CONFIG_HOME=conf") << "conf";
        QTest::newRow("tmp") << int(Place::Temporary) << none << QByteArray() << "/tmp";
    }
    void placesPresentOrAbsent()
    {
        QFETCH(int, place);
        QFETCH(QByteArrayList, folders);
        QFETCH(QByteArray, variable);
        QFETCH(QString, expected);
        for (const QByteArray& f : folders)
            QVERIFY(makePath(f));
        if (!variable.isEmpty()) {
            const QList<QByteArray> parts = variable.split('=');
            qputenv(parts[0].constData(), m_root.toUtf8() + '/' + parts[1]);
        }
        const QString want = expected.isEmpty() || expected.startsWith(u'/')
                                 ? platform::realPath(expected)
                                 : at(expected);
        QCOMPARE(platform::placeFolder(Place(place)), want);
    }

    void notAFolderOrLinked_data()
    {
        QTest::addColumn<QByteArray>("make"); // "file", "link to folder", "dangling link"
        QTest::addColumn<QString>("expected");
        QTest::newRow("a file") << QByteArray("file") << "";
        QTest::newRow("a link to a folder: its target") << QByteArray("link to folder") << "target";
        QTest::newRow("a dangling link") << QByteArray("dangling link") << "";
    }
    void notAFolderOrLinked()
    {
        QFETCH(QByteArray, make);
        QFETCH(QString, expected);
        const QByteArray videos = m_root.toUtf8() + "/home/Videos";
        if (make == "file") {
            QVERIFY(m_tmp->writeFile("home/Videos", "x"));
        } else if (make == "link to folder") {
            QVERIFY(m_tmp->makeFolder("target"));
            QCOMPARE(::symlink("../target", videos.constData()), 0);
        } else {
            QCOMPARE(::symlink("../nothing", videos.constData()), 0);
        }
        QCOMPARE(platform::placeFolder(Place::Videos),
                 expected.isEmpty() ? QString() : at(expected));
    }

    void rowsInTableOrder_data()
    {
        QTest::addColumn<QStringList>("found"); // the lookup's answer per place, by index
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("comments");
        QStringList all(platform::PlaceCount);
        QTest::newRow("nothing") << all << QStringList() << QStringList();
        QStringList some = all;
        some[int(Place::Home)] = QStringLiteral("/home/u");
        some[int(Place::Desktop)] = QStringLiteral("/home/u/デスク");
        some[int(Place::DataFonts)] = QStringLiteral("/f");
        some[int(Place::HomeFonts)] = QStringLiteral("/f");
        some[int(Place::Mnt)] = QStringLiteral("/mnt");
        QTest::newRow("some, one folder twice")
            << some << QStringList{"/home/u", "/home/u/デスク", "/f", "/f", "/mnt"}
            << QStringList{"ホームフォルダ", "デスクトップ", "フォント", "フォント",
                           "マウント用フォルダ"};
    }
    void rowsInTableOrder()
    {
        QFETCH(QStringList, found);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, comments);
        const QList<PlaceRow> rows =
            specialFolderRows([&found](Place p) { return found.value(int(p)); });
        QStringList gotPaths, gotComments;
        for (const PlaceRow& r : rows) {
            gotPaths << r.path;
            gotComments << r.comment;
        }
        QCOMPARE(gotPaths, paths);
        QCOMPARE(gotComments, comments);
    }

    void everyPlaceHasACaption()
    {
        QSet<QString> seen;
        for (int i = 0; i < platform::PlaceCount; ++i) {
            const QString caption = placeCaption(Place(i));
            QVERIFY2(!caption.isEmpty(), qPrintable(QString::number(i)));
            seen.insert(caption);
        }
        // Only the two font folders and the two media folders share one.
        QCOMPARE(seen.size(), platform::PlaceCount - 2);
        QCOMPARE(specialFolderColumns(),
                 (QStringList{QStringLiteral("  フルパス名"), QStringLiteral("  コメント")}));
    }
};

QTEST_GUILESS_MAIN(SpecialFoldersTest)
#include "tst_specialfolders.moc"
