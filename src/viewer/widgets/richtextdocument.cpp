#include "viewer/widgets/richtextdocument.h"

#include "viewer/richtext.h"
#include "viewer/rtfreader.h"
#include "viewer/rtfwriter.h"

#include <QBuffer>
#include <QColor>
#include <QCryptographicHash>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <cmath>
#include <utility>
#include <vector>

namespace tovane {

namespace {

// The name and charset a file gave a font travel with the text they apply
// to, so that a save writes them back even though another family is shown.
constexpr int FileFontNameProperty = QTextFormat::UserProperty + 0x5a0;
constexpr int FileFontCharsetProperty = QTextFormat::UserProperty + 0x5a1;
constexpr int PictureDataProperty = QTextFormat::UserProperty + 0x5a2;
constexpr int PictureFormatProperty = QTextFormat::UserProperty + 0x5a3;

// At 96 dpi, as pictures in word processors are measured.
constexpr double TwipsPerPixel = 15.0;

QString pictureName(const QByteArray& data)
{
    return QStringLiteral("rtfpicture:") +
           QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
}

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

QTextCharFormat charFormatOf(const RichText& text, const RichCharFormat& f);

// Documents use a handful of formats over and over; building each anew
// costs more than inserting its text.
class CharFormatCache {
public:
    explicit CharFormatCache(const RichText& text) : text_(text) {}
    const QTextCharFormat& operator()(const RichCharFormat& f)
    {
        for (const auto& [rich, format] : entries_) {
            if (rich == f)
                return format;
        }
        if (entries_.size() >= 64)
            entries_.clear();
        entries_.emplace_back(f, charFormatOf(text_, f));
        return entries_.back().second;
    }

private:
    const RichText& text_;
    std::vector<std::pair<RichCharFormat, QTextCharFormat>> entries_;
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
    const QString kept = format.stringProperty(FileFontNameProperty);
    // A family changed since the file was read (the font command) names
    // itself; an unchanged one keeps the name and charset of the file, even
    // an empty name.
    QString name;
    int charset = 0;
    if (format.hasProperty(FileFontNameProperty) &&
        fontDisplayFamily(kept) == format.fontFamilies().toStringList().value(0)) {
        name = kept;
        charset = format.intProperty(FileFontCharsetProperty);
    } else {
        name = fontFileName(familyOf(format, doc));
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
    CharFormatCache formats(text);
    for (const RichParagraph& p : text.paragraphs) {
        QTextBlockFormat blockFormat;
        if (p.alignment != RichAlignment::Default)
            blockFormat.setAlignment(qtAlignment(p.alignment));
        const QTextCharFormat endFormat = formats(p.endFormat);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(endFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, endFormat);
        }
        for (const RichRun& run : p.runs) {
            if (run.picture < 0) {
                cursor.insertText(run.text, formats(run.format));
                continue;
            }
            if (run.picture >= text.pictures.size())
                continue;
            const RichPicture& picture = text.pictures.at(run.picture);
            QTextImageFormat image;
            image.merge(formats(run.format));
            image.setName(pictureName(picture.data));
            image.setProperty(PictureDataProperty, picture.data);
            image.setProperty(PictureFormatProperty, picture.format);
            if (picture.widthTwips > 0)
                image.setWidth(picture.widthTwips / TwipsPerPixel);
            if (picture.heightTwips > 0)
                image.setHeight(picture.heightTwips / TwipsPerPixel);
            cursor.insertImage(image);
        }
        // Typing at the end of the paragraph goes on in its last format.
        cursor.setCharFormat(endFormat);
    }
    cursor.endEditBlock();
    addPictureResources(doc);
}

void addPictureResources(QTextDocument& doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat() || !format.hasProperty(PictureDataProperty))
                continue;
            const QTextImageFormat image = format.toImageFormat();
            const QUrl name(image.name());
            if (!doc.resource(QTextDocument::ImageResource, name).isNull())
                continue;
            const QByteArray data = image.property(PictureDataProperty).toByteArray();
            const QImage picture = QImage::fromData(data);
            // A picture that does not decode still goes back into the file.
            if (!picture.isNull())
                doc.addResource(QTextDocument::ImageResource, name, picture);
        }
    }
}

namespace {

// A picture of the document as a file keeps it: its own bytes when it came
// from one, else (pasted from elsewhere) as PNG.
bool pictureOf(const QTextDocument& doc, const QTextImageFormat& image, RichPicture& out)
{
    if (image.hasProperty(PictureDataProperty)) {
        out.data = image.property(PictureDataProperty).toByteArray();
        out.format = image.property(PictureFormatProperty).toByteArray();
    } else {
        const QVariant resource = doc.resource(QTextDocument::ImageResource, QUrl(image.name()));
        QImage picture = qvariant_cast<QImage>(resource);
        if (picture.isNull())
            picture = qvariant_cast<QPixmap>(resource).toImage();
        if (picture.isNull())
            return false;
        QBuffer buffer(&out.data);
        buffer.open(QIODevice::WriteOnly);
        if (!picture.save(&buffer, "PNG"))
            return false;
        out.format = "png";
    }
    if (out.data.isEmpty())
        return false;
    if (image.width() > 0)
        out.widthTwips = int(std::lround(image.width() * TwipsPerPixel));
    if (image.height() > 0)
        out.heightTwips = int(std::lround(image.height() * TwipsPerPixel));
    return true;
}

} // namespace

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
            const QTextCharFormat format = fragment.charFormat();
            const RichCharFormat richFormat = richFormatOf(format, doc, text);
            QString t = fragment.text();
            if (format.isImageFormat()) {
                RichPicture picture;
                if (!pictureOf(doc, format.toImageFormat(), picture))
                    continue;
                // Equal pictures side by side share one fragment.
                for (qsizetype i = t.count(QChar::ObjectReplacementCharacter); i > 0; --i) {
                    text.pictures.append(picture);
                    p.runs.append(RichRun{QString(QChar::ObjectReplacementCharacter), richFormat,
                                          int(text.pictures.size() - 1)});
                }
                continue;
            }
            // Other objects have no place in the text written.
            t.remove(QChar::ObjectReplacementCharacter);
            p.runs.append(RichRun{t, richFormat});
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

void registerFontSubstitutes()
{
    for (const FontMapping& m : fontMappings)
        QFont::insertSubstitution(QString::fromUtf16(m.fileName), QString::fromLatin1(m.family));
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
