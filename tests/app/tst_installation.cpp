// What `cmake --install` puts under a prefix, and whether the installed
// programs, desktop entry and icon work from there.

#include "app/application.h"
#include "core/startup.h"
#include "support/tempdir.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

struct Run {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
};

Run run(const QString& program, const QStringList& args, int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.closeWriteChannel();
    Run r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitCode();
    r.out = p.readAll();
    return r;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The value of `key` in the [Desktop Entry] group.
QString entryValue(const QString& entry, const QString& key)
{
    bool inMainGroup = false;
    for (const QString& line : entry.split(u'\n')) {
        if (line.startsWith(u'['))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return QString();
}

// Share of pixels that are not fully transparent.
double coverage(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    qint64 opaque = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            opaque += qAlpha(argb.pixel(x, y)) > 0;
    return argb.isNull() ? 0 : double(opaque) / (double(argb.width()) * argb.height());
}

} // namespace

class InstallationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void desktopEntryValidates();
    void desktopEntryNamesInstalledFiles_data();
    void desktopEntryNamesInstalledFiles();
    void installedProgramsRun_data();
    void installedProgramsRun();
    void iconDrawsAtEverySize_data();
    void iconDrawsAtEverySize();

private:
    QString m_source;
    QString m_prefix;
    TempDir m_dir;
};

void InstallationTest::initTestCase()
{
    const QString build = qEnvironmentVariable("TOVANE_BUILD_DIR");
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    if (build.isEmpty() || cmake.isEmpty())
        QSKIP("needs TOVANE_BUILD_DIR and cmake");
    if (!QFileInfo(build + QStringLiteral("/src/tovane")).isExecutable())
        QSKIP("the tovane executable is not built in this configuration");
    const QByteArray cache = fileBytes(build + QStringLiteral("/CMakeCache.txt"));
    const qsizetype at = cache.indexOf("\nCMAKE_HOME_DIRECTORY:INTERNAL=");
    QVERIFY(at >= 0);
    const qsizetype start = cache.indexOf('=', at) + 1;
    m_source = QString::fromUtf8(cache.mid(start, cache.indexOf('\n', start) - start));

    m_prefix = m_dir.filePath(QStringLiteral("usr"));
    const Run install =
        run(cmake, {QStringLiteral("--install"), build, QStringLiteral("--prefix"), m_prefix});
    QVERIFY2(install.finished && install.exitCode == 0, install.out.constData());
}

void InstallationTest::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("sameAs"); // source file it must equal, or ""
    // clang-format off
    QTest::newRow("window program") << "bin/tovane" << true << "";
    QTest::newRow("command line") << "bin/tovane-cli" << true << "";
    QTest::newRow("help page") << "share/tovane/TovaneHelp.html" << false << "data/TovaneHelp.html";
    QTest::newRow("desktop entry") << "share/applications/tovane.desktop" << false << "data/tovane.desktop";
    QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/tovane.svg" << false << "data/icons/tovane.svg";
    // clang-format on
}

void InstallationTest::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    QFETCH(QString, sameAs);
    const QFileInfo info(m_prefix + u'/' + path);
    QVERIFY2(info.isFile() && !info.isSymLink(), qPrintable(path));
    QCOMPARE(info.isExecutable(), executable);
    // Others must be able to read what root installs.
    QVERIFY(info.permissions() & QFile::ReadOther);
    if (!sameAs.isEmpty())
        QCOMPARE(fileBytes(info.filePath()), fileBytes(m_source + u'/' + sameAs));
}

void InstallationTest::desktopEntryValidates()
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate (desktop-file-utils) is not installed");
    const Run r = run(validator, {m_prefix + QStringLiteral("/share/applications/tovane.desktop")});
    QVERIFY(r.finished);
    // Hints are allowed: the categories name more than one main category on purpose.
    QVERIFY2(r.exitCode == 0 && !r.out.contains("error:") && !r.out.contains("warning:"),
             r.out.constData());
}

void InstallationTest::desktopEntryNamesInstalledFiles_data()
{
    // How a key's value must resolve under the prefix ("%1" is the value,
    // for Exec its program).
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("Exec") << "Exec"
                          << "bin/%1";
    QTest::newRow("Icon") << "Icon"
                          << "share/icons/hicolor/scalable/apps/%1.svg";
}

void InstallationTest::desktopEntryNamesInstalledFiles()
{
    QFETCH(QString, key);
    QFETCH(QString, pattern);
    const QString entry = QString::fromUtf8(
        fileBytes(m_prefix + QStringLiteral("/share/applications/tovane.desktop")));
    QString value = entryValue(entry, key);
    QVERIFY(!value.isEmpty());
    if (key == QLatin1String("Exec")) {
        const QStringList words = value.split(u' ', Qt::SkipEmptyParts);
        value = words.first();
        // Tovane reads no file names from its command line.
        for (const QString& word : words)
            QVERIFY2(!word.startsWith(u'%'), qPrintable(word));
    }
    QVERIFY2(!value.contains(u'/'), "looked up on PATH / in the theme, not by path");
    QVERIFY2(QFileInfo::exists(m_prefix + u'/' + pattern.arg(value)), qPrintable(value));
}

void InstallationTest::installedProgramsRun_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");   // "@" stands for the test's folder
    QTest::addColumn<QString>("expectFile"); // under the test's folder, or ""
    // clang-format off
    QTest::newRow("volumes") << "tovane-cli" << QStringList{"volumes"} << "";
    // Start-up copies the page it finds under the prefix into a new settings folder.
    QTest::newRow("help page found")
        << "tovane" << QStringList{"--config-dir", "@/config", "--screenshot", "@/shot.png"}
        << "config/TovaneHelp.html";
    // clang-format on
}

void InstallationTest::installedProgramsRun()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QString, expectFile);
    TempDir dir;
    for (QString& a : args)
        a.replace(QLatin1String("@"), dir.path());
    const Run r = run(m_prefix + QStringLiteral("/bin/") + program, args);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == 0, r.out.constData());
    if (!expectFile.isEmpty())
        QCOMPARE(fileBytes(dir.filePath(expectFile)),
                 fileBytes(m_source + QStringLiteral("/data/TovaneHelp.html")));
}

void InstallationTest::iconDrawsAtEverySize_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 32, 48, 64, 128, 256})
        QTest::addRow("%d px", size) << size;
}

void InstallationTest::iconDrawsAtEverySize()
{
    QFETCH(int, size);
    // The built-in copy (window icon) and the installed file (desktop menus).
    const QImage builtIn = applicationIcon().pixmap(size, size).toImage();
    QCOMPARE(builtIn.size(), QSize(size, size));
    QVERIFY(coverage(builtIn) > 0.5);

    QImage installed(m_prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/tovane.svg"));
    QVERIFY(!installed.isNull());
    installed = installed.scaled(size, size);
    QVERIFY(coverage(installed) > 0.5);
}

QTEST_MAIN(InstallationTest)
#include "tst_installation.moc"
