#include "viewer/textcodec.h"

#include "platform/system.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <memory>

namespace tovane {

namespace {

using Flag = QStringConverter::Flag;
// Every conversion sees the whole text at once: a cut sequence at the end is
// an error, and a second BOM is a character like any other.
constexpr QStringConverter::Flags Strict = Flag::Stateless | Flag::ConvertInitialBom;

// Qt's ICU codecs; "windows-31j" is CP932 with the NEC and IBM rows.
const char* icuName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::ShiftJis:
        return "windows-31j";
    case TextEncoding::EucJp:
        return "EUC-JP";
    case TextEncoding::Iso2022Jp:
        return "ISO-2022-JP";
    default:
        return nullptr;
    }
}

// Room for `size` characters, filled by the caller.
QString buffer(qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    platform::adviseLargeBuffer(text.data(), size_t(size) * sizeof(QChar));
    return text;
}

// The whole of `bytes` through `decoder`, written straight into the result.
QString decodeAll(QStringDecoder& decoder, QByteArrayView bytes)
{
    QString text = buffer(decoder.requiredSpace(bytes.size()));
    const QChar* end = decoder.appendToBuffer(text.data(), bytes);
    text.truncate(end - text.constData());
    return text;
}

// Drops spare capacity an estimate left behind, so a big text costs what it
// holds.
void tighten(QString& text)
{
    if (text.capacity() > text.size() + text.size() / 4 + 64)
        text.squeeze();
}

// UTF-8 in slices, stopping at the first fault: a file that is not UTF-8
// costs only the bytes up to its first bad sequence.
bool decodeUtf8(QByteArrayView bytes, QString& out)
{
    constexpr qsizetype Slice = qsizetype(1) << 20;
    out = buffer(bytes.size());
    QChar* const begin = out.data();
    QChar* at = begin;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = std::min(bytes.size(), pos + Slice);
        // Cut before a lead byte so that every slice stands alone; four
        // continuation bytes in a row are an error on either side anyway.
        for (int back = 0;
             back < 3 && end < bytes.size() && end > pos + 1 && (quint8(bytes[end]) & 0xC0) == 0x80;
             ++back)
            --end;
        QStringDecoder decoder(QStringConverter::Utf8, Strict);
        at = decoder.appendToBuffer(at, bytes.sliced(pos, end - pos));
        if (decoder.hasError()) {
            out.clear();
            return false;
        }
        pos = end;
    }
    out.truncate(at - begin);
    tighten(out);
    return true;
}

bool decodeStrict(TextEncoding encoding, QByteArrayView bytes, QString& out)
{
    out.clear();
    switch (encoding) {
    case TextEncoding::Utf8:
        return decodeUtf8(bytes, out);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        if (bytes.size() % 2 != 0)
            return false;
        QStringDecoder decoder(encoding == TextEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                                 : QStringConverter::Utf16BE,
                               Strict);
        out = decodeAll(decoder, bytes);
        // Qt passes unpaired surrogates through; they are no text.
        if (decoder.hasError() || !QStringView(out).isValidUtf16()) {
            out.clear();
            return false;
        }
        return true;
    }
    default: {
        QStringDecoder decoder(icuName(encoding), Strict);
        if (!decoder.isValid())
            return false;
        out = decodeAll(decoder, bytes);
        if (decoder.hasError()) {
            out.clear();
            return false;
        }
        tighten(out);
        return true;
    }
    }
}

// CP932 gives some characters two byte forms (NEC and IBM rows, NEC row 13
// duplicates of JIS symbols); writing uses one. Only these lead bytes start
// the other forms.
constexpr std::array<quint8, 4> SecondFormLeads = {0x87, 0xED, 0xEE, 0xFA};

