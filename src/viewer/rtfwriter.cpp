#include "viewer/rtfwriter.h"

#include "viewer/rtfreader.h"

#include <QStringEncoder>

namespace tovane {

namespace {

void appendUnicode(QByteArray& out, char16_t unit)
{
    // \u takes a signed 16-bit number; '?' is the fallback of \uc1.
    out += "\\u" + QByteArray::number(qint16(unit)) + '?';
}

// Text for the body or the font table: ASCII as is, the rest as \uN.
void appendText(QByteArray& out, QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u == 0xa0) {
            out += "\\~";
        } else if (u < 0x20 || u == 0x7f) {
            // No other control character is text.
        } else if (u < 0x80) {
            out += char(u);
        } else {
            appendUnicode(out, u);
        }
    }
}

// A font name as word processors expect it: a Japanese font's name in
// CP932 bytes, other characters as \uN.
void appendFontName(QByteArray& out, const RichFont& font)
{
    QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
    for (qsizetype i = 0; i < font.name.size(); ++i) {
        const char16_t u = font.name.at(i).unicode();
        if (u < 0x20)
            continue;
        if (u < 0x80 && u != '\\' && u != '{' && u != '}' && u != ';') {
            out += char(u);
            continue;
        }
        QByteArray bytes;
        if (u < 0x80) {
            bytes = QByteArray(1, char(u));
        } else if (font.charset == 128 && !QChar::isSurrogate(u)) {
            bytes = encoder.encode(font.name.mid(i, 1));
            if (encoder.hasError()) {
                encoder.resetState();
                bytes.clear();
            }
        }
        if (bytes.isEmpty()) {
            appendUnicode(out, u);
            continue;
        }
        for (const char b : std::as_const(bytes))
            out += "\\'" + QByteArray::number(uchar(b), 16).rightJustified(2, '0');
    }
}

QByteArray alignmentWord(RichAlignment alignment)
{
    switch (alignment) {
    case RichAlignment::Left:
        return "\\ql";
    case RichAlignment::Center:
        return "\\qc";
    case RichAlignment::Right:
        return "\\qr";
    case RichAlignment::Justify:
        return "\\qj";
    case RichAlignment::Default:
        break;
    }
    return QByteArray();
}

class Writer {
public:
    explicit Writer(const RichText& text) : text_(text)
    {
        fonts_ = text.fonts;
        if (fonts_.isEmpty())
            fonts_.append(RichFont{RichDefaultFontName, 128, false});
        for (const RichParagraph& p : text.paragraphs) {
            for (const RichRun& run : p.runs)
                addColor(run.format.color);
            addColor(p.endFormat.color);
        }
    }

    QByteArray run();

private:
    void addColor(int color)
    {
        if (color != RichNoColor && !colors_.contains(color & 0xffffff))
            colors_.append(color & 0xffffff);
    }
    int fontNumber(int font) const { return font >= 0 && font < fonts_.size() ? font : 0; }
    void setFormat(const RichCharFormat& format);
    void appendPicture(const RichPicture& picture);

    const RichText& text_;
    QList<RichFont> fonts_;
    QList<int> colors_;
    QByteArray out_;
    RichCharFormat current_;
};

void Writer::setFormat(const RichCharFormat& f)
{
    if (f == current_)
        return;
    // \plain and every property again: a reader never has to know what
    // held before.
    out_ += "\\plain\\f" + QByteArray::number(fontNumber(f.font));
    out_ += "\\fs" + QByteArray::number(qBound(1, f.halfPoints, 3276));
    if (f.bold)
        out_ += "\\b";
    if (f.italic)
        out_ += "\\i";
    if (f.underline)
        out_ += "\\ul";
    if (f.strike)
        out_ += "\\strike";
    if (f.color != RichNoColor)
        out_ += "\\cf" + QByteArray::number(colors_.indexOf(f.color & 0xffffff) + 1);
    out_ += ' ';
    current_ = f;
}

