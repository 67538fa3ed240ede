#pragma once
// A rich text as the RTF reader gives it and the writer takes it:
// paragraphs of runs, each run one character format. Kept free of QtGui so
// that decoding untrusted files needs no window; the widgets half turns it
// into a QTextDocument and back.

#include <QList>
#include <QString>

namespace tovane {

// A font table entry. `charset` is the RTF \fcharset (0 Western,
// 128 Japanese CP932, ...); it decides how \'hh bytes of runs in this font
// are read.
struct RichFont {
    QString name;
    int charset = 0;
    bool fixedPitch = false;

    friend bool operator==(const RichFont&, const RichFont&) = default;
};

inline constexpr int RichNoColor = -1; // the reader's or viewer's own colour
inline constexpr int RichDefaultHalfPoints = 24;

struct RichCharFormat {
    int font = 0; // index into RichText::fonts; out of range = default font
    int halfPoints = RichDefaultHalfPoints; // \fs units
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = RichNoColor; // 0xRRGGBB or RichNoColor

    friend bool operator==(const RichCharFormat&, const RichCharFormat&) = default;
};

// A picture kept as the file's own bytes, so that a save gives it back.
struct RichPicture {
    QByteArray data;
    QByteArray format;  // "png" or "jpeg"
    int widthTwips = 0; // shown size; 0 = the picture's own
    int heightTwips = 0;

    friend bool operator==(const RichPicture&, const RichPicture&) = default;
};

// Text may hold '\t' and QChar::LineSeparator (a line break inside the
// paragraph); never '\n' or '\r'. A picture is a run of its own whose text
// is one QChar::ObjectReplacementCharacter.
struct RichRun {
    QString text;
    RichCharFormat format;
    int picture = -1; // index into RichText::pictures

    friend bool operator==(const RichRun&, const RichRun&) = default;
};

enum class RichAlignment : quint8 { Default, Left, Center, Right, Justify };

struct RichParagraph {
    QList<RichRun> runs;
    RichAlignment alignment = RichAlignment::Default;
    // Format of an empty paragraph (and of text typed at its end).
    RichCharFormat endFormat;

    QString text() const;
    friend bool operator==(const RichParagraph&, const RichParagraph&) = default;
};

// A document always has at least one paragraph once read.
struct RichText {
    QList<RichFont> fonts;
    QList<RichParagraph> paragraphs;
    QList<RichPicture> pictures;

    // Index of the font named `name` with `charset`, added when missing.
    int fontIndex(const QString& name, int charset);
    // The font of `format`, or null when its index is out of range.
    const RichFont* fontOf(const RichCharFormat& format) const;
    // Paragraphs joined by '\n'; line breaks become '\n' too; no pictures.
    QString plainText() const;
    // Adjacent runs of equal format merged, empty runs dropped: two texts
    // that read the same compare equal after this.
    void normalize();

    friend bool operator==(const RichText&, const RichText&) = default;
};

// The \fcharset a text needs: 128 when it holds Japanese characters, else 0.
int charsetFor(const QString& text);

} // namespace tovane
