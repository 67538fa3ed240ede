#pragma once
// What tovane-cli show and resave do for each display category. Text
// (3-14) and rich text (2) are handled here; archive listings (0) and images
// (1) plug into the table in contenthandlers.cpp.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace tovane::cli {

struct ShownContent {
    QByteArray output;                   // UTF-8, as it goes to stdout
    QList<QPair<QString, QString>> info; // --info lines after "category N"
};

// 0 when shown; EILSEQ when the file is no content of the category; any
// other errno when it could not be read. With `infoOnly` the output may
// stay empty.
using ShowFunction = int (*)(const QString& path, bool infoOnly, ShownContent& out);

// Loads `path` as the viewer does and writes it to `destination` as saving
// does, once `mayWrite` agreed. 0, or an errno: one of loading (EILSEQ when
// it is no content of the category); ECANCELED when `mayWrite` refused or
// the handler stopped after saying why on stderr; for a failed write the
// errno, with `failure` holding the message to show.
using ResaveFunction = int (*)(const QString& path, const QString& destination,
                               const std::function<bool()>& mayWrite, QString& failure);

struct ContentHandler {
    ShowFunction show;
    ResaveFunction resave;
};

// The handler of categories 0-14.
const ContentHandler& contentHandler(int category);

// Rich text from plain text, for a plain text saved under a name ending in
// ".rtf"; null when no writer is plugged in.
using RichTextWriter = QByteArray (*)(const QString& plainText);
extern RichTextWriter richTextWriter;

} // namespace tovane::cli