void Writer::appendPicture(const RichPicture& picture)
{
    if (picture.data.isEmpty() || (picture.format != "png" && picture.format != "jpeg"))
        return;
    out_ += "{\\pict\\" + picture.format + "blip";
    if (picture.widthTwips > 0)
        out_ += "\\picwgoal" + QByteArray::number(picture.widthTwips);
    if (picture.heightTwips > 0)
        out_ += "\\pichgoal" + QByteArray::number(picture.heightTwips);
    // Hex keeps the file 7-bit; lines keep it readable.
    const QByteArray hex = picture.data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out_ += "\r\n";
        out_ += QByteArrayView(hex).sliced(i, qMin<qsizetype>(128, hex.size() - i));
    }
    out_ += "}";
}

QByteArray Writer::run()
{
    bool japanese = false;
    for (const RichFont& font : std::as_const(fonts_))
        japanese = japanese || font.charset == 128;
    out_ = "{\\rtf1\\ansi\\ansicpg";
    out_ += japanese ? "932" : "1252";
    out_ += "\\deff0";
    if (japanese)
        out_ += "\\deflang1041";
    out_ += "{\\fonttbl";
    for (qsizetype i = 0; i < fonts_.size(); ++i) {
        const RichFont& font = fonts_.at(i);
        out_ += "{\\f" + QByteArray::number(i) + (font.fixedPitch ? "\\fmodern\\fprq1" : "\\fnil");
        out_ += "\\fcharset" + QByteArray::number(font.charset) + ' ';
        appendFontName(out_, font);
        out_ += ";}";
    }
    out_ += "}\r\n";
    if (!colors_.isEmpty()) {
        // Entry 0 is the reader's own colour.
        out_ += "{\\colortbl ;";
        for (const int c : std::as_const(colors_)) {
            out_ += "\\red" + QByteArray::number(c >> 16 & 0xff) + "\\green" +
                    QByteArray::number(c >> 8 & 0xff) + "\\blue" + QByteArray::number(c & 0xff) +
                    ';';
        }
        out_ += "}\r\n";
    }
    out_ += "\\uc1";
    // What a reader starts with after \plain, so the first run says all.
    current_ = RichCharFormat();
    current_.font = -2;

    const qsizetype count = text_.paragraphs.size();
    for (qsizetype i = 0; i < count; ++i) {
        const RichParagraph& p = text_.paragraphs.at(i);
        out_ += "\\pard" + alignmentWord(p.alignment);
        if (p.runs.isEmpty())
            setFormat(p.endFormat);
        else
            out_ += ' ';
        for (const RichRun& run : p.runs) {
            if (run.text.isEmpty())
                continue;
            setFormat(run.format);
            if (run.picture >= 0) {
                if (run.picture < text_.pictures.size())
                    appendPicture(text_.pictures.at(run.picture));
                continue;
            }
            appendText(out_, run.text);
        }
        // A last paragraph with text needs no end; an empty one does, or
        // it would not be read back.
        const bool last = i == count - 1;
        if (!last || (p.runs.isEmpty() && count > 1))
            out_ += "\\par\r\n";
    }
    out_ += "}\r\n";
    return out_;
}

} // namespace

QByteArray writeRtf(const RichText& text)
{
    return Writer(text).run();
}

QByteArray plainTextAsRtf(const QString& text, const QString& fontName, int pointSize)
{
    RichText rich;
    const int charset = qMax(charsetFor(fontName), charsetFor(text));
    rich.fonts.append(RichFont{fontName, charset, false});
    RichCharFormat format;
    format.font = 0;
    format.halfPoints = qBound(1, pointSize * 2, 3276);
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(u'\r', u'\n');
    for (const QString& line : normalized.split(u'\n')) {
        RichParagraph paragraph;
        if (!line.isEmpty())
            paragraph.runs.append(RichRun{line, format});
        paragraph.endFormat = format;
        rich.paragraphs.append(paragraph);
    }
    return writeRtf(rich);
}

QByteArray resaveRtf(const QByteArray& bytes, int* error)
{
    RichText text;
    const int e = readRtf(bytes, text);
    if (error)
        *error = e;
    return e == RtfOk ? writeRtf(text) : QByteArray();
}

} // namespace tovane
