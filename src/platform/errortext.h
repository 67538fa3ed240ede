#pragma once
// Japanese texts for errno values, worded like the Windows system messages
// users know; the C library's text is the fallback.

#include <QString>

namespace tovane::platform {

QString systemErrorMessage(int errorNumber);

// The message as shown below a file name: trimmed, without its final "。" or
// line break, the first line break widened to an empty line ("\r\n\r\n").
QString tidySystemMessage(const QString& message);
QString systemErrorText(int errnoValue); // tidySystemMessage(systemErrorMessage(..))

} // namespace tovane::platform
