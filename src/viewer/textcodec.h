#pragma once
// The bytes of a text file and its text: which encoding, byte-order mark and
// line ends a file uses, and the way back to exactly those bytes. Pure
// functions over bytes; errors are codes (0 or a positive errno), never
// throws, so any input can be fed to them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tovane {

enum class TextEncoding : quint8 { Utf8, Utf16LE, Utf16BE, ShiftJis, EucJp, Iso2022Jp };
enum class NewlineStyle : quint8 { Lf, CrLf, Cr, Mixed };

// How a text is written. A default one is a new text: UTF-8, no BOM, LF.
struct TextFormat {
    TextEncoding encoding = TextEncoding::Utf8;
    bool bom = false;
    NewlineStyle newline = NewlineStyle::Lf;
    // Mixed only: the end of each line as read, one byte per line
    // ('\n' LF, '\r' CR, 'c' CR LF); later lines take the commonest of them.
    QByteArray lineEnds;
    // The bytes read, kept only when encoding the text read would not give
    // them back (a character with two byte forms in the file's encoding).
    // Once an edited text is written, it no longer describes the file.
    QByteArray verbatim;
};

// "UTF-8", "UTF-16LE", "UTF-16BE", "Shift_JIS" (CP932), "EUC-JP", "ISO-2022-JP".
QString encodingName(TextEncoding encoding);
// "LF", "CRLF", "CR", "mixed".
QString newlineName(NewlineStyle style);

struct DecodedText {
    QString text; // line ends as "\n"
    TextFormat format;
};

// Largest file taken as text: its text must fit a QString.
inline constexpr qsizetype MaxTextBytes = qsizetype(256) * 1024 * 1024;

// The text of a file's bytes. A BOM decides the encoding; else ISO-2022-JP
// when its escape sequences appear in 7-bit data; else UTF-16 without BOM
// when its zero bytes say so (ASCII-only UTF-16 would pass as UTF-8); else
// UTF-8 when the whole file is valid UTF-8; else the encoding uchardet
// detects, then CP932, then EUC-JP, the first that decodes without a single
// error. Returns 0, EILSEQ when no encoding reads the bytes cleanly (nothing
// is ever replaced by U+FFFD), or EFBIG.
int decodeText(QByteArrayView bytes, DecodedText& out);

// `text` (line ends "\n") in `format`'s encoding, BOM and line ends. The
// text read by decodeText gives back the bytes read. Returns 0, or EILSEQ
// when the encoding cannot hold a character: `out` is then empty and
// `unencodable` (when given) the index in `text` of the first such one.
int encodeText(const QString& text, const TextFormat& format, QByteArray& out,
               qsizetype* unencodable = nullptr);

// `format` written as UTF-8 instead (for a text its own encoding cannot
// hold): same line ends, no BOM.
TextFormat utf8Format(const TextFormat& format);

} // namespace tovane