// Per lead above, the trail bytes of codes that the codec writes otherwise;
// learnt from the codec itself once.
const std::array<std::bitset<256>, 4>& secondForms()
{
    static const std::array<std::bitset<256>, 4> table = [] {
        std::array<std::bitset<256>, 4> t;
        for (size_t k = 0; k < SecondFormLeads.size(); ++k) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                // Fresh converters each time: resetting an ICU one leaves it
                // unusable.
                QStringDecoder decoder(icuName(TextEncoding::ShiftJis), Strict);
                QStringEncoder encoder(icuName(TextEncoding::ShiftJis), Flag::Stateless);
                const char code[2] = {char(SecondFormLeads[k]), char(trail)};
                const QString c = decoder.decode(QByteArrayView(code, 2));
                if (decoder.hasError())
                    continue;
                const QByteArray back = encoder.encode(c);
                if (encoder.hasError() || QByteArrayView(back) != QByteArrayView(code, 2))
                    t[k].set(size_t(trail));
            }
        }
        return t;
    }();
    return table;
}

// Whether clean CP932 `bytes` hold a code in its second form.
bool holdsSecondForms(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const quint8*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const quint8 b = *p;
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            ++p;
            continue;
        }
        if (p + 1 < end) {
            for (size_t k = 0; k < SecondFormLeads.size(); ++k) {
                if (b == SecondFormLeads[k] && secondForms()[k].test(p[1]))
                    return true;
            }
        }
        p += 2;
    }
    return false;
}

// Whether encoding the text read gives back `body` (the bytes after a BOM).
bool reencodesExactly(TextEncoding encoding, QStringView text, QByteArrayView body)
{
    if (!icuName(encoding))
        return true; // strict UTF-8 and UTF-16 are one to one
    if (encoding == TextEncoding::ShiftJis)
        return !holdsSecondForms(body);
    QStringEncoder encoder(icuName(encoding), Flag::Stateless);
    const QByteArray again = encoder.encode(text);
    return !encoder.hasError() && QByteArrayView(again) == body;
}

// ISO-2022-JP shows itself by designating JIS X 0208, JIS X 0212, JIS Roman
// or half-width katakana; it is 7-bit, so a byte above 0x7F rules it out.
bool looksIso2022Jp(QByteArrayView bytes)
{
    if (bytes.isEmpty() || !std::memchr(bytes.data(), 0x1B, size_t(bytes.size())))
        return false;
    static constexpr std::array<QByteArrayView, 6> designations = {"\x1B$B",  "\x1B$@", "\x1B$(D",
                                                                   "\x1B$(B", "\x1B(J", "\x1B(I"};
    bool designated = false;
    for (QByteArrayView d : designations)
        designated = designated || bytes.indexOf(d) >= 0;
    if (!designated)
        return false;
    quint8 high = 0;
    for (char c : bytes)
        high |= quint8(c);
    return (high & 0x80) == 0;
}

// UTF-16 without BOM: its ASCII characters (line ends at least) put zero
// bytes on one side of each pair. Such text is valid UTF-8 when it holds
// nothing but ASCII, so this is asked before UTF-8.
TextEncoding utf16Guess(QByteArrayView bytes, bool& found)
{
    found = false;
    if (bytes.size() < 2 || bytes.size() % 2 != 0 ||
        !std::memchr(bytes.data(), 0, size_t(bytes.size())))
        return TextEncoding::Utf8;
    qsizetype zeroEven = 0, zeroOdd = 0;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        zeroEven += bytes[i] == 0;
        zeroOdd += bytes[i + 1] == 0;
    }
    TextEncoding guess;
    if (zeroOdd > 2 * zeroEven)
        guess = TextEncoding::Utf16LE;
    else if (zeroEven > 2 * zeroOdd)
        guess = TextEncoding::Utf16BE;
    else
        return TextEncoding::Utf8;
    found = true;
    return guess;
}

// A text made of what text files hold: no NUL or other C0 controls than
// tab, line ends, form feed, EOF mark and escape; no reversed BOM.
bool plausibleText(QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\v' && u != u'\f' && u != u'\r' &&
            u != 0x1A && u != 0x1B)
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

