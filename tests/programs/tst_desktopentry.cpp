#include "programs/desktopentry.h"

#include <QtTest>

using namespace tovane;

Q_DECLARE_METATYPE(tovane::ExecError)

class DesktopEntryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void execBecomesArguments_data();
    void execBecomesArguments();
    void keysAreReadFromTheEntryGroup_data();
    void keysAreReadFromTheEntryGroup();
};

void DesktopEntryTest::execBecomesArguments_data()
{
    QTest::addColumn<QByteArray>("execLine");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<ExecError>("error");
    const QStringList none;
    const QStringList two{QStringLiteral("/a b/x.txt"), QStringLiteral("/c/$(id).txt")};
    const QString entry = QStringLiteral("/apps/my app.desktop");
    QTest::newRow("plain") << QByteArray("prog -x") << none << QStringList{"prog", "-x"}
                           << ExecError::None;
    QTest::newRow("single file, none given")
        << QByteArray("prog %f") << none << QStringList{"prog"} << ExecError::None;
    QTest::newRow("single file") << QByteArray("prog %f") << two << QStringList{"prog", two.first()}
                                 << ExecError::None;
    QTest::newRow("file list") << QByteArray("prog %F --end") << two
                               << (QStringList{"prog"} + two + QStringList{"--end"})
                               << ExecError::None;
    QTest::newRow("url list, none")
        << QByteArray("prog %U") << none << QStringList{"prog"} << ExecError::None;
    QTest::newRow("icon") << QByteArray("prog %i") << none
                          << QStringList{"prog", "--icon", "my-icon"} << ExecError::None;
    QTest::newRow("name and location")
        << QByteArray("prog --title=%c %k") << none
        << QStringList{"prog", QStringLiteral("--title=Mein Programm"), entry} << ExecError::None;
    QTest::newRow("percent") << QByteArray("prog 100%%") << none << QStringList{"prog", "100%"}
                             << ExecError::None;
    QTest::newRow("deprecated codes vanish") << QByteArray("prog %d %D %n %N %v %m -a") << none
                                             << QStringList{"prog", "-a"} << ExecError::None;
    QTest::newRow("quoted with escapes")
        << QByteArray("\"/opt/my prog/run\" \"say \\\"hi\\\" \\$HOME \\\\ \\`x\\`\"") << none
        << QStringList{"/opt/my prog/run", "say \"hi\" $HOME \\ `x`"} << ExecError::None;
    QTest::newRow("string escape for the quoting backslash")
        << QByteArray("sh -c \"echo \\\\$0\"") << none << QStringList{"sh", "-c", "echo $0"}
        << ExecError::None;
    QTest::newRow("empty quoted argument kept")
        << QByteArray("prog \"\" x") << none << QStringList{"prog", "", "x"} << ExecError::None;
    QTest::newRow("tabs and runs of blanks")
        << QByteArray("prog\t  a   b") << none << QStringList{"prog", "a", "b"} << ExecError::None;
    QTest::newRow("unclosed quote")
        << QByteArray("prog \"open") << none << QStringList{} << ExecError::BadQuoting;
    QTest::newRow("unknown code") << QByteArray("prog %z") << none << QStringList{}
                                  << ExecError::UnknownFieldCode;
    QTest::newRow("lone percent at the end")
        << QByteArray("prog 5%") << none << QStringList{} << ExecError::UnknownFieldCode;
    QTest::newRow("nothing left") << QByteArray("%f") << none << QStringList{} << ExecError::Empty;
    QTest::newRow("file name is not split or expanded")
        << QByteArray("prog %f") << QStringList{QStringLiteral("a %c b")}
        << QStringList{"prog", "a %c b"} << ExecError::None;
}

void DesktopEntryTest::execBecomesArguments()
{
    QFETCH(QByteArray, execLine);
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);
    QFETCH(ExecError, error);
    const QByteArray file = "[Desktop Entry]\nType=Application\nName=My Program\n"
                            "Name[de]=Mein Programm\nIcon=my-icon\nExec=" +
                            execLine + "\n";
    const DesktopEntry entry =
        parseDesktopEntry(file, {QStringLiteral("de_DE"), QStringLiteral("de")});
    ExecError got = ExecError::None;
    const QStringList args =
        expandExec(entry.exec, entry, QStringLiteral("/apps/my app.desktop"), files, got);
    QCOMPARE(got, error);
    if (error == ExecError::None)
        QCOMPARE(args, expected);
}

void DesktopEntryTest::keysAreReadFromTheEntryGroup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("usual") << QByteArray("# comment\n[Desktop Entry]\nType=Application\n"
                                         "Exec = run\\sthis\nPath=/w d\nTerminal=true\n")
                           << true << "run this"
                           << "/w d" << true << false;
    QTest::newRow("first key wins, other groups ignored")
        << QByteArray("[Desktop Entry]\nExec=a\nExec=b\n[Desktop Action x]\nExec=c\nHidden=true\n")
        << true << "a"
        << "" << false << false;
    QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=a\nHidden=true\n") << true << "a"
                            << "" << false << true;
    QTest::newRow("no entry group") << QByteArray("[Other]\nExec=a\n") << false << ""
                                    << "" << false << false;
    QTest::newRow("CR LF lines") << QByteArray("[Desktop Entry]\r\nExec=a b\r\nTerminal=false\r\n")
                                 << true << "a b"
                                 << "" << false << false;
}

void DesktopEntryTest::keysAreReadFromTheEntryGroup()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QFETCH(QString, exec);
    QFETCH(QString, path);
    QFETCH(bool, terminal);
    QFETCH(bool, hidden);
    const DesktopEntry e = parseDesktopEntry(content);
    QCOMPARE(e.valid, valid);
    QCOMPARE(e.exec, exec);
    QCOMPARE(e.path, path);
    QCOMPARE(e.terminal, terminal);
    QCOMPARE(e.hidden, hidden);
}

QTEST_GUILESS_MAIN(DesktopEntryTest)
#include "tst_desktopentry.moc"
