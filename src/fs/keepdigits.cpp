#include "fs/keepdigits.h"

#include "core/messageservice.h"

#include <algorithm>

namespace tovane {

bool keepDigits(QString& text, int& caret, int maxLength, const QString& title,
                MessageService* messages)
{
    const QString original = text;
    maxLength = std::max(maxLength, 0);
    caret = std::clamp(caret, 0, int(text.size()));

    QString kept;
    kept.reserve(text.size());
    int newCaret = caret;
    bool told = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            kept += c;
            continue;
        }
        if (!told && c != u' ') {
            told = true;
            if (messages && messages->confirmationMessages())
                messages->showMessage(QStringLiteral("数字以外の文字があるので除去します。"),
                                      ButtonsOk, title);
        }
        // Only characters left of the caret shift it; the caret is a
        // position between characters.
        if (i < caret)
            --newCaret;
    }

    if (newCaret > maxLength) {
        kept = kept.right(maxLength);
        newCaret = maxLength;
    } else {
        kept = kept.left(maxLength);
    }
    text = kept;
    caret = newCaret;
    return text != original;
}

} // namespace tovane
