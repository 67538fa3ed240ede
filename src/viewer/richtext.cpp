#include "viewer/richtext.h"

namespace tovane {

QString RichParagraph::text() const
{
    QString s;
    for (const RichRun& run : runs)
        s += run.text;
    return s;
}

int RichText::fontIndex(const QString& name, int charset)
{
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        if (fonts.at(i).name == name && fonts.at(i).charset == charset)
            return int(i);
    }
    fonts.append(RichFont{name, charset, false});
    return int(fonts.size() - 1);
}

const RichFont* RichText::fontOf(const RichCharFormat& format) const
{
    if (format.font < 0 || format.font >= fonts.size())
        return nullptr;
    return &fonts.at(format.font);
}

QString RichText::plainText() const
{
    QString s;
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            s += u'\n';
        s += paragraphs.at(i).text();
    }
    s.replace(QChar::LineSeparator, u'\n');
    s.remove(QChar::ObjectReplacementCharacter);
    return s;
}

void RichText::normalize()
{
    for (RichParagraph& paragraph : paragraphs) {
        QList<RichRun> merged;
        for (const RichRun& run : std::as_const(paragraph.runs)) {
            if (run.text.isEmpty())
                continue;
            if (!merged.isEmpty() && merged.last().format == run.format &&
                merged.last().picture < 0 && run.picture < 0)
                merged.last().text += run.text;
            else
                merged.append(run);
        }
        paragraph.runs = merged;
        // What an empty paragraph keeps is its own; a paragraph with text
        // continues in its last run's format.
        if (!paragraph.runs.isEmpty())
            paragraph.endFormat = paragraph.runs.last().format;
    }
}

int charsetFor(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) ||
            (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return 128;
    }
    return 0;
}

} // namespace tovane
