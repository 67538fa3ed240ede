#pragma once
// The rules of the 編集 menu (cut, copy, paste, font) and of the screen text
// size, apart from the widgets that carry them out: which range a command
// acts on, what it says first, what marks the text modified, the font size
// limits, and the sizes the text size setting gives.

#include "core/keymap.h"

#include <QString>

#include <array>

namespace tovane {

enum EditCommand : int { EditCut = 0, EditCopy = 1, EditPaste = 2, EditFont = 3 };

// The range a command acts on: the selection, or the whole text when the
// selection is empty or starts at or after the end of the text.
struct EditTarget {
    int start = 0;
    int length = 0;
    bool wholeText = false;
};
EditTarget editTarget(int selectionStart, int selectionLength, int textLength);

// Rich text in the sense of the 編集 menu: a rich text file is shown, not a
// new text. Its clipboard format is rich text; everything else is plain.
inline bool editsRichText(bool richTextShown, bool newText)
{
    return richTextShown && !newText;
}

// The explanation asked first (OK/Cancel, title editTitle()) while
// confirmation messages are on. `slideShow`: the font note leaves out the
// part about rich text.
QString editExplanation(int command, bool wholeText, bool slideShow);
QString editTitle(); // 編集

// Whether a command marks the text modified: cut and paste always, copy
// never, a font change only for rich text.
bool editSetsModified(int command, bool richText);

// --- font dialog ---
// MinFontPoints and MaxFontPoints: core/keymap.h (the number keys keep the same limits).
bool fontSizeAllowed(double points);
QString fontSizeText(); // the message of a size outside the limits
// Any other failure of the font dialog (title fontTitle()).
QString fontErrorText(int errorNumber, const QString& description);
QString fontTitle(); // フォント選択

// --- screen text size (mnuDispPoint 0-3) ---
inline constexpr int ScreenTextSizeCount = 4;
int screenTextPoints(int index); // 9-12
// Whether a main-window control of this object name (window index included)
// takes the screen text size: names beginning "lb", "Li", "lv", "Tr", "tx".
bool takesScreenTextSize(const QString& objectName);
// Labels ("lb…") also get a height: 15 × (2i + 11) − 4i twips.
bool isSizedLabel(const QString& objectName);
int labelHeightTwips(int index);
int labelHeightPixels(int index);
// The destination list's item height from the row height of the text size.
inline int destinationListItemHeight(int rowHeightPixels)
{
    return rowHeightPixels + 5;
}
// The remembered dialog sizes (DlgSizeHW) go back to 100 with a new size.
inline constexpr int DialogSizeDefault = 100;
template <std::size_t N> void resetDialogSizes(std::array<int, N>& sizes)
{
    sizes.fill(DialogSizeDefault);
}

} // namespace tovane
