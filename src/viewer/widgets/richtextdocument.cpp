#include "viewer/widgets/richtextdocument.h"

#include "viewer/richtext.h"
#include "viewer/rtfreader.h"
#include "viewer/rtfwriter.h"

#include <QTextDocument>
#include <QTextDocumentFragment>

namespace tovane {

void fillDocument(QTextDocument& doc, const RichText& text)
{
    doc.setPlainText(text.plainText());
}

RichText richTextOf(const QTextDocument& doc)
{
    RichText text;
    for (const QString& line : doc.toPlainText().split(u'\n')) {
        RichParagraph paragraph;
        paragraph.runs.append(RichRun{line, RichCharFormat()});
        text.paragraphs.append(paragraph);
    }
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
    doc.setPlainText(fragment.toPlainText());
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
    return fileFontName;
}

QString fontFileName(const QString& displayFamily)
{
    return displayFamily;
}

} // namespace tovane
