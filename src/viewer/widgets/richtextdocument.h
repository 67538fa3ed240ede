#pragma once
// RTF in and out of a QTextDocument, through the rich-text model of
// viewer/richtext.h, and the clipboard's text/rtf.

#include <QByteArray>
#include <QString>

class QTextDocument;
class QTextDocumentFragment;

namespace tovane {

struct RichText;

// Replaces the document's content with `bytes` read as RTF. Returns 0 or an
// RtfError; on error the document is left as it was.
int loadRtf(QTextDocument& doc, const QByteArray& bytes);
QByteArray saveRtf(const QTextDocument& doc);

// For the clipboard's "text/rtf".
QString rtfFromFragment(const QTextDocumentFragment& fragment);
// An empty fragment when `bytes` do not read.
QTextDocumentFragment fragmentFromRtf(const QByteArray& bytes);

// The model to and from a document. Font names are kept as written in the
// file; what is shown is the family that fontDisplayFamily gives.
void fillDocument(QTextDocument& doc, const RichText& text);
RichText richTextOf(const QTextDocument& doc);

// Pictures read from RTF travel in their image formats as the file's bytes;
// this gives every such picture of `doc` its image resource again, e.g.
// after a fragment with pictures was pasted from another document.
void addPictureResources(QTextDocument& doc);

// The installed family that shows a font named in a file: the Japanese
// system font names map to Noto Sans CJK JP / Noto Sans Mono CJK JP.
QString fontDisplayFamily(const QString& fileFontName);
// Makes a QFont asked for by a mapped name (a window font read from the
// settings, say) resolve to the family fontDisplayFamily gives. Once at
// start-up.
void registerFontSubstitutes();

// The name saved for a family shown (the reverse of fontDisplayFamily for
// the mapped ones).
QString fontFileName(const QString& displayFamily);

} // namespace tovane
