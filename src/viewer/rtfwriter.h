#pragma once
// Writing RTF: 7-bit output that word processors read. Characters outside
// ASCII go out as \uN with a '?' fallback (\uc1); the font table keeps the
// names and charsets read, so a Japanese font stays \fcharset128. Pictures
// go out as hex \pngblip / \jpegblip groups.

#include "viewer/richtext.h"

#include <QByteArray>
#include <QString>

namespace tovane {

// The font a plain text gets when saved as rich text.
inline const QString RichDefaultFontName = QStringLiteral("ＭＳ Ｐゴシック");
inline constexpr int RichDefaultPointSize = 9;

QByteArray writeRtf(const RichText& text);

// `text` (lines split on "\n", "\r\n" or "\r") as rich text in one font.
QByteArray plainTextAsRtf(const QString& text, const QString& fontName = RichDefaultFontName,
                          int pointSize = RichDefaultPointSize);

// `bytes` read and written again; empty with `error` set (RtfError) when
// they do not read.
QByteArray resaveRtf(const QByteArray& bytes, int* error = nullptr);

} // namespace tovane
