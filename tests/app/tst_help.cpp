#include "app/helpwindow.h"
#include "app/mainwindow.h"
#include "core/scriptedservices.h"
#include "core/startup.h"
#include "support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include <sys/stat.h>

using namespace tovane;
using tovane::test::TempDir;

namespace {

class FakeBrowser : public HelpBrowser {
public:
    bool present = false;
    bool starts = true;
    QStringList opened;
    bool available() override { return present; }
    bool open(const QString& page) override
    {
        opened << page;
        return starts;
    }
};

// Every anchor name the document holds.
QStringList anchorsOf(const QTextDocument* document)
{
    QStringList names;
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            names << it.fragment().charFormat().anchorNames();
    return names;
}

// A script named `name` in `folder` that prints `output` and exits with `code`.
bool writeTool(TempDir& dir, const QByteArray& name, const QByteArray& output, int code = 0)
{
    const QByteArray script =
        "#!/bin/sh\nprintf '" + output + "'\nexit " + QByteArray::number(code) + "\n";
    return dir.writeFile("bin/" + name, script) &&
           ::chmod(tovane::test::joined(dir, "bin/" + name).constData(), 0755) == 0;
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void helpGoesWhereItCanBeShown_data();
    void helpGoesWhereItCanBeShown();
    void browserNeedsAnHtmlHandler_data();
    void browserNeedsAnHtmlHandler();
    void bundledPageHoldsItsLinks();
};

void HelpTest::helpGoesWhereItCanBeShown_data()
{
    QTest::addColumn<bool>("browser");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("fromToolbar");
    QTest::addColumn<bool>("ownWindow");
    QTest::newRow("browser, menu") << true << true << false << false;
    QTest::newRow("browser, toolbar") << true << true << true << false;
    QTest::newRow("no browser, menu") << false << true << false << true;
    QTest::newRow("no browser, toolbar") << false << true << true << true;
    QTest::newRow("browser that does not start") << true << false << false << true;
}

void HelpTest::helpGoesWhereItCanBeShown()
{
    QFETCH(bool, browser);
    QFETCH(bool, starts);
    QFETCH(bool, fromToolbar);
    QFETCH(bool, ownWindow);
    TempDir dir;
    QVERIFY(dir.makeFolder("cfg"));
    QVERIFY(dir.writeFile("cfg/" + helpFileName().toUtf8(),
                          "<html><head><meta charset=\"utf-8\"><title>Tovane 使用方法</title>"
                          "</head><body><h2>キー一覧</h2></body></html>"));
    MainWindow window(dir.filePath(QStringLiteral("cfg")));
    ScriptedMessageService messages;
    window.setMessageService(&messages);
    FakeBrowser fake;
    fake.present = browser;
    fake.starts = starts;
    window.setHelpBrowser(&fake);
    window.startUp();

    QAction* command = fromToolbar ? window.toolbar().button(ToolbarHelpButton)
                                   : window.menus().action("mnuHelpItem", 3);
    QVERIFY(command && command->isEnabled());
    command->trigger();
    QApplication::processEvents();

    const QString page = dir.filePath(QStringLiteral("cfg/")) + helpFileName();
    QCOMPARE(fake.opened, browser ? QStringList{page} : QStringList{});
    HelpWindow* own = window.helpWindow();
    QCOMPARE(own != nullptr && own->isVisible(), ownWindow);
    if (ownWindow) {
        QVERIFY(own->browser()->toPlainText().contains(QStringLiteral("キー一覧")));
        QCOMPARE(own->windowTitle(), QStringLiteral("Tovane 使用方法"));
        // Asked again, the same window comes back.
        command->trigger();
        QCOMPARE(window.findChildren<HelpWindow*>().size(), 1);
    }
    QCOMPARE(messages.texts(), QStringList());
}

void HelpTest::browserNeedsAnHtmlHandler_data()
{
    QTest::addColumn<bool>("xdgOpen");
    QTest::addColumn<QByteArray>("handler");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("available");
    QTest::newRow("nothing installed") << false << QByteArray() << -1 << false;
    QTest::newRow("no xdg-open") << false << QByteArray("firefox.desktop\\n") << 0 << false;
    QTest::newRow("no handler") << true << QByteArray() << 0 << false;
    QTest::newRow("blank handler") << true << QByteArray("  \\n") << 0 << false;
    QTest::newRow("query fails") << true << QByteArray("firefox.desktop\\n") << 1 << false;
    QTest::newRow("handler") << true << QByteArray("firefox.desktop\\n") << 0 << true;
}

void HelpTest::browserNeedsAnHtmlHandler()
{
    QFETCH(bool, xdgOpen);
    QFETCH(QByteArray, handler);
    QFETCH(int, code);
    QFETCH(bool, available);
    TempDir dir;
    QVERIFY(dir.makeFolder("bin"));
    if (xdgOpen)
        QVERIFY(writeTool(dir, "xdg-open", ""));
    if (code >= 0)
        QVERIFY(writeTool(dir, "xdg-mime", handler, code));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", tovane::test::joined(dir, "bin"));
    HelpBrowser browser;
    const bool found = browser.available();
    qputenv("PATH", path);
    QCOMPARE(found, available);
}

void HelpTest::bundledPageHoldsItsLinks()
{
    const QByteArray build = qgetenv("TOVANE_BUILD_DIR");
    if (build.isEmpty())
        QSKIP("TOVANE_BUILD_DIR is not set");
    HelpWindow help;
    QVERIFY(help.load(QString::fromUtf8(build) + QStringLiteral("/src/") + helpFileName()));
    QCOMPARE(help.windowTitle(), QStringLiteral("Tovane 使用方法"));
    // Every link within the page has its target.
    QVERIFY(help.browser()->toHtml().size() > 0);
    const QStringList anchors = anchorsOf(help.browser()->document());
    const QString source = help.browser()->toHtml();
    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int links = 0;
    for (auto it = link.globalMatch(source); it.hasNext(); ++links) {
        const QString target = it.next().captured(1);
        QVERIFY2(anchors.contains(target), qPrintable(target));
    }
    QVERIFY(links > 0);
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
