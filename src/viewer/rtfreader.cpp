#include "viewer/rtfreader.h"

#include <QHash>
#include <QStringDecoder>

#include <cctype>
#include <map>
#include <memory>

namespace tovane {

namespace {

// Code page of a \fcharset; 0 = the document's \ansicpg.
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

QByteArray codecName(int codePage)
{
    switch (codePage) {
    case 932:
        return "windows-31j";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 10000:
        return "macintosh";
    case 874:
    case 1250:
    case 1251:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return "windows-" + QByteArray::number(codePage);
    default:
        return "windows-1252";
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool doubleByteLead(uchar byte, int codePage)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xfe;
    default:
        return false;
    }
}

// Whether the last byte starts a pair it does not hold.
bool endsInLeadByte(QByteArrayView bytes, int codePage)
{
    bool lead = false;
    for (const char b : bytes)
        lead = !lead && doubleByteLead(uchar(b), codePage);
    return lead;
}

// \uN is a signed 16-bit number; anything else names no character.
QChar unicodeUnit(int value)
{
    if (value < -32768 || value > 65535)
        return QChar::ReplacementCharacter;
    return QChar(char16_t(value < 0 ? value + 65536 : value));
}

// Halves of surrogate pairs that found no partner would make text no
// encoder takes; a paragraph separator inside a paragraph is a line break.
void repairText(QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
        else if (c == QChar::ParagraphSeparator)
            text[i] = QChar::LineSeparator;
    }
    // \u0 and the like: control characters are no text.
    text.removeIf(
        [](QChar c) { return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f; });
}

enum class Destination : quint8 { Text, FontTable, ColorTable, Picture, Skip };

struct GroupState {
    Destination destination = Destination::Text;
    RichCharFormat format;
    RichAlignment alignment = RichAlignment::Default;
    int skipCount = 1;   // \uc
    int fontNumber = -1; // \fN as written, for the font table entries
};

// Destinations whose text is never shown, even without \*.
bool skippedDestination(QByteArrayView word)
{
    static const QByteArrayView skipped[] = {
        "annotation", "atnauthor",    "atnid",
        "author",     "buptim",       "colorschememapping",
        "comment",    "company",      "creatim",
        "datastore",  "doccomm",      "fldinst",
        "filetbl",    "footer",       "footerf",
        "footerl",    "footerr",      "footnote",
        "generator",  "header",       "headerf",
        "headerl",    "headerr",      "info",
        "keywords",   "latentstyles", "listoverridetable",
        "listtable",  "nonshppict",   "object",
        "objdata",    "operator",     "pgdsctbl",
        "printim",    "private",      "revtbl",
        "revtim",     "rsidtbl",      "stylesheet",
        "subject",    "tc",           "template",
        "themedata",  "title",        "txe",
        "userprops",  "xe",           "xmlnstbl",
    };
    for (QByteArrayView s : skipped) {
        if (s == word)
            return true;
    }
    return false;
}

class Reader {
public:
    Reader(const QByteArray& bytes, RichText& out) : in_(bytes), out_(out) {}

    int run();

private:
    int controlWord();
    void controlSymbol(char c);
    void byteText(char c, bool fromHex);
    void appendText(QStringView text);
    void flushBytes();
    void endParagraph();
    void endFontEntry();
    void takeFontNameBytes();
    void colorTableText(char c);
    void pictureWord(QByteArrayView word, int value);
    void endPicture();
    int currentCodePage() const;
    QStringDecoder& decoder(int codePage);
    bool skipping() const { return state_.destination == Destination::Skip; }
    bool consumeSkip()
    {
        if (pendingSkip_ <= 0)
            return false;
        --pendingSkip_;
        return true;
    }

    const QByteArray& in_;
    qsizetype pos_ = 0;
    RichText& out_;
    QList<GroupState> stack_;
    GroupState state_;
    RichParagraph paragraph_;
    qsizetype textSize_ = 0;
    int error_ = RtfOk;

    int ansiCodePage_ = 1252;
    int defaultFont_ = -1;  // \deff number
    QHash<int, int> fonts_; // \fN number -> index in out_.fonts
    QHash<int, int> fontCodePages_;
    QList<int> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    // Font table entry being read.
    QByteArray fontNameBytes_;
    QString fontName_;
    int fontCharset_ = 0;
    bool fontFixed_ = false;
    bool fontOpen_ = false;

    // Picture being read.
    RichPicture picture_;
    int pictureHalf_ = -1; // first hex digit of a byte
    int scaleX_ = 100, scaleY_ = 100;