// The encoding uchardet sees, when it is one of ours.
bool detectedEncoding(QByteArrayView bytes, TextEncoding& encoding)
{
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (!detector)
        return false;
    // It stops on certainty; the cap only bounds a file it never settles on.
    constexpr qsizetype Cap = qsizetype(8) << 20;
    if (uchardet_handle_data(detector.get(), bytes.data(), size_t(std::min(bytes.size(), Cap))) !=
        0)
        return false;
    uchardet_data_end(detector.get());
    const QByteArray name = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    if (name == "SHIFT_JIS" || name == "CP932" || name == "WINDOWS-31J")
        encoding = TextEncoding::ShiftJis;
    else if (name == "EUC-JP")
        encoding = TextEncoding::EucJp;
    else if (name == "ISO-2022-JP")
        encoding = TextEncoding::Iso2022Jp;
    else
        return false;
    return true;
}

// Line ends become "\n"; `format` learns which ones the text had.
void splitLineEnds(QString& text, TextFormat& format)
{
    format.newline = NewlineStyle::Lf;
    format.lineEnds.clear();
    const qsizetype firstCr = text.indexOf(u'\r');
    if (firstCr < 0)
        return;
    const QChar* in = text.constData();
    const qsizetype size = text.size();
    QString out = buffer(size);
    QChar* o = out.data();
    QByteArray ends;
    qsizetype lf = 0, crlf = 0, cr = 0;
    auto copyPlain = [&](qsizetype from, qsizetype to) {
        const qsizetype n = std::count(in + from, in + to, QChar(u'\n'));
        lf += n;
        ends.append(n, '\n');
        std::memcpy(o, in + from, size_t(to - from) * sizeof(QChar));
        o += to - from;
    };
    copyPlain(0, firstCr);
    qsizetype pos = firstCr;
    while (pos < size) {
        // pos is at a CR
        *o++ = u'\n';
        if (pos + 1 < size && in[pos + 1] == u'\n') {
            ++crlf;
            ends.append('c');
            pos += 2;
        } else {
            ++cr;
            ends.append('\r');
            pos += 1;
        }
        qsizetype next = text.indexOf(u'\r', pos);
        if (next < 0)
            next = size;
        copyPlain(pos, next);
        pos = next;
    }
    out.truncate(o - out.constData());
    text = std::move(out);
    const int kinds = (lf > 0) + (crlf > 0) + (cr > 0);
    if (kinds > 1) {
        format.newline = NewlineStyle::Mixed;
        format.lineEnds = std::move(ends);
    } else {
        format.newline = crlf > 0 ? NewlineStyle::CrLf : NewlineStyle::Cr;
    }
}

char commonestEnd(const QByteArray& ends)
{
    const qsizetype lf = ends.count('\n'), cr = ends.count('\r');
    const qsizetype crlf = ends.size() - lf - cr;
    if (crlf >= lf && crlf >= cr)
        return 'c';
    return lf >= cr ? '\n' : '\r';
}

// Hands `piece` the text in order, with the line ends of `format` in place
// of each "\n".
template <typename Piece>
void forEachPiece(const QString& text, const TextFormat& format, Piece&& piece)
{
    if (format.newline == NewlineStyle::Lf) {
        piece(QStringView(text));
        return;
    }
    static constexpr char16_t Ends[] = u"\r\n";
    const QStringView crlf(Ends, 2), cr(Ends, 1), lf(Ends + 1, 1);
    const bool mixed = format.newline == NewlineStyle::Mixed;
    const char later = mixed && !format.lineEnds.isEmpty() ? commonestEnd(format.lineEnds) : 'c';
    const QStringView all(text);
    qsizetype pos = 0, line = 0;
    for (;;) {
        const qsizetype next = all.indexOf(u'\n', pos);
        if (next < 0) {
            piece(all.sliced(pos));
            return;
        }
        piece(all.sliced(pos, next - pos));
        char end = format.newline == NewlineStyle::Cr ? '\r' : 'c';
        if (mixed)
            end = line < format.lineEnds.size() ? format.lineEnds[line] : later;
        ++line;
        piece(end == 'c' ? crlf : end == '\r' ? cr : lf);
        pos = next + 1;
    }
}

