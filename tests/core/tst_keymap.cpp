#include "core/keymap.h"
#include "core/layoutrules.h"
#include "core/progressservice.h"
#include "tree/treerules.h"

#include <QtTest>

using namespace tovane;

namespace {

// Context columns are packed into one string so that the rows stay short:
// L list open, B operation running, P progress shown, T/I text/image shown,
// S slide show, E typing in the content box; "f<n>" chosen files, "n<n>" list files.
KeyContext contextFrom(const QString& flags)
{
    KeyContext c;
    c.listFiles = 10;
    const QStringList parts = flags.split(u' ', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part.startsWith(u'f')) {
            c.chosenFiles = part.mid(1).toInt();
            continue;
        }
        if (part.startsWith(u'n')) {
            c.listFiles = part.mid(1).toInt();
            continue;
        }
        for (QChar ch : part) {
            switch (ch.unicode()) {
            case 'L':
                c.destinationListOpen = true;
                break;
            case 'B':
                c.operationRunning = true;
                break;
            case 'P':
                c.progressShown = true;
                break;
            case 'T':
                c.content = ContentKind::Text;
                break;
            case 'I':
                c.content = ContentKind::Image;
                break;
            case 'S':
                c.slideShowRunning = true;
                break;
            case 'E':
                c.typingInContent = true;
                break;
            case 'D': // a folder shown, its current row a folder
                c.folderShown = true;
                c.currentRow = 2;
                break;
            case 'F': // a folder shown, its current row a file
                c.folderShown = true;
                c.currentRow = 1;
                break;
            case 'V': // the volume list shown
                c.folderShown = false;
                c.currentRow = 1;
                break;
            default:
                break;
            }
        }
    }
    return c;
}

constexpr int Ctrl = int(Qt::ControlModifier);
constexpr int Shift = int(Qt::ShiftModifier);
constexpr int CtrlShift = Ctrl | Shift;
constexpr int Keypad = int(Qt::KeypadModifier);

} // namespace

Q_DECLARE_METATYPE(KeyCommand)

class KeyMapTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void classify_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("context");
        QTest::addColumn<KeyCommand>("command");
        QTest::addColumn<int>("argument");

        using K = KeyCommand;
        QTest::newRow("Esc, idle") << int(Qt::Key_Escape) << 0 << u""_qs << K::DeselectAll << 0;
        QTest::newRow("Esc, operation")
            << int(Qt::Key_Escape) << 0 << u"B"_qs << K::EscapeOnly << 0;
        QTest::newRow("Esc, progress") << int(Qt::Key_Escape) << 0 << u"P"_qs << K::EscapeOnly << 0;
        QTest::newRow("Esc, text shown")
            << int(Qt::Key_Escape) << 0 << u"T"_qs << K::EscapeToContent << 0;
        QTest::newRow("Esc, image during copy")
            << int(Qt::Key_Escape) << 0 << u"BI"_qs << K::EscapeToContent << 0;
        QTest::newRow("Esc, ListF open")
            << int(Qt::Key_Escape) << 0 << u"L"_qs << K::CloseDestinationList << 0;
        QTest::newRow("letter, ListF open")
            << int(Qt::Key_A) << 0 << u"L"_qs << K::CloseDestinationList << 0;
        QTest::newRow("Ctrl+W, ListF open")
            << int(Qt::Key_W) << Ctrl << u"L"_qs << K::CloseDestinationList << 0;

        QTest::newRow("Enter, none chosen") << int(Qt::Key_Return) << 0 << u"f0"_qs << K::None << 0;
        QTest::newRow("Enter, one")
            << int(Qt::Key_Return) << 0 << u"f1"_qs << K::OpenChosenFiles << 0;
        QTest::newRow("Enter, five")
            << int(Qt::Key_Return) << 0 << u"f5"_qs << K::OpenChosenFiles << 0;
        QTest::newRow("Enter, six")
            << int(Qt::Key_Return) << 0 << u"f6"_qs << K::TooManyChosenFiles << 0;
        QTest::newRow("keypad Enter, six")
            << int(Qt::Key_Enter) << Keypad << u"f6"_qs << K::TooManyChosenFiles << 0;
        QTest::newRow("Enter, typing") << int(Qt::Key_Return) << 0 << u"TE f2"_qs << K::None << 0;
        QTest::newRow("Enter, operation")
            << int(Qt::Key_Return) << 0 << u"B f2"_qs << K::Refused << 0;

        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << u""_qs << K::ReapplyState << 0;
        QTest::newRow("Shift+Tab")
            << int(Qt::Key_Backtab) << Shift << u""_qs << K::ReapplyState << 0;
        QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << Ctrl << u""_qs << K::None << 0;

        QTest::newRow("Ctrl+C, image")
            << int(Qt::Key_C) << Ctrl << u"I"_qs << K::CyclePictureBackground << 0;
        QTest::newRow("Ctrl+C, text") << int(Qt::Key_C) << Ctrl << u"T"_qs << K::None << 0;
        QTest::newRow("Ctrl+F, text")
            << int(Qt::Key_F) << Ctrl << u"T"_qs << K::ToggleContentSize << 0;
        QTest::newRow("Ctrl+F, nothing") << int(Qt::Key_F) << Ctrl << u""_qs << K::None << 0;
        QTest::newRow("Ctrl+L, list")
            << int(Qt::Key_L) << Ctrl << u""_qs << K::ListClickCurrent << 0;
        QTest::newRow("Ctrl+L, image") << int(Qt::Key_L) << Ctrl << u"I"_qs << K::RotateImage << 1;
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << Ctrl << u"I"_qs << K::RotateImage << 0;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << Ctrl << u"I"_qs << K::RotateImage << 2;
        QTest::newRow("Ctrl+N") << int(Qt::Key_N) << Ctrl << u"I"_qs << K::RotateImage << 4;
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << Ctrl << u"I"_qs << K::RotateImage << 5;
        QTest::newRow("Ctrl+N, no image")
            << int(Qt::Key_N) << Ctrl << u"T"_qs << K::LeftToMenus << 0;
        QTest::newRow("Ctrl+R, no image") << int(Qt::Key_R) << Ctrl << u""_qs << K::None << 0;
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << Ctrl << u"I"_qs << K::SetZoomMode << 0;
        QTest::newRow("Ctrl+M") << int(Qt::Key_M) << Ctrl << u"I"_qs << K::SetZoomMode << 3;
        QTest::newRow("Ctrl+A, text") << int(Qt::Key_A) << Ctrl << u"T"_qs << K::None << 0;
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << Ctrl << u"n2"_qs << K::StartSlideShow << 0;
        QTest::newRow("Ctrl+F1, test run")
            << int(Qt::Key_F1) << Ctrl << u"n2"_qs << K::StartSlideShow << 1;
        QTest::newRow("Ctrl+S, one file") << int(Qt::Key_S) << Ctrl << u"n1"_qs << K::None << 0;
        QTest::newRow("Ctrl+F1, one file")
            << int(Qt::Key_F1) << Ctrl << u"n1"_qs << K::LeftToMenus << 0;
        QTest::newRow("Ctrl+S, show running") << int(Qt::Key_S) << Ctrl << u"IS"_qs << K::None << 0;
        QTest::newRow("Ctrl+T") << int(Qt::Key_T) << Ctrl << u""_qs << K::FocusTree << 0;
        QTest::newRow("Ctrl+W") << int(Qt::Key_W) << Ctrl << u""_qs << K::ToggleListForm << 0;
        QTest::newRow("Ctrl+W, operation") << int(Qt::Key_W) << Ctrl << u"B"_qs << K::Refused << 0;
        QTest::newRow("Ctrl+R, operation") << int(Qt::Key_R) << Ctrl << u"BI"_qs << K::Refused << 0;
        QTest::newRow("Ctrl+T, operation")
            << int(Qt::Key_T) << Ctrl << u"B"_qs << K::FocusTree << 0;
        QTest::newRow("Ctrl+Alt+W")
            << int(Qt::Key_W) << (Ctrl | int(Qt::AltModifier)) << u""_qs << K::None << 0;

        QTest::newRow("Ctrl+G") << int(Qt::Key_G) << Ctrl << u""_qs << K::MoveDivider
                                << int(MoveLeft);
        QTest::newRow("Ctrl+P, image")
            << int(Qt::Key_P) << Ctrl << u"I"_qs << K::MoveDivider << int(MoveHigher);
        QTest::newRow("Ctrl+., operation")
            << int(Qt::Key_Period) << Ctrl << u"B"_qs << K::MoveDivider << int(MoveWider);

        QTest::newRow("* on text")
            << int(Qt::Key_Asterisk) << Shift << u"T"_qs << K::TextFontStep << int(FontDouble);
        QTest::newRow("keypad + on text")
            << int(Qt::Key_Plus) << Keypad << u"T"_qs << K::TextFontStep << int(FontLarger);
        QTest::newRow("- on text")
            << int(Qt::Key_Minus) << 0 << u"T"_qs << K::TextFontStep << int(FontSmaller);
        QTest::newRow("/ on text")
            << int(Qt::Key_Slash) << 0 << u"T"_qs << K::TextFontStep << int(FontHalve);
        QTest::newRow("0 on text")
            << int(Qt::Key_0) << 0 << u"T"_qs << K::TextFontStep << int(FontReset);
        QTest::newRow("keypad * on image")
            << int(Qt::Key_Asterisk) << Keypad << u"I"_qs << K::ImageZoom << 6;
        QTest::newRow("+ on image") << int(Qt::Key_Plus) << Shift << u"I"_qs << K::ImageZoom << 5;
        QTest::newRow("- on image") << int(Qt::Key_Minus) << 0 << u"I"_qs << K::ImageZoom << 3;
        QTest::newRow("/ on image") << int(Qt::Key_Slash) << 0 << u"I"_qs << K::ImageZoom << 2;
        QTest::newRow("keypad 0 on image")
            << int(Qt::Key_0) << Keypad << u"I"_qs << K::ImageZoom << 4;
        QTest::newRow("- with nothing shown") << int(Qt::Key_Minus) << 0 << u""_qs << K::None << 0;
        QTest::newRow("0 while typing") << int(Qt::Key_0) << 0 << u"TE"_qs << K::None << 0;
        QTest::newRow("Ctrl+-") << int(Qt::Key_Minus) << Ctrl << u"T"_qs << K::None << 0;
        QTest::newRow("zoom during copy") << int(Qt::Key_Plus) << 0 << u"BI"_qs << K::Refused << 0;
        QTest::newRow("zoom during slide show")
            << int(Qt::Key_Plus) << 0 << u"IS"_qs << K::ImageZoom << 5;

        QTest::newRow("Ctrl+Shift+L")
            << int(Qt::Key_L) << CtrlShift << u""_qs << K::ToggleBusyLeavesToolbar << 0;
        QTest::newRow("Ctrl+Shift+L, operation")
            << int(Qt::Key_L) << CtrlShift << u"B"_qs << K::Refused << 0;
        QTest::newRow("Ctrl+Shift+M")
            << int(Qt::Key_M) << CtrlShift << u""_qs << K::ToggleMessageBoxPosition << 0;
        QTest::newRow("Ctrl+Shift+S")
            << int(Qt::Key_S) << CtrlShift << u""_qs << K::StartScreenSaver << 0;
        QTest::newRow("Ctrl+Shift+X")
            << int(Qt::Key_X) << CtrlShift << u"I"_qs << K::ToggleMaximised << 0;
        QTest::newRow("Ctrl+Shift+Z")
            << int(Qt::Key_Z) << CtrlShift << u"B"_qs << K::InterruptAndRefresh << 0;
        QTest::newRow("Ctrl+Shift+T")
            << int(Qt::Key_T) << CtrlShift << u""_qs << K::RefreshTrees << 0;
        QTest::newRow("Ctrl+Shift+V")
            << int(Qt::Key_V) << CtrlShift << u""_qs << K::RefreshContent << 0;
        QTest::newRow("Ctrl+Shift+T, operation")
            << int(Qt::Key_T) << CtrlShift << u"B"_qs << K::Refused << 0;
        QTest::newRow("Ctrl+Shift+H")
            << int(Qt::Key_H) << CtrlShift << u""_qs << K::MoveDivider << int(MoveRight);

        QTest::newRow("slide .") << int(Qt::Key_Period) << 0 << u"IS"_qs << K::SlideLonger << 0;
        QTest::newRow("slide ,") << int(Qt::Key_Comma) << 0 << u"IS"_qs << K::SlideShorter << 0;
        QTest::newRow("slide S") << int(Qt::Key_S) << 0 << u"IS"_qs << K::SlidePause << 0;
        QTest::newRow("slide X") << int(Qt::Key_X) << 0 << u"IS"_qs << K::SlideEnd << 0;
        QTest::newRow("slide Shift+S") << int(Qt::Key_S) << Shift << u"IS"_qs << K::None << 0;
        QTest::newRow(". without show") << int(Qt::Key_Period) << 0 << u"I"_qs << K::None << 0;

        QTest::newRow("digit 1") << int(Qt::Key_1) << 0 << u""_qs << K::LeftToMenus << 0;
        QTest::newRow("Ctrl+9") << int(Qt::Key_9) << Ctrl << u""_qs << K::LeftToMenus << 0;
        QTest::newRow("keypad 1") << int(Qt::Key_1) << Keypad << u""_qs << K::None << 0;
        QTest::newRow("Ctrl+D") << int(Qt::Key_D) << Ctrl << u"F"_qs << K::LeftToMenus << 0;

        const int Alt = int(Qt::AltModifier);
        QTest::newRow("Enter on a folder")
            << int(Qt::Key_Return) << 0 << u"D"_qs << K::OpenCurrentRow << 0;
        QTest::newRow("Enter on a file")
            << int(Qt::Key_Enter) << Keypad << u"F"_qs << K::OpenCurrentRow << 0;
        QTest::newRow("Enter, chosen files first")
            << int(Qt::Key_Return) << 0 << u"D f2"_qs << K::OpenChosenFiles << 0;
        QTest::newRow("Enter, no current row")
            << int(Qt::Key_Return) << 0 << u""_qs << K::None << 0;
        QTest::newRow("Enter while typing")
            << int(Qt::Key_Return) << 0 << u"D TE"_qs << K::None << 0;
        QTest::newRow("Enter during a copy")
            << int(Qt::Key_Return) << 0 << u"D B"_qs << K::Refused << 0;
        QTest::newRow("Backspace")
            << int(Qt::Key_Backspace) << 0 << u"F"_qs << K::ParentFolder << 0;
        QTest::newRow("Alt+Up") << int(Qt::Key_Up) << Alt << u"F"_qs << K::ParentFolder << 0;
        QTest::newRow("Up") << int(Qt::Key_Up) << 0 << u"F"_qs << K::None << 0;
        QTest::newRow("Backspace on the volume list")
            << int(Qt::Key_Backspace) << 0 << u"V"_qs << K::None << 0;
        QTest::newRow("Backspace while typing")
            << int(Qt::Key_Backspace) << 0 << u"F TE"_qs << K::None << 0;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << u"F"_qs << K::DeleteItems << 0;
        QTest::newRow("Shift+Delete erases")
            << int(Qt::Key_Delete) << Shift << u"F"_qs << K::DeleteItems << int(ModifierShift);
        QTest::newRow("Ctrl+Delete, unconditional")
            << int(Qt::Key_Delete) << Ctrl << u"F"_qs << K::DeleteItems << int(ModifierCtrl);
        QTest::newRow("Delete while typing")
            << int(Qt::Key_Delete) << 0 << u"F TE"_qs << K::None << 0;
        QTest::newRow("Delete during a copy")
            << int(Qt::Key_Delete) << 0 << u"F B"_qs << K::Refused << 0;
        QTest::newRow("U") << int(Qt::Key_U) << 0 << u""_qs << K::LeftToMenus << 0;
        QTest::newRow("F5") << int(Qt::Key_F5) << 0 << u""_qs << K::LeftToMenus << 0;
        QTest::newRow("F15") << int(Qt::Key_F15) << 0 << u""_qs << K::LeftToMenus << 0;
        QTest::newRow("F16") << int(Qt::Key_F16) << 0 << u""_qs << K::IgnoredFunctionKey << 0;
        QTest::newRow("plain letter") << int(Qt::Key_Q) << 0 << u""_qs << K::None << 0;
        QTest::newRow("Shift alone") << int(Qt::Key_Shift) << Shift << u"L"_qs << K::None << 0;
    }
    void classify()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, context);
        QFETCH(KeyCommand, command);
        QFETCH(int, argument);
        const KeyAction a =
            classifyKey(key, Qt::KeyboardModifiers(modifiers), contextFrom(context));
        QCOMPARE(int(a.command), int(command));
        QCOMPARE(a.argument, argument);
    }

    void shiftMakesTenPixels()
    {
        const KeyAction one = classifyKey(Qt::Key_B, Qt::ControlModifier, KeyContext());
        const KeyAction ten =
            classifyKey(Qt::Key_Greater, Qt::ControlModifier | Qt::ShiftModifier, KeyContext());
        QCOMPARE(int(ten.command), int(KeyCommand::MoveDivider));
        QCOMPARE(nudgeFor(one.argument, one.shift).dy, 1);
        QCOMPARE(nudgeFor(ten.argument, ten.shift).dx, 10);
    }

    void interrupt_data()
    {
        QTest::addColumn<QList<int>>("keys"); // pressed in order
        QTest::addColumn<bool>("interrupted");
        QTest::addColumn<bool>("focusBack"); // of the last key
        const int esc = Qt::Key_Escape;
        QTest::newRow("Esc") << QList<int>{esc} << true << true;
        QTest::newRow("Esc, then a letter") << QList<int>{esc, Qt::Key_A} << false << false;
        QTest::newRow("Esc, then Shift") << QList<int>{esc, Qt::Key_Shift} << true << false;
        QTest::newRow("Esc, Control, Alt")
            << QList<int>{esc, Qt::Key_Control, Qt::Key_Alt} << true << false;
        QTest::newRow("Esc, then F16") << QList<int>{esc, Qt::Key_F16} << false << false;
        QTest::newRow("letter, then Esc") << QList<int>{Qt::Key_A, esc} << true << true;
    }
    void interrupt()
    {
        QFETCH(QList<int>, keys);
        QFETCH(bool, interrupted);
        QFETCH(bool, focusBack);
        ProgressService progress;
        KeyContext ctx;
        ctx.operationRunning = true; // a copy runs
        KeyAction last;
        for (int key : keys) {
            last = classifyKey(key, Qt::NoModifier, ctx);
            if (last.setsInterrupt)
                progress.requestInterrupt();
            if (last.clearsInterrupt)
                progress.clearInterrupt();
        }
        QCOMPARE(progress.interruptRequested(), interrupted);
        QCOMPARE(last.focusSelected, focusBack);
    }

    void ctrlShiftZSetsInterrupt()
    {
        const KeyAction a =
            classifyKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, KeyContext());
        QVERIFY(a.setsInterrupt);
        QVERIFY(!a.clearsInterrupt);
    }

    void consumedKeys()
    {
        KeyContext ctx;
        ctx.chosenFiles = 6;
        // The list must not see Enter when the main window answered it.
        QVERIFY(classifyKey(Qt::Key_Return, Qt::NoModifier, ctx).consumed());
        QVERIFY(!classifyKey(Qt::Key_Q, Qt::NoModifier, ctx).consumed());
        QVERIFY(!classifyKey(Qt::Key_D, Qt::ControlModifier, ctx).consumed());
        ctx.operationRunning = true;
        QVERIFY(classifyKey(Qt::Key_Return, Qt::NoModifier, ctx).consumed());
    }

    void tooManyFilesMessage()
    {
        QCOMPARE(tooManyFilesText(),
                 u"選択ファイル項目数が多過ぎます。\r\n\r\n５項目以下にしてください。"_qs);
        QCOMPARE(tooManyFilesTitle(), u"プログラム起動"_qs);
    }

    void pictureBackground_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<quint32>("next");
        QTest::newRow("white") << 0 << quint32(0xE0E0E0);
        QTest::newRow("grey") << 1 << quint32(0xC0FFC0);
        QTest::newRow("green") << 2 << quint32(0xFFFFC0);
        QTest::newRow("3") << 3 << quint32(0xC0FFFF);
        QTest::newRow("4") << 4 << quint32(0xC0E0FF);
        QTest::newRow("5") << 5 << quint32(0x000000);
        QTest::newRow("black wraps") << 6 << quint32(0xFFFFFF);
        QTest::newRow("unknown starts over") << 42 << quint32(0xFFFFFF);
    }
    void pictureBackground()
    {
        QFETCH(int, index);
        QFETCH(quint32, next);
        QCOMPARE(pictureBackgroundColour(nextPictureBackground(index)), next);
    }

    void fontStep_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("result");
        QTest::newRow("double") << 9 << int(FontDouble) << 18;
        QTest::newRow("double capped") << 300 << int(FontDouble) << 512;
        QTest::newRow("larger") << 9 << int(FontLarger) << 10;
        QTest::newRow("larger at top") << 512 << int(FontLarger) << 512;
        QTest::newRow("smaller at bottom") << 4 << int(FontSmaller) << 4;
        QTest::newRow("halve") << 20 << int(FontHalve) << 10;
        QTest::newRow("halve odd") << 9 << int(FontHalve) << 4;
        QTest::newRow("halve capped") << 5 << int(FontHalve) << 4;
        QTest::newRow("reset") << 100 << int(FontReset) << 9;
        QTest::newRow("huge input") << 2000000000 << int(FontDouble) << 512;
    }
    void fontStep()
    {
        QFETCH(int, points);
        QFETCH(int, step);
        QFETCH(int, result);
        QCOMPARE(textFontSizeStep(points, step), result);
    }

    void slideInterval_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("result");
        QTest::newRow("longer") << 5000 << 1000 << 6000;
        QTest::newRow("longest") << 30000 << 1000 << 30000;
        QTest::newRow("shorter") << 5000 << -1000 << 4000;
        QTest::newRow("shortest") << 1000 << -1000 << 1000;
        QTest::newRow("test-run interval") << 1 << 1000 << 1001;
    }
    void slideInterval()
    {
        QFETCH(int, interval);
        QFETCH(int, delta);
        QFETCH(int, result);
        QCOMPARE(slideIntervalStep(interval, delta), result);
    }
};

QTEST_GUILESS_MAIN(KeyMapTest)
#include "tst_keymap.moc"
