#include "cli/contenthandlers.h"

#include "cli/clisupport.h"
#include "fs/pathrules.h"
#include "viewer/displaycategories.h"
#include "viewer/imagesize.h"
#include "viewer/plaintextfile.h"
#include "viewer/rtfreader.h"
#include "viewer/rtfwriter.h"

#include <cerrno>

namespace tovane::cli {

namespace {

// What a plain text becomes under .rtf: the rich-text box's own font.
QByteArray plainTextAsRichText(const QString& plainText)
{
    return plainTextAsRtf(plainText);
}

} // namespace

RichTextWriter richTextWriter = plainTextAsRichText;

namespace {

// Stand-in for a viewer not built yet: nothing to show or save.
int notYetShown(const QString&, bool, ShownContent&)
{
    return EILSEQ;
}

int notYetSaved(const QString&, const QString&, const std::function<bool()>&, QString&)
{
    return EILSEQ;
}

int showPlainText(const QString& path, bool infoOnly, ShownContent& out)
{
    QByteArray bytes;
    const int error = platform::readWholeFile(path, bytes, MaxTextBytes + 1);
    if (error != 0)
        return error;
    DecodedText decoded;
    if (decodeText(bytes, decoded) != 0)
        return EILSEQ;
    const TextFormat& format = decoded.format;
    // The text as UTF-8 with the file's own line ends, as iconv would give
    // it. UTF-8 read strictly is that already: its bytes past the BOM.
    if (infoOnly)
        out.output.clear();
    else if (format.encoding == TextEncoding::Utf8)
        out.output = format.bom ? bytes.sliced(3) : bytes;
    else if (encodeText(decoded.text, utf8Format(format), out.output) != 0)
        return EILSEQ;
    out.info = {{QStringLiteral("encoding"), encodingName(format.encoding)},
                {QStringLiteral("bom"), format.bom ? QStringLiteral("yes") : QStringLiteral("no")},
                {QStringLiteral("newline"), newlineName(format.newline)}};
    return 0;
}

int resavePlainText(const QString& path, const QString& destination,
                    const std::function<bool()>& mayWrite, QString& failure)
{
    LoadedText loaded;
    int error = loadPlainText(path, loaded);
    if (error != 0)
        return error;
    if (!mayWrite())
        return ECANCELED;
    const DecodedText& text = loaded.decoded;
    if (extensionOf(fileNameOf(destination)).toLower() == QLatin1String("rtf")) {
        // Saved under .rtf, a plain text becomes rich text.
        if (!richTextWriter) {
            writeErrorLine(QStringLiteral("tovane-cli resave: ") + destination +
                           QStringLiteral(": rich text cannot be written yet"));
            return ECANCELED;
        }
        error = platform::writeFileAtomically(destination, richTextWriter(text.text),
                                              platform::WriteMode::KeepMetadata);
    } else {
        error = savePlainText(destination, text.text, text.format);
        if (error == EILSEQ) {
            // Only an edited text can hold such a character; there is no
            // one to ask whether UTF-8 will do.
            writeErrorLine(QStringLiteral("tovane-cli resave: ") + destination +
                           QStringLiteral(": ") + encodingName(text.format.encoding) +
                           QStringLiteral(" cannot hold every character of the text"));
            return ECANCELED;
        }
    }
    if (error != 0)
        failure = saveErrorText(destination, error);
    return error;
}

// 0, an errno of reading, or EILSEQ when the bytes are no RTF we read.
int loadRichText(const QString& path, RichText& out)
{
    QByteArray bytes;
    const int error = platform::readWholeFile(path, bytes, RtfMaxInputBytes + 1);
    if (error != 0)
        return error;
    return readRtf(bytes, out) == RtfOk ? 0 : EILSEQ;
}

int showRichText(const QString& path, bool infoOnly, ShownContent& out)
{
    RichText text;
    const int error = loadRichText(path, text);
    if (error != 0)
        return error;
    out.output.clear();
    out.info.clear();
    if (infoOnly)
        return 0;
    // One line per paragraph; a line break inside one starts a line too.
    const QString plain = text.plainText();
    if (!plain.isEmpty() || text.paragraphs.size() > 1)
        out.output = (plain + u'\n').toUtf8();
    return 0;
}

int resaveRichText(const QString& path, const QString& destination,
                   const std::function<bool()>& mayWrite, QString& failure)
{
    RichText text;
    int error = loadRichText(path, text);
    if (error != 0)
        return error;
    if (!mayWrite())
        return ECANCELED;
    text.normalize();
    if (extensionOf(fileNameOf(destination)).toLower() == QLatin1String("rtf")) {
        error = platform::writeFileAtomically(destination, writeRtf(text),
                                              platform::WriteMode::KeepMetadata);
    } else {
        // Under any other name the text box saves its plain text: a new
        // text, UTF-8 with LF.
        error = savePlainText(destination, text.plainText(), TextFormat());
    }
    if (error != 0)
        failure = saveErrorText(destination, error);
    return error;
}

// A picture: its size, as the content area's size label gives it.
int showImage(const QString& path, bool infoOnly, ShownContent& out)
{
    // Headers sit at the start; a JPEG's frame may follow large metadata.
    constexpr qint64 HeaderLimit = 16 << 20;
    QByteArray bytes;
    if (const int error = platform::readFileStart(path, bytes, HeaderLimit))
        return error;
    QSize size;
    if (!imageSizeOf(bytes, size))
        return EILSEQ;
    if (!infoOnly)
        out.output = "image " + QByteArray::number(size.width()) + 'x' +
                     QByteArray::number(size.height()) + '\n';
    return 0;
}

const ContentHandler unbuilt{notYetShown, notYetSaved};
const ContentHandler image{showImage, notYetSaved};
const ContentHandler richText{showRichText, resaveRichText};
const ContentHandler plainText{showPlainText, resavePlainText};

// Index = category.
const ContentHandler* const handlers[CategoryLastLanguage + 1] = {
    &unbuilt,  // 0 archive listing
    &image,    // 1 image
    &richText, // 2 rich text
    &plainText, &plainText, &plainText, &plainText, &plainText, &plainText,
    &plainText, &plainText, &plainText, &plainText, &plainText, &plainText,
};

} // namespace

const ContentHandler& contentHandler(int category)
{
    if (category < 0 || category > CategoryLastLanguage)
        return unbuilt;
    return *handlers[category];
}

} // namespace tovane::cli