// Characters of the text with its line ends, at most.
qsizetype joinedSize(const QString& text, const TextFormat& format)
{
    if (format.newline == NewlineStyle::Lf || format.newline == NewlineStyle::Cr)
        return text.size();
    return text.size() + std::count(text.cbegin(), text.cend(), QChar(u'\n'));
}

// The text with the line ends of `format` in place of "\n".
QString joinLineEnds(const QString& text, const TextFormat& format)
{
    if (format.newline == NewlineStyle::Lf)
        return text;
    QString out = buffer(joinedSize(text, format));
    QChar* o = out.data();
    forEachPiece(text, format, [&](QStringView piece) {
        if (piece.isEmpty())
            return;
        std::memcpy(o, piece.data(), size_t(piece.size()) * sizeof(QChar));
        o += piece.size();
    });
    out.truncate(o - out.constData());
    return out;
}

QByteArrayView bomOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return "\xEF\xBB\xBF";
    case TextEncoding::Utf16LE:
        return "\xFF\xFE";
    case TextEncoding::Utf16BE:
        return "\xFE\xFF";
    default:
        return {};
    }
}

// Index of the first unpaired surrogate, -1 when there is none.
qsizetype firstUnpaired(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return i;
    }
    return -1;
}

// The encoder's bytes, only when they read back as the same text: a codec
// that quietly puts a near character in place (a fallback) fails too.
bool encodeIcu(const char* name, QStringView text, QByteArray& out)
{
    QStringEncoder encoder(name, Flag::Stateless);
    if (!encoder.isValid())
        return false;
    out = encoder.encode(text);
    if (encoder.hasError())
        return false;
    QStringDecoder decoder(name, Strict);
    const QString back = decoder.decode(out);
    return !decoder.hasError() && QStringView(back) == text;
}

// The first character of `text` that the codec cannot hold: slices first,
// then single characters of the failing slice.
qsizetype firstUnencodable(const char* name, QStringView text)
{
    QByteArray scratch;
    constexpr qsizetype Slice = 4096;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = std::min(text.size(), pos + Slice);
        if (end < text.size() && text[end].isLowSurrogate())
            ++end;
        if (!encodeIcu(name, text.sliced(pos, end - pos), scratch)) {
            for (qsizetype i = pos; i < end; ++i) {
                const qsizetype n = text[i].isHighSurrogate() && i + 1 < end ? 2 : 1;
                if (!encodeIcu(name, text.sliced(i, n), scratch))
                    return i;
                i += n - 1;
            }
            return pos; // only the slice as a whole fails
        }
        pos = end;
    }
    return 0; // only the text as a whole fails: point at its start
}

} // namespace

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16BE");
    case TextEncoding::ShiftJis:
        return QStringLiteral("Shift_JIS");
    case TextEncoding::EucJp:
        return QStringLiteral("EUC-JP");
    case TextEncoding::Iso2022Jp:
        return QStringLiteral("ISO-2022-JP");
    }
    return QString();
}

QString newlineName(NewlineStyle style)
{
    switch (style) {
    case NewlineStyle::Lf:
        return QStringLiteral("LF");
    case NewlineStyle::CrLf:
        return QStringLiteral("CRLF");
    case NewlineStyle::Cr:
        return QStringLiteral("CR");
    case NewlineStyle::Mixed:
        return QStringLiteral("mixed");
    }
    return QString();
}

