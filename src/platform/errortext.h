#pragma once
// Japanese texts for errno values, in the style of the system messages the
// specification quotes; the C library's text is the fallback.

#include <QString>

namespace tovane::platform {

QString systemErrorMessage(int errorNumber);

} // namespace tovane::platform
