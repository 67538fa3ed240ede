#pragma once
// Every value the settings file keeps, with its defaults, and the rules that
// turn the settings text into these values and back. What a value means to
// the rest of the program belongs to the code that uses it; this file only
// reads, checks and writes it.

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace tovane {

// Items of the switch vector (`FlgXX`). A "+ slot" item has one entry per
// view slot 0-2, a "+ window" item one per window 0-1.
enum SwitchIndex : int {
    FlagTwoWindows = 0,
    FlagConfirmMessages = 1,
    FlagCompareBoth = 2,
    FlagReselectHidden = 3,
    FlagContentDisplay = 4,  // + slot
    FlagSizeInKilobytes = 7, // + slot
    FlagRightSelected = 10,
    FlagNoHelpMessage = 11,
    FlagCheckBoxA = 12, // + window
    FlagCountSize = 14,
    FlagFolderSize = 15,
    FlagCheckBoxC = 16,        // + check box 0-4
    FlagOptionFirst = 21,      // + window
    FlagListView = 23,         // + slot
    FlagSixDigitCapacity = 26, // + slot
    FlagOptionSecond = 29,     // + window
    FlagHideReadOnly = 31,
    FlagHideHidden = 32,
    FlagHideSystem = 33,
    FlagHideCompressed = 34,
    FlagImageCache = 35,
};
inline constexpr int SwitchCount = 36;

enum FunctionMode : int { ModeBasic = 0, ModeExtended1 = 1, ModeExtended2 = 2, ModeExtended3 = 3 };

// The two start-up capabilities kept in `FlgYY`.
enum Capability : int { CapabilityAttributes = 0, CapabilityShellObject = 1 };

// Items of `Path`.
enum PathItem : int {
    PathLeftTreeTop = 0,
    PathLeftFolder = 1,
    PathRightTreeTop = 2,
    PathRightFolder = 3
};

// Items of `Frm1Size`, twips.
enum MainWindowItem : int {
    MainTop = 0,
    MainLeft = 1,
    MainHeight = 2,
    MainWidthOneWindow = 3,
    MainWidthTwoWindows = 4,
};

inline constexpr int MaxBookmarks = 50;
inline constexpr int MaxAssociations = 50;
inline constexpr int DispExtListCount = 18;
inline constexpr int ExtTitleCount = 10;
inline constexpr int ListColumnSets = 6;
inline constexpr int ListColumnsPerSet = 7;
inline constexpr int SearchColumns = 5;
// Dialog geometry slots. The default lists hold 8 positions and 6 sizes, but
// the bookmark and special-folder dialogs use slots up to 9, so all ten are
// kept and written; a shorter stored list leaves the rest at their defaults.
inline constexpr int DialogSlots = 10;

// What the settings cannot know themselves.
struct SettingsContext {
    int screenWidthTwips = 1920 * 15;
    int screenHeightTwips = 1050 * 15;
    // The main window's designed position, the base of its default size.
    int designedTop = 450;
    int designedLeft = 450;
    // Archive extensions that can be listed (" cab, lzh, zip," form).
    QString archiveExtensions;
    // Stands in for the program folder wherever a window's folder is proposed.
    QString homeFolder;
    // The path check of an association's program; unset accepts any
    // non-empty path.
    std::function<bool(const QString&)> programPathValid;
    bool driveAExists = false; // never on Linux
};

struct Bookmark {
    QString path;
    QString comment;
    bool operator==(const Bookmark&) const = default;
};

struct Association {
    QString extension;
    QString command; // program path, optionally followed by a comment from the first "'"
    bool operator==(const Association&) const = default;
};

// Defaults that need no context.
std::array<bool, SwitchCount> defaultSwitches();
std::array<QString, ExtTitleCount> defaultExtTitles();
// The default lists in their normal form, before list 0 is reduced to the
// archive extensions at hand.
std::array<QString, DispExtListCount> defaultDispExtLists();
std::array<std::array<int, ListColumnsPerSet>, ListColumnSets> defaultListColumnWidths();
std::array<int, SearchColumns> defaultSearchColumnWidths();

// The program of a command: the text before the first "'" (trimmed of
// spaces) when there is one, else the whole command.
QString programOfCommand(const QString& command);

struct AppSettings {
    int functionMode = ModeBasic;
    int aDriveHandling = 2; // 1 automatic, 2 manual
    int windowState = 0;    // 0 normal, 1 minimised, 2 maximised

    std::array<bool, SwitchCount> switches = defaultSwitches();

    // A capability known to be on, and whether start-up must probe it. The
    // probe sets `capabilities`; writing stores on or off, so each probe runs
    // only until its answer has been saved once.
    std::array<bool, 2> capabilities{};
    std::array<bool, 2> probeNeeded{true, true};

    std::array<bool, 9> collapseFlags{}; // flag k of view slot s at 3k + s
    std::array<int, 3> zoomModes{3, 3, 3};
    bool messagesAtRememberedPosition = false;
    int buttonVal = 0;

    std::array<QString, 4> paths; // PathItem order
    std::array<int, 5> mainWindow{};
    int fontSizeIndex = 0;
    std::array<int, 6> divisions{350, 700, 400, 700, 350, 700};
    std::array<int, 2> sort{}; // column + 10 when descending, per window
    std::array<std::array<int, ListColumnsPerSet>, ListColumnSets> listColumnWidths =
        defaultListColumnWidths();
    std::array<int, SearchColumns> searchColumnWidths = defaultSearchColumnWidths();
    std::array<int, DialogSlots> dialogLeft = filled(400);
    std::array<int, DialogSlots> dialogTop = filled(300);
    std::array<int, DialogSlots> dialogSize = filled(100);

    QList<Bookmark> bookmarks; // at most MaxBookmarks

    std::array<QString, ExtTitleCount> extTitles =
        defaultExtTitles(); // captions of categories 5-14
    std::array<QString, DispExtListCount> dispExtList = defaultDispExtLists(); // " ext," runs

    QList<Association> associations; // at most MaxAssociations

    int imageCount = 0;
    QString imageKeys;

    static std::array<int, DialogSlots> filled(int value)
    {
        std::array<int, DialogSlots> slots;
        slots.fill(value);
        return slots;
    }

    bool switchOn(int index) const;
    void setSwitch(int index, bool on);

    int sortColumn(int window) const { return sort[size_t(window & 1)] % 10; }
    bool sortDescending(int window) const { return sort[size_t(window & 1)] >= 10; }

    // 0, 1 or 2: the chosen one of a window's three option buttons.
    int optionButton(int window) const;
    void setOptionButton(int window, int choice);

    // Attribute bits whose items are never listed (read-only 1, hidden 2,
    // system 4, compressed 2048).
    quint32 hiddenAttributeMask() const;
};

// Key table order, also the order of writing.
QStringList settingsKeys();

// The values read from `text` (the settings text), each key with its format,
// check and default. An empty text gives every default. A bookmark entry is
// split at its last "/": paths hold "/" themselves, comments are written
// without it.
AppSettings readSettings(const QString& text, const SettingsContext& context);

inline AppSettings defaultSettings(const SettingsContext& context)
{
    return readSettings(QString(), context);
}

// Reset modes of the write at shut-down.
enum ResetMode : int {
    ResetNone = 0,
    ResetPositions = 1,    // leaves out ApType .. BookMarkData
    ResetExtensions = 2,   // leaves out ExtTitle, Ext
    ResetAssociations = 3, // leaves out TblSz, ExeTbl
    ResetImages = 4,       // image count and keys emptied first
    ResetAll = 5,          // nothing is written
};

// The settings text for `settings` in writing order, leaving out what the
// reset mode excludes. Values the line format cannot hold never spoil the
// values after them: a window folder with "," or a line break is written as
// its nearest ancestor that has neither; a bookmark or association whose path
// holds ";" or a line break is left out; in bookmark comments and captions
// "/" and ";" become their full-width forms; a ";" inside an extension list
// becomes ","; and nothing is written that would read as another "key=".
QString writeSettings(const AppSettings& settings, int resetMode, const SettingsContext& context);

} // namespace tovane
