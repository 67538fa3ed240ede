#pragma once
// The digit filter of the number fields (date and serial-number dialogs).

#include <QString>

namespace tovane {

class MessageService;

// Removes every character outside "0"-"9" from `text`. Before the first
// removal of a character other than " " it shows "数字以外の文字があるので
// 除去します。" (once per call, with `title`) when `messages` is given and
// confirmation messages are on. Each removed character that stood before the
// caret moves the caret one place left. Then the text is cut to `maxLength`:
// the last characters when the caret lies beyond it (caret := maxLength),
// else the first ones. Returns true when the text changed.
bool keepDigits(QString& text, int& caret, int maxLength, const QString& title,
                MessageService* messages);

} // namespace tovane
