#pragma once
// What a valid file, folder, path, pattern or extension name is, with the
// exact messages the user sees.
//
// Linux mapping of the character rules: "/" is the path separator. Names of
// every kind refuse "\" as well (Linux would accept it, but stored settings
// and names exchanged with Windows shares must stay valid there). In a path
// (kind 5) the name is a relative path whose components are separated by "/"
// and refuse "\" and ":"; the folder part may hold "\" and ":" because real
// folders do. There are no drive letters: a path with an empty folder part is
// checked like any other relative path. The reserved device names (CON, ...)
// are refused as on Windows for the same reason as "\".

#include <QString>

namespace tovane {

class MessageService;

enum NameKind : int {
    NameKindPlain = 0,
    NameKindNewFile = 1, // asks before overwriting an existing file
    NameKindRename = 2,
    NameKindPattern = 3,             // wildcards allowed, extension length limited
    NameKindPatternAnyExtension = 4, // wildcards allowed
    NameKindPath = 5,
    NameKindExtension = 6,
};

enum NameCheckResult : int {
    NameNothingToDo = -1, // same name as before, or the user declined to overwrite
    NameValid = 0,
    NameNoTitle = 1,
    NameInvalidCharacter = 2,
    NameReserved = 3,
    NameExists = 4,
    NameExtensionChangeDeclined = 5,
    NameBadDot = 6,
    NameBadSpace = 7,
    NameExtensionTooLong = 8,
};

inline constexpr int MaxExtensionLength = 10;

// What the calling window supplies.
struct NameCheckContext {
    MessageService* messages = nullptr; // none: no messages, questions count as "No"
    bool editingNewText = false;        // the window edits a new, never-saved text
};

// The characters a kind refuses, in the order the messages list them.
QString invalidCharactersOf(int kind);
// The set of the folder part of a path (kind 5).
QString invalidFolderCharacters();

// Full-width ASCII (U+FF01..U+FF5E) and the full-width space become their
// half-width forms; everything else is kept.
QString narrowWidth(const QString& text);

// Runs the checks in order and returns the first failure's code. Failure
// messages appear (flags 0, `title`) only when `show` is set and confirmation
// messages are on; the overwrite and extension-change questions are asked
// whenever they arise.
int validateName(const NameCheckContext& context, const QString& folder, const QString& name,
                 const QString& oldName, const QString& title, int kind, bool allowLeadingDot,
                 bool show);

// True when the name holds a character names never may (backslash, colon,
// double quote, slash, <, >, |, *, ?).
bool hasInvalidNameCharacter(const QString& name);

// The warning of a designated selection that meets such a name (title
// designatedSelectionTitle()); `relativePath` is relative to the listed folder.
QString invalidNameWarningText(const QString& relativePath);
QString designatedSelectionTitle();

} // namespace tovane
