#include "app/mainwindow.h"
#include "support/tempdir.h"

#include <QLabel>
#include <QProcess>
#include <QTreeView>
#include <QtTest>

using namespace tovane;

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsCarryTheirWindowIndex_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* base : {"lblP", "TreeView", "lvwFiles", "txtContents"})
            for (int w = 0; w < 2; ++w)
                QTest::newRow(qPrintable(QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(w)))
                    << QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(w);
    }
    void controlsCarryTheirWindowIndex()
    {
        QFETCH(QString, name);
        test::TempDir dir;
        MainWindow window(dir.path());
        QVERIFY(window.findChild<QWidget*>(name));
        QCOMPARE(window.objectName(), QStringLiteral("Form1"));
    }

    void selectedHeaderIsColoured()
    {
        test::TempDir dir;
        MainWindow window(dir.path());
        auto* left = window.findChild<QLabel*>(QStringLiteral("lblP_0"));
        auto* right = window.findChild<QLabel*>(QStringLiteral("lblP_1"));
        QCOMPARE(left->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x60));
        QCOMPARE(right->palette().color(QPalette::Window), QColor(Qt::white));
        window.activateWindow(1);
        QCOMPARE(window.selectedWindow(), 1);
        QCOMPARE(left->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(right->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0xFF));
        window.activateWindow(7); // not a window: ignored
        QCOMPARE(window.selectedWindow(), 1);
    }

    void screenshotOptionWritesPngAndExits()
    {
        const QString exe = qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane");
        if (!QFile::exists(exe))
            QSKIP("the tovane executable is not built in this configuration");
        test::TempDir dir;
        const QString png = dir.filePath(QStringLiteral("shot.png"));
        const QString config = dir.filePath(QStringLiteral("new/config"));
        QProcess p;
        p.start(exe, {QStringLiteral("--config-dir"), config, QStringLiteral("--screenshot"), png});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QImage image(png);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > 400);
        QVERIFY(QFileInfo(config).isDir()); // created when missing
    }

    void terminationSignalClosesNormally()
    {
        const QString exe = qEnvironmentVariable("TOVANE_BUILD_DIR") + QStringLiteral("/src/tovane");
        if (!QFile::exists(exe))
            QSKIP("the tovane executable is not built in this configuration");
        test::TempDir dir;
        QProcess p;
        p.start(exe, {QStringLiteral("--config-dir"), dir.path()});
        QVERIFY(p.waitForStarted());
        QTest::qWait(500);
        p.terminate(); // SIGTERM
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