    QByteArray pendingBytes_;
    int pendingCodePage_ = 0;
    int pendingSkip_ = 0;  // fallback characters after \uN still to skip
    bool starred_ = false; // last token was \*
    std::map<QByteArray, std::unique_ptr<QStringDecoder>> decoders_;
};

int Reader::currentCodePage() const
{
    const auto it = fontCodePages_.constFind(state_.format.font);
    if (it != fontCodePages_.constEnd() && it.value() != 0)
        return it.value();
    return ansiCodePage_;
}

QStringDecoder& Reader::decoder(int codePage)
{
    // Keyed by codec, not by number: a file naming thousands of code pages
    // still opens a handful of converters.
    const QByteArray name = codecName(codePage);
    auto& slot = decoders_[name];
    if (!slot) {
        slot =
            std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
        if (!slot->isValid())
            slot = std::make_unique<QStringDecoder>(QStringConverter::Latin1,
                                                    QStringConverter::Flag::Stateless);
    }
    return *slot;
}

void Reader::flushBytes()
{
    if (pendingBytes_.isEmpty())
        return;
    // A lead byte cut off by a control word shows as a replacement, not as
    // the start of whatever bytes come next.
    const bool dangling = endsInLeadByte(pendingBytes_, pendingCodePage_);
    if (dangling)
        pendingBytes_.chop(1);
    QStringDecoder& d = decoder(pendingCodePage_);
    QString text = d.decode(pendingBytes_);
    d.resetState();
    pendingBytes_.clear();
    // ICU gives SUB for a byte its table lacks.
    text.replace(QChar(0x1a), QChar::ReplacementCharacter);
    if (dangling)
        text += QChar::ReplacementCharacter;
    // \'0a and the like are no line ends of the text.
    text.removeIf(
        [](QChar c) { return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f; });
    appendText(text);
}

void Reader::appendText(QStringView text)
{
    if (text.isEmpty())
        return;
    textSize_ += text.size();
    if (textSize_ > RtfMaxTextChars) {
        error_ = RtfTooLarge;
        return;
    }
    if (!paragraph_.runs.isEmpty() && paragraph_.runs.last().format == state_.format &&
        paragraph_.runs.last().picture < 0)
        paragraph_.runs.last().text += text;
    else
        paragraph_.runs.append(RichRun{text.toString(), state_.format});
}

void Reader::endParagraph()
{
    flushBytes();
    for (RichRun& run : paragraph_.runs) {
        if (run.picture >= 0)
            continue;
        repairText(run.text);
        // An object mark with no picture behind it is nothing.
        run.text.remove(QChar::ObjectReplacementCharacter);
    }
    paragraph_.runs.removeIf([](const RichRun& run) { return run.text.isEmpty(); });
    paragraph_.alignment = state_.alignment;
    paragraph_.endFormat =
        paragraph_.runs.isEmpty() ? state_.format : paragraph_.runs.last().format;
    out_.paragraphs.append(std::move(paragraph_));
    paragraph_ = RichParagraph();
    if (++textSize_ > RtfMaxTextChars)
        error_ = RtfTooLarge;
}

void Reader::byteText(char c, bool fromHex)
{
    switch (state_.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (!fromHex && c == ';')
            endFontEntry();
        else
            fontNameBytes_ += c;
        return;
    case Destination::ColorTable:
        colorTableText(c);
        return;
    case Destination::Picture:
        if (const int nibble = hexValue(c); !fromHex && nibble >= 0) {
            if (pictureHalf_ < 0) {
                pictureHalf_ = nibble;
            } else {
                picture_.data += char(pictureHalf_ << 4 | nibble);
                pictureHalf_ = -1;
            }
        }
        return;
    case Destination::Text:
        break;
    }
    if (!fromHex) {
        if (c == '\t') {
            flushBytes();
            appendText(u"\t");
            return;
        }
        if (uchar(c) < 0x20)
            return;
    }
    const int codePage = currentCodePage();
    if (!pendingBytes_.isEmpty() && codePage != pendingCodePage_)
        flushBytes();
    pendingCodePage_ = codePage;
    pendingBytes_ += c;
}

void Reader::takeFontNameBytes()
{
    if (fontNameBytes_.isEmpty())
        return;
    const int codePage = codePageOfCharset(fontCharset_);
    fontName_ += decoder(codePage ? codePage : ansiCodePage_).decode(fontNameBytes_);
    fontNameBytes_.clear();
}

void Reader::endFontEntry()
{
    if (!fontOpen_ && fontNameBytes_.isEmpty() && fontName_.isEmpty())
        return;
    takeFontNameBytes();
    const int codePage = codePageOfCharset(fontCharset_);
    fontName_.removeIf([](QChar c) { return c.unicode() < 0x20; });
    repairText(fontName_);
    QString name = fontName_.trimmed();
    if (state_.fontNumber >= 0 && !fonts_.contains(state_.fontNumber)) {
        out_.fonts.append(RichFont{name, fontCharset_, fontFixed_});
        const int index = int(out_.fonts.size() - 1);
        fonts_.insert(state_.fontNumber, index);
        fontCodePages_.insert(index, codePage);
    }
    fontNameBytes_.clear();
    fontName_.clear();
    fontCharset_ = 0;
    fontFixed_ = false;
    fontOpen_ = false;
}

void Reader::pictureWord(QByteArrayView word, int value)
{
    if (word == "pngblip")
        picture_.format = "png";
    else if (word == "jpegblip")
        picture_.format = "jpeg";
    else if (word == "picwgoal")
        picture_.widthTwips = qBound(0, value, 31680); // 22 inches
    else if (word == "pichgoal")
        picture_.heightTwips = qBound(0, value, 31680);
    else if (word == "picscalex")
        scaleX_ = qBound(1, value, 1000);
    else if (word == "picscaley")
        scaleY_ = qBound(1, value, 1000);
    else if (word == "wmetafile" || word == "emfblip" || word == "dibitmap" || word == "wbitmap" ||
             word == "macpict")
        picture_.format.clear();
}

void Reader::endPicture()
{
    // Only what QtGui shows and a word processor reads back is kept; a
    // metafile has no place to go.
    if (picture_.format.isEmpty() || picture_.data.isEmpty())
        return;
    picture_.widthTwips = int(qint64(picture_.widthTwips) * scaleX_ / 100);
    picture_.heightTwips = int(qint64(picture_.heightTwips) * scaleY_ / 100);
    out_.pictures.append(std::move(picture_));
    picture_ = RichPicture();
    textSize_ += out_.pictures.last().data.size();
    if (textSize_ > RtfMaxTextChars) {
        error_ = RtfTooLarge;
        return;
    }
    paragraph_.runs.append(RichRun{QString(QChar::ObjectReplacementCharacter), state_.format,
                                   int(out_.pictures.size() - 1)});
}

void Reader::colorTableText(char c)
{
    if (c != ';')
        return;
    colors_.append(colorSet_ ? (red_ << 16 | green_ << 8 | blue_) : RichNoColor);
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
}

void Reader::controlSymbol(char c)
{
    switch (c) {
    case '\\':
    case '{':
    case '}':
        if (consumeSkip())
            return;
        byteText(c, true);
        return;
    case '~':
        if (consumeSkip())
            return;
        if (state_.destination == Destination::Text) {
            flushBytes();
            appendText(u"\u00a0");
        }
        return;
    case '_':
        if (consumeSkip())
            return;
        if (state_.destination == Destination::Text) {
            flushBytes();
            appendText(u"\u2011");
        }
        return;
    case '*':
        starred_ = true;
        return;
    case '\n':
    case '\r':
        if (consumeSkip())
            return;
        if (state_.destination == Destination::Text)
            endParagraph();
        return;
    default:
        consumeSkip();
        return;
    }
}

int Reader::controlWord()
{
    // pos_ is at the first letter.
    const qsizetype start = pos_;
    while (pos_ < in_.size() && std::isalpha(uchar(in_.at(pos_))))
        ++pos_;
    const QByteArrayView word(in_.constData() + start, pos_ - start);
    bool hasParam = false;
    qint64 param = 0;
    bool negative = false;
    if (pos_ < in_.size() && in_.at(pos_) == '-' && pos_ + 1 < in_.size() &&
        std::isdigit(uchar(in_.at(pos_ + 1)))) {
        negative = true;
        ++pos_;
    }
    while (pos_ < in_.size() && std::isdigit(uchar(in_.at(pos_)))) {
        hasParam = true;
        // Saturate: a number of a thousand digits is still one number.
        if (param < 100000000000LL)
            param = param * 10 + (in_.at(pos_) - '0');
        ++pos_;
    }
    if (pos_ < in_.size() && in_.at(pos_) == ' ')
        ++pos_;
    if (negative)
        param = -param;
    const int value = int(qBound<qint64>(-0x7fffffffLL, param, 0x7fffffffLL));

    const bool starred = starred_;
    starred_ = false;

    if (word == "bin") {
        // Raw bytes, counted; they are never text.
        const qint64 count = hasParam ? qMax<qint64>(0, param) : 0;
        const qsizetype n = qsizetype(qMin<qint64>(count, in_.size() - pos_));
        if (state_.destination == Destination::Picture && pendingSkip_ <= 0)
            picture_.data += QByteArrayView(in_.constData() + pos_, n);
        pos_ += n;
        consumeSkip();
        return RtfOk;
    }
    if (consumeSkip())
        return RtfOk;

    if (skipping())
        return RtfOk;

    if (word == "pict") {
        flushBytes();
        if (state_.destination != Destination::Text) {
            state_.destination = Destination::Skip;
            return RtfOk;
        }
        state_.destination = Destination::Picture;
        picture_ = RichPicture();
        pictureHalf_ = -1;
        scaleX_ = scaleY_ = 100;
        return RtfOk;
    }
    if (state_.destination == Destination::Picture) {
        pictureWord(word, value);
        if (!starred)
            return RtfOk;
    }

    // A destination opens a group of its own: only its first word counts.
    if (starred || skippedDestination(word)) {
        if (word == "pntext" || word == "listtext" || word == "shppict") {
            // A list's bullet or number as written: part of the text; a
            // picture for readers that know pictures.
        } else {
            flushBytes();
            state_.destination = Destination::Skip;
            return RtfOk;
        }
    }

    if (state_.destination == Destination::FontTable) {
        if (word == "f") {
            endFontEntry();
            state_.fontNumber = value;
            fontOpen_ = true;
        } else if (word == "fcharset") {
            fontCharset_ = value;
        } else if (word == "fmodern") {
            fontFixed_ = true;
        } else if (word == "fprq") {
            fontFixed_ = value == 1;
        } else if (word == "u" && hasParam) {
            takeFontNameBytes();
            fontName_ += unicodeUnit(value);
            pendingSkip_ = state_.skipCount;
        }
        return RtfOk;
    }
    if (state_.destination == Destination::ColorTable) {
        const int channel = qBound(0, value, 255);
        if (word == "red") {
            red_ = channel;
            colorSet_ = true;
        } else if (word == "green") {
            green_ = channel;
            colorSet_ = true;
        } else if (word == "blue") {
            blue_ = channel;
            colorSet_ = true;
        }
        return RtfOk;
    }

    // Document-wide words.
    if (word == "ansicpg") {
        if (value > 0 && value < 65536)
            ansiCodePage_ = value;
        return RtfOk;
    }
    if (word == "mac" || word == "pc" || word == "pca") {
        ansiCodePage_ = word == "mac" ? 10000 : word == "pc" ? 437 : 850;
        return RtfOk;
    }
    if (word == "deff") {
        defaultFont_ = value;
        return RtfOk;
    }
    if (word == "fonttbl") {
        flushBytes();
        state_.destination = Destination::FontTable;
        return RtfOk;
    }
    if (word == "colortbl") {
        flushBytes();
        state_.destination = Destination::ColorTable;
        return RtfOk;
    }
    if (word == "uc") {
        state_.skipCount = qBound(0, value, 16);
        return RtfOk;
    }
    if (word == "u" && hasParam) {
        flushBytes();
        const QChar c = unicodeUnit(value);
        appendText(QStringView(&c, 1));
        pendingSkip_ = state_.skipCount;
        return RtfOk;
    }

    RichCharFormat& f = state_.format;
    const bool on = !hasParam || value != 0;
    const auto set = [&](auto& member, auto newValue) {
        if (member != newValue) {
            flushBytes();
            member = newValue;
        }
    };
    if (word == "par" || word == "sect" || word == "page" || word == "row") {
        endParagraph();
    } else if (word == "line") {
        flushBytes();
        appendText(u"\u2028");
    } else if (word == "tab" || word == "cell") {
        flushBytes();
        appendText(u"\t");
    } else if (word == "emdash") {
        flushBytes();
        appendText(u"\u2014");
    } else if (word == "endash") {
        flushBytes();
        appendText(u"\u2013");
    } else if (word == "bullet") {
        flushBytes();
        appendText(u"\u2022");
    } else if (word == "lquote") {
        flushBytes();
        appendText(u"\u2018");
    } else if (word == "rquote") {
        flushBytes();
        appendText(u"\u2019");
    } else if (word == "ldblquote") {
        flushBytes();
        appendText(u"\u201c");
    } else if (word == "rdblquote") {
        flushBytes();
        appendText(u"\u201d");
    } else if (word == "plain") {
        RichCharFormat plain;
        plain.font = fonts_.value(defaultFont_, 0);
        set(f, plain);
    } else if (word == "pard") {
        state_.alignment = RichAlignment::Default;
    } else if (word == "ql") {
        state_.alignment = RichAlignment::Left;
    } else if (word == "qc") {
        state_.alignment = RichAlignment::Center;
    } else if (word == "qr") {
        state_.alignment = RichAlignment::Right;
    } else if (word == "qj") {
        state_.alignment = RichAlignment::Justify;
    } else if (word == "f") {
        // A number missing from the table keeps the code page it had.
        const auto it = fonts_.constFind(value);
        if (it != fonts_.constEnd())
            set(f.font, it.value());
    } else if (word == "fs") {
        set(f.halfPoints, value > 0 ? qMin(value, 3276) : RichDefaultHalfPoints);
    } else if (word == "b") {
        set(f.bold, on);
    } else if (word == "i") {
        set(f.italic, on);
    } else if (word == "strike" || word == "striked") {
        set(f.strike, on);
    } else if (word == "ulnone") {
        set(f.underline, false);
    } else if (word == "ul" || word == "uld" || word == "uldb" || word == "uldash" ||
               word == "uldashd" || word == "uldashdd" || word == "ulhwave" || word == "ulth" ||
               word == "ulw" || word == "ulwave") {
        set(f.underline, on);
    } else if (word == "cf") {
        set(f.color, value >= 0 && value < colors_.size() ? colors_.at(value) : RichNoColor);
    }
    return RtfOk;
}

int Reader::run()
{
    if (in_.size() > RtfMaxInputBytes)
        return RtfTooLarge;
    qsizetype start = 0;
    while (start < in_.size() && std::isspace(uchar(in_.at(start))))
        ++start;
    if (!QByteArrayView(in_).sliced(start).startsWith("{\\rtf"))
        return RtfNotRtf;
    pos_ = start;
    bool opened = false;
    while (pos_ < in_.size() && error_ == RtfOk) {
        const char c = in_.at(pos_++);
        if (c == '{') {
            if (opened && stack_.isEmpty())
                break; // past the document's own group
            opened = true;
            flushBytes();
            // A group ends the fallback text of \uN.
            pendingSkip_ = 0;
            if (stack_.size() >= RtfMaxDepth)
                return RtfTooDeep;
            stack_.append(state_);
            starred_ = false;
        } else if (c == '}') {
            flushBytes();
            pendingSkip_ = 0;
            if (state_.destination == Destination::FontTable)
                endFontEntry();
            // The document's own group keeps its state for the last paragraph.
            if (stack_.size() <= 1)
                break;
            const Destination inner = state_.destination;
            const bool innerFont = inner == Destination::FontTable;
            state_ = stack_.takeLast();
            if (inner == Destination::Picture && state_.destination != Destination::Picture)
                endPicture();
            if (innerFont && state_.destination != Destination::FontTable) {
                // The table is complete: text before any \f is in \deff.
                fontOpen_ = false;
                if (state_.format.font == 0)
                    state_.format.font = fonts_.value(defaultFont_, 0);
            }
        } else if (c == '\\') {
            if (pos_ >= in_.size())
                break;
            const char n = in_.at(pos_);
            if (std::isalpha(uchar(n))) {
                controlWord();
            } else if (n == '\'') {
                ++pos_;
                const int hi = pos_ + 1 < in_.size() ? hexValue(in_.at(pos_)) : -1;
                const int lo = pos_ + 1 < in_.size() ? hexValue(in_.at(pos_ + 1)) : -1;
                if (hi >= 0 && lo >= 0) {
                    const char byte = char(hi << 4 | lo);
                    pos_ += 2;
                    starred_ = false;
                    if (!consumeSkip())
                        byteText(byte, true);
                } else {
                    // A cut \' stands for nothing, with the one digit it has.
                    if (hi >= 0 || (pos_ < in_.size() && hexValue(in_.at(pos_)) >= 0 &&
                                    pos_ + 1 == in_.size()))
                        ++pos_;
                    consumeSkip();
                }
            } else {
                ++pos_;
                controlSymbol(n);
            }
        } else if (c == '\r' || c == '\n' || c == '\0') {
            // Line ends in the file are not text.
        } else {
            starred_ = false;
            if (!consumeSkip())
                byteText(c, false);
        }
    }
    if (error_ != RtfOk)
        return error_;
    flushBytes();
    if (!paragraph_.runs.isEmpty() || out_.paragraphs.isEmpty())
        endParagraph();
    return error_;
}

} // namespace

int readRtf(const QByteArray& bytes, RichText& out)
{
    out = RichText();
    Reader reader(bytes, out);
    const int error = reader.run();
    if (error != RtfOk)
        out = RichText();
    return error;
}

QString rtfPlainText(const QByteArray& bytes, int* error)
{
    RichText text;
    const int e = readRtf(bytes, text);
    if (error)
        *error = e;
    return e == RtfOk ? text.plainText() : QString();
}

} // namespace tovane
