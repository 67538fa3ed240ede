#include "core/commandstates.h"

#include <QtTest>

#include <cstring>

using namespace tovane;

namespace {

bool enabledIn(const QList<CommandState>& states, const char* control, int index)
{
    for (const CommandState& s : states)
        if (std::strcmp(s.control, control) == 0 && s.index == index)
            return s.enabled;
    return false;
}

} // namespace

class CommandStatesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A command with nothing to act on is not offered.
    void offered_data()
    {
        QTest::addColumn<bool>("folderItems");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("marked");
        QTest::addColumn<int>("copyTargets");
        QTest::addColumn<bool>("oppositeFolder");
        QTest::addColumn<QString>("offered"); // "control index" words
        QTest::newRow("empty folder")
            << true << 0 << 0 << 0 << true
            << "mnuMake 0,mnuFileShCt 0,mnuFileShCt 1,mnuFileItem 15";
        QTest::newRow("rows, nothing marked")
            << true << 3 << 0 << 0 << true
            << "mnuFileItem 2,mnuFileSel 0,mnuFileSel 1,mnuFileItem 3,mnuMake 0,"
               "mnuFileShCt 0,mnuFileShCt 1,mnuFileItem 8,mnuFileItem 15";
        QTest::newRow("marked, none can go")
            << true << 3 << 1 << 0 << true
            << "mnuFileItem 2,mnuFileSel 0,mnuFileSel 1,mnuFileSel 2,mnuFileItem 3,"
               "mnuFileItem 6,mnuFileItem 11,mnuMake 0,mnuFileItem 7,mnuFileShCt 0,"
               "mnuFileShCt 1,mnuFileItem 8,mnuFileItem 15";
        QTest::newRow("all marked, copy targets")
            << true << 2 << 2 << 2 << true
            << "mnuFileItem 2,mnuFileSel 1,mnuFileSel 2,mnuFileItem 3,mnuFileItem 4,"
               "mnuFileItem 5,mnuFileItem 6,mnuFileItem 11,mnuMake 0,mnuFileItem 7,"
               "mnuFileShCt 0,mnuFileShCt 1,mnuFileItem 8,mnuFileItem 15";
        QTest::newRow("nothing to compare with")
            << true << 2 << 0 << 0 << false
            << "mnuFileItem 2,mnuFileSel 0,mnuFileSel 1,mnuMake 0,mnuFileShCt 0,mnuFileItem 8,"
               "mnuFileItem 15";
        // A volume of the list takes a shortcut, shows its properties, is formatted.
        QTest::newRow("volume list")
            << false << 5 << 0 << 0 << true
            << "mnuFileItem 7,mnuFileShCt 1,mnuFileItem 8,mnuFileItem 15";
        QTest::newRow("volume list, nothing to compare with")
            << false << 5 << 0 << 0 << false << "mnuFileItem 7,mnuFileItem 8,mnuFileItem 15";
    }
    void offered()
    {
        QFETCH(bool, folderItems);
        QFETCH(int, rows);
        QFETCH(int, marked);
        QFETCH(int, copyTargets);
        QFETCH(bool, oppositeFolder);
        QFETCH(QString, offered);
        WindowCommandFacts f;
        f.folderItems = folderItems;
        f.rows = rows;
        f.marked = marked;
        f.copyTargets = copyTargets;
        f.oppositeFolder = oppositeFolder;
        const QList<CommandState> states = commandStates(f);
        QStringList got;
        for (const CommandState& s : states)
            if (s.enabled)
                got << QString::fromLatin1(s.control) + u' ' + QString::number(s.index);
        QStringList expected = offered.split(u',', Qt::SkipEmptyParts);
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
        QVERIFY(!enabledIn(commandStates(WindowCommandFacts()), "mnuFileItem", 6));
    }

    // Turning needs a picture, the zoom steps the manual mode, the show two
    // files; while it runs only its own controls are offered.
    void pictureCommands_data()
    {
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("offered");
        QTest::newRow("nothing shown, one file") << false << true << 1 << false << QString();
        QTest::newRow("nothing shown, two files")
            << false << true << 2 << false << "mnuDispSlide 0";
        QTest::newRow("picture, automatic zoom")
            << true << false << 2 << false << "mnuImgCffRtt 1,mnuDispSlide 0";
        QTest::newRow("picture, manual zoom")
            << true << true << 2 << false << "mnuImgCffRtt 1,mnuDispImgCff 4,mnuDispSlide 0";
        QTest::newRow("show running")
            << true << false << 2 << true
            << "mnuImgCffRtt 1,mnuDispSlide 1,mnuDispSlide 2,mnuDispSlide 3";
    }
    void pictureCommands()
    {
        QFETCH(bool, image);
        QFETCH(bool, manual);
        QFETCH(int, files);
        QFETCH(bool, running);
        QFETCH(QString, offered);
        WindowCommandFacts f;
        f.imageShown = image;
        f.manualZoom = manual;
        f.files = files;
        f.slideShowRunning = running;
        QStringList got;
        for (const CommandState& s : commandStates(f))
            if (s.enabled && (std::strncmp(s.control, "mnuImg", 6) == 0 ||
                              std::strncmp(s.control, "mnuDisp", 7) == 0))
                got << QString::fromLatin1(s.control) + u' ' + QString::number(s.index);
        QCOMPARE(got.join(u','), offered);
    }
};

QTEST_GUILESS_MAIN(CommandStatesTest)
#include "tst_commandstates.moc"
