#pragma once
// The texts of the file operations: summary confirmations, destination
// phrases, status lines and error messages. Pure functions, so that the
// wording can be checked without touching a disk.

#include <QString>

namespace tovane {

// What the summary of a copy, move or delete is about.
struct SummaryFacts {
    int code = 0; // OperationCode
    bool unconditional = false;
    int items = 0;     // copy/move: copy targets; delete: marked items
    int folders = 0;   // marked folders among them
    QString firstName; // the name when there is one item
    bool allLevels = true;
    bool compareSelection = false;
    bool folderAttributesSettable = true;
    QString destinationPhrase; // copy/move
};

// The summary text. `full`: 確認メッセージ 必要.
QString summaryText(const SummaryFacts& facts, bool full);

// "選択窓の表示パス に", "反対窓の表示パス に" or destination + " に".
QString destinationPhrase(const QString& selectedFolder, const QString& destination,
                          bool oppositeShowsDestination, bool twoWindows);

// " " + destination + " " as the status line shows it: over 50 characters it
// keeps the first and last 20 around "･･･".
QString shortenedDestination(const QString& destination);

// The status line of a running copy/move (`destination` non-empty) or delete.
QString runStatusText(bool compareSelection, const QString& operationName, const QString& pathText,
                      bool oneWindowDisplay, const QString& destination,
                      bool destinationIsOpposite);

// The message of a failed platform call on one item: the system text, an
// empty line, "ファイル path" or "フォルダ path/", " について".
QString itemErrorText(int errorNumber, const QString& path, bool isFolder);

// The rename failure of an overwritten destination taking the source's name.
QString renameErrorText(const QString& oldPath, int errorNumber);

// The confirmation of an attribute change (menu index 0-7).
QString attributeSummaryText(int menuIndex, int items, int folders, const QString& firstName,
                             bool allLevels, bool folderAttributesSettable, bool full);

// Menu index 0-7: the attribute bit and whether it is set.
quint32 attributeBitOf(int menuIndex);
bool attributeSetBy(int menuIndex);
QString attributeNameOf(int menuIndex); // "読取専用", "隠し", "システム", "アーカイブ"

} // namespace tovane
