#include "viewer/widgets/richtextdocument.h"

#include "viewer/richtext.h"
#include "viewer/rtfreader.h"
#include "viewer/rtfwriter.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cmath>

namespace tovane {

namespace {

// The name and charset a file gave a font travel with the text they apply
// to, so that a save writes them back even though another family is shown.
constexpr int FileFontNameProperty = QTextFormat::UserProperty + 0x5a0;
constexpr int FileFontCharsetProperty = QTextFormat::UserProperty + 0x5a1;

struct FontMapping {
    const char16_t* fileName;
    const char* family;
};

// The Japanese system fonts of the files' origin and what stands in for
// them here (fonts-noto-cjk). The first name of each family is the one a
// family chosen here is saved as.
const FontMapping fontMappings[] = {
    {u"ＭＳ Ｐゴシック", "Noto Sans CJK JP"},    {u"MS PGothic", "Noto Sans CJK JP"},
    {u"ＭＳ ＵＩ Gothic", "Noto Sans CJK JP"},   {u"MS UI Gothic", "Noto Sans CJK JP"},
    {u"ＭＳ ゴシック", "Noto Sans Mono CJK JP"}, {u"MS Gothic", "Noto Sans Mono CJK JP"},
    {u"ＭＳ 明朝", "Noto Serif CJK JP"},         {u"MS Mincho", "Noto Serif CJK JP"},
    {u"ＭＳ Ｐ明朝", "Noto Serif CJK JP"},       {u"MS PMincho", "Noto Serif CJK JP"},
};

QTextCharFormat charFormatOf(const RichText& text, const RichCharFormat& f)
{
    QTextCharFormat format;
    const RichFont* font = text.fontOf(f);
    const QString name = font ? font->name : RichDefaultFontName;
    format.setFontFamilies(QStringList{fontDisplayFamily(name)});
    format.setProperty(FileFontNameProperty, name);
    format.setProperty(FileFontCharsetProperty, font ? font->charset : charsetFor(name));
    if (font && font->fixedPitch)
        format.setFontFixedPitch(true);
    format.setFontPointSize(f.halfPoints / 2.0);
    format.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(f.italic);
    format.setFontUnderline(f.underline);
    format.setFontStrikeOut(f.strike);
    if (f.color != RichNoColor)
        format.setForeground(QColor(QRgb(f.color)));
    return format;
}

QString familyOf(const QTextCharFormat& format, const QTextDocument& doc)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return doc.defaultFont().family();
}

RichCharFormat richFormatOf(const QTextCharFormat& format, const QTextDocument& doc, RichText& text)
{
    RichCharFormat f;
    const QString family = familyOf(format, doc);
    const QString kept = format.stringProperty(FileFontNameProperty);
    // A family changed since the file was read (the font command) names
    // itself; an unchanged one keeps the name and charset of the file.
    QString name;
    int charset = 0;
    if (!kept.isEmpty() && fontDisplayFamily(kept) == family) {
        name = kept;
        charset = format.intProperty(FileFontCharsetProperty);
    } else {
        name = fontFileName(family);
        charset = charsetFor(name);
    }
    f.font = text.fontIndex(name, charset);
    if (format.fontFixedPitch())
        text.fonts[f.font].fixedPitch = true;
    qreal points = format.fontPointSize();
    if (points <= 0)
        points = doc.defaultFont().pointSizeF();
    f.halfPoints =
        points > 0 ? qBound(1, int(std::lround(points * 2)), 3276) : RichDefaultHalfPoints;
    f.bold = format.fontWeight() >= QFont::DemiBold;
    f.italic = format.fontItalic();
    f.underline = format.fontUnderline();
    f.strike = format.fontStrikeOut();
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        f.color = int(format.foreground().color().rgb() & 0xffffff);
    return f;
}

Qt::Alignment qtAlignment(RichAlignment alignment)
{
    switch (alignment) {
    case RichAlignment::Left:
        return Qt::AlignLeft;
    case RichAlignment::Center:
        return Qt::AlignHCenter;
    case RichAlignment::Right:
        return Qt::AlignRight;
    case RichAlignment::Justify:
        return Qt::AlignJustify;
    case RichAlignment::Default:
        break;
    }
    return Qt::Alignment();
}

RichAlignment richAlignment(const QTextBlockFormat& format)
{
    if (!format.hasProperty(QTextFormat::BlockAlignment))
        return RichAlignment::Default;
    const Qt::Alignment a = format.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        return RichAlignment::Justify;
    if (a & Qt::AlignHCenter)
        return RichAlignment::Center;
    if (a & Qt::AlignRight)
        return RichAlignment::Right;
    if (a & Qt::AlignLeft)
        return RichAlignment::Left;
    return RichAlignment::Default;
}

} // namespace

void fillDocument(QTextDocument& doc, const RichText& text)
{
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    bool first = true;
    for (const RichParagraph& p : text.paragraphs) {
        QTextBlockFormat blockFormat;
        if (p.alignment != RichAlignment::Default)
            blockFormat.setAlignment(qtAlignment(p.alignment));
        const QTextCharFormat endFormat = charFormatOf(text, p.endFormat);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(endFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, endFormat);
        }
        for (const RichRun& run : p.runs)
            cursor.insertText(run.text, charFormatOf(text, run.format));
        // Typing at the end of the paragraph goes on in its last format.
        cursor.setCharFormat(endFormat);
    }
    cursor.endEditBlock();
}

RichText richTextOf(const QTextDocument& doc)
{
    RichText text;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        RichParagraph p;
        p.alignment = richAlignment(block.blockFormat());
        p.endFormat = richFormatOf(block.charFormat(), doc, text);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QString t = fragment.text();
            // Images and other objects have no place in the text written.
            t.remove(QChar::ObjectReplacementCharacter);
            p.runs.append(RichRun{t, richFormatOf(fragment.charFormat(), doc, text)});
        }
        text.paragraphs.append(p);
    }
    text.normalize();
    return text;
}

int loadRtf(QTextDocument& doc, const QByteArray& bytes)
{
    RichText text;
    const int error = readRtf(bytes, text);
    if (error == RtfOk)
        fillDocument(doc, text);
    return error;
}

QByteArray saveRtf(const QTextDocument& doc)
{
    return writeRtf(richTextOf(doc));
}

QString rtfFromFragment(const QTextDocumentFragment& fragment)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertFragment(fragment);
    return QString::fromLatin1(saveRtf(doc));
}

QTextDocumentFragment fragmentFromRtf(const QByteArray& bytes)
{
    QTextDocument doc;
    if (loadRtf(doc, bytes) != RtfOk)
        return QTextDocumentFragment();
    return QTextDocumentFragment(&doc);
}

QString fontDisplayFamily(const QString& fileFontName)
{
    for (const FontMapping& m : fontMappings) {
        if (fileFontName == QStringView(m.fileName))
            return QString::fromLatin1(m.family);
    }
    return fileFontName;
}

QString fontFileName(const QString& displayFamily)
{
    for (const FontMapping& m : fontMappings) {
        if (displayFamily == QLatin1String(m.family))
            return QString::fromUtf16(m.fileName);
    }
    return displayFamily;
}

} // namespace tovane
