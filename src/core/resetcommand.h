#pragma once
// "動作状態を初期化": the five items of `mnuFileINI`, each of which makes the
// next shut-down leave out one category of settings.

#include <QString>

namespace tovane {

class MessageService;

inline constexpr int ResetItemCount = 5;
enum ResetItem : int {
    ResetItemPositions = 0,
    ResetItemExtensions = 1,
    ResetItemAssociations = 2,
    ResetItemImages = 3,
    ResetItemAll = 4,
};

QString resetCommandTitle(); // "動作状態を初期化"

// The caption of item `index` (0-4), empty outside.
QString resetCaption(int index);

// Items 2 and 3 show how many entries they would discard:
// caption + "  (" + count + "個)". Other items give their plain caption.
QString resetCaptionWithCount(int index, int count);

// The question asked before the reset shut-down; empty for an unknown index.
QString resetQuestionText(int index, bool confirmationMessagesOn);

// The reset mode the shut-down runs with for item `index`.
constexpr int resetModeForItem(int index)
{
    return index + 1;
}

// Asks the question (OK/Cancel, answer wanted). True when the shut-down with
// resetModeForItem(index) should run; Cancel, a closed box or an unknown index
// give false.
bool confirmReset(MessageService& messages, int index);

} // namespace tovane
