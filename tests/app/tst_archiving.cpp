// Archives through the main window: compressing the marked items with the
// title box, the listing in the content area, extracting into the opposite
// window, the menu states and the version rows.

#include "app/browsing.h"
#include "app/contentarea.h"
#include "app/dialogt.h"
#include "app/mainwindow.h"
#include "app/windowpane.h"
#include "core/scriptedservices.h"
#include "core/settingsfile.h"
#include "list/filelist.h"
#include "list/filelistmodel.h"
#include "support/tempdir.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace tovane;
using tovane::test::TempDir;

namespace {

struct Started {
    explicit Started(TempDir& dir) : window(dir.filePath(QStringLiteral("cfg")))
    {
        const QByteArray settings = "[Tovane]\r\nApType=x\r\nApMode=3\r\n[Position]\r\nPath=_," +
                                    dir.filePath(QStringLiteral("l")).toUtf8() + ",_," +
                                    dir.filePath(QStringLiteral("r")).toUtf8() + ",\r\n";
        writeSettingsText(window.settingsFile(), QString::fromUtf8(settings));
        window.setMessageService(&messages);
        messages.setDefaultAnswer(AnswerYes);
        window.startUp();
        window.activateWindowIndex(LeftWindow, 0);
    }
    FileList& list(WindowIndex w) { return window.browsing()->list(w); }
    int rowOf(WindowIndex w, const QString& name) { return list(w).model()->rowOfName(name); }
    void mark(WindowIndex w, const QString& name)
    {
        const int row = rowOf(w, name);
        QVERIFY(row >= 0);
        list(w).itemClicked(row, 0);
    }
    void trigger(const char* control, int index)
    {
        QAction* a = window.menus().action(control, index);
        QVERIFY2(a && a->isEnabled(), control);
        a->trigger();
    }
    MainWindow window;
    ScriptedMessageService messages;
};

// Types `answer` into the next text input dialog and presses OK. Events may
// run before the dialog opens, so it is looked for until it is there.
void answerTitle(const QString& answer, QString* offered = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, offered] {
        auto* d = qobject_cast<DialogT*>(QApplication::activeModalWidget());
        if (!d)
            return;
        timer->stop();
        timer->deleteLater();
        QCOMPARE(d->windowTitle(), QStringLiteral("書庫ファイルのタイトル名入力"));
        auto* line = d->findChild<QLineEdit*>();
        QVERIFY(line);
        if (offered)
            *offered = line->text();
        line->setText(answer);
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("CmdButtonT_0")),
                          Qt::LeftButton);
    });
    timer->start();
}

} // namespace

class ArchivingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void compressListAndExtract()
    {
        TempDir dir;
        for (const char* f : {"cfg", "l", "r"})
            QVERIFY(dir.makeFolder(f));
        QVERIFY(dir.writeFile("l/a.txt", "alpha\n"));
        QVERIFY(dir.writeFile("l/b.txt", "beta\n"));
        Started s(dir);
        QVERIFY(s.window.menus().action("mnuFileFrz", 2)->isEnabled());
        s.mark(LeftWindow, QStringLiteral("a.txt"));
        s.mark(LeftWindow, QStringLiteral("b.txt"));
        QString offered;
        s.messages.clearLog();
        answerTitle(QStringLiteral("pack"), &offered);
        s.trigger("mnuFileFrz", 2);
        QCOMPARE(offered, QStringLiteral("a"));
        QVERIFY2(QFile::exists(dir.filePath(QStringLiteral("r/pack.zip"))),
                 qPrintable(s.messages.texts().join(u'|')));
        QVERIFY(s.messages.texts().first().startsWith(QStringLiteral("2 ファイル を\r\n圧縮して")));
        QTRY_VERIFY(s.rowOf(RightWindow, QStringLiteral("pack.zip")) >= 0);

        // The listing in the right window's content area.
        s.window.activateWindowIndex(RightWindow, 0);
        QTest::mouseClick(s.window.pane(RightWindow)->contentBox(), Qt::LeftButton);
        s.list(RightWindow).itemClicked(s.rowOf(RightWindow, QStringLiteral("pack.zip")), 0);
        const QString listing = s.window.pane(RightWindow)->richText()->toPlainText();
        QVERIFY2(listing.contains(QStringLiteral("a.txt")) && listing.contains(QStringLiteral("-----")),
                 qPrintable(listing));

        // Extracted from the right window into the left one's folder.
        s.messages.clearLog();
        s.trigger("mnuFileArc", 1);
        QVERIFY2(s.messages.texts().first().endsWith(
                     QStringLiteral("書庫ファイル名対応フォルダを作成して解凍します。")),
                 qPrintable(s.messages.texts().join(u'|')));
        QCOMPARE(tovane::test::readAll(dir.filePath(QStringLiteral("l/pack_zip/b.txt")).toUtf8()),
                 QByteArray("beta\n"));
        QTRY_VERIFY(s.rowOf(LeftWindow, QStringLiteral("pack_zip")) >= 0);
    }

    void versionRowsNameTheLibraries()
    {
        const ArchiverLibraries l = ArchiverLibraries::detect();
        for (int i = 0; i < ArchiverLibraries::Count; ++i)
            QVERIFY2(l.found(i), qPrintable(l.at(i).name));
        QCOMPARE(l.archiveExtensionSet(), QStringLiteral(" cab, lzh, zip,"));
        QCOMPARE(l.compressionExtensionSet(), QStringLiteral(" cab, lzh, zip,"));
    }
};

QTEST_MAIN(ArchivingTest)
#include "tst_archiving.moc"