int decodeText(QByteArrayView bytes, DecodedText& out)
{
    out = DecodedText();
    if (bytes.size() > MaxTextBytes)
        return EFBIG;
    TextFormat& format = out.format;
    QString raw;
    bool decoded = false;

    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        if (bytes.startsWith(bomOf(e))) {
            // The mark decides: bytes that do not follow it are no text.
            format.encoding = e;
            format.bom = true;
            if (!decodeStrict(e, bytes.sliced(bomOf(e).size()), raw))
                return EILSEQ;
            decoded = true;
            break;
        }
    }
    if (!decoded && looksIso2022Jp(bytes) && decodeStrict(TextEncoding::Iso2022Jp, bytes, raw)) {
        format.encoding = TextEncoding::Iso2022Jp;
        decoded = true;
    }
    if (!decoded) {
        bool found = false;
        const TextEncoding guess = utf16Guess(bytes, found);
        if (found && decodeStrict(guess, bytes, raw) && plausibleText(raw)) {
            format.encoding = guess;
            decoded = true;
        }
    }
    if (!decoded && decodeStrict(TextEncoding::Utf8, bytes, raw)) {
        format.encoding = TextEncoding::Utf8;
        decoded = true;
    }
    if (!decoded) {
        // The detector's choice first, then CP932 and EUC-JP, each tried once.
        TextEncoding detected = TextEncoding::ShiftJis;
        detectedEncoding(bytes, detected);
        std::array<TextEncoding, 3> candidates{detected, TextEncoding::ShiftJis,
                                               TextEncoding::EucJp};
        for (size_t i = 0; i < candidates.size(); ++i) {
            const TextEncoding e = candidates[i];
            if (std::find(candidates.begin(), candidates.begin() + i, e) != candidates.begin() + i)
                continue;
            if (decodeStrict(e, bytes, raw)) {
                format.encoding = e;
                decoded = true;
                break;
            }
        }
    }
    if (!decoded)
        return EILSEQ;

    const QByteArrayView body = bytes.sliced(format.bom ? bomOf(format.encoding).size() : 0);
    if (!reencodesExactly(format.encoding, raw, body))
        format.verbatim = bytes.toByteArray();
    splitLineEnds(raw, format);
    out.text = std::move(raw);
    return 0;
}

int encodeText(const QString& text, const TextFormat& format, QByteArray& out,
               qsizetype* unencodable)
{
    out.clear();
    if (unencodable)
        *unencodable = -1;
    if (!format.verbatim.isEmpty()) {
        // Unchanged, the text goes back in the very bytes it came from.
        DecodedText read;
        if (decodeText(format.verbatim, read) == 0 && read.text == text) {
            out = format.verbatim;
            return 0;
        }
    }
    auto refuse = [&](qsizetype at) {
        out.clear();
        if (unencodable)
            *unencodable = at;
        return EILSEQ;
    };
    switch (format.encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        // A lone surrogate has no form in any of them; Qt would write "?".
        if (!QStringView(text).isValidUtf16())
            return refuse(firstUnpaired(text));
        QStringEncoder encoder(format.encoding == TextEncoding::Utf8 ? QStringConverter::Utf8
                               : format.encoding == TextEncoding::Utf16LE
                                   ? QStringConverter::Utf16LE
                                   : QStringConverter::Utf16BE,
                               Flag::Stateless);
        // Line by line straight into the result, without a joined copy.
        const QByteArrayView bom = format.bom ? bomOf(format.encoding) : QByteArrayView();
        out = QByteArray(bom.size() + encoder.requiredSpace(joinedSize(text, format)),
                         Qt::Uninitialized);
        platform::adviseLargeBuffer(out.data(), size_t(out.size()));
        char* o = out.data();
        if (!bom.isEmpty()) {
            std::memcpy(o, bom.data(), size_t(bom.size()));
            o += bom.size();
        }
        forEachPiece(text, format,
                     [&](QStringView piece) { o = encoder.appendToBuffer(o, piece); });
        out.truncate(o - out.constData());
        return 0;
    }
    default: {
        const char* name = icuName(format.encoding);
        QByteArray body;
        if (!encodeIcu(name, joinLineEnds(text, format), body))
            return refuse(firstUnencodable(name, text));
        out = std::move(body);
        return 0;
    }
    }
}

TextFormat utf8Format(const TextFormat& format)
{
    TextFormat utf8 = format;
    utf8.encoding = TextEncoding::Utf8;
    utf8.bom = false;
    utf8.verbatim.clear();
    return utf8;
}

} // namespace tovane
