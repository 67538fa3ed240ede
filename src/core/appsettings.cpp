#include "core/appsettings.h"

#include "core/layoutrules.h"
#include "core/progressservice.h"
#include "core/settingsfile.h"
#include "fs/namevalidation.h"
#include "fs/pathrules.h"

namespace tovane {

namespace {

const QString ComputerNodeText = QStringLiteral("ｺﾝﾋﾟｭｰﾀ");
const QString TreeTopComputer = QStringLiteral("_");

const QString DefaultSwitchText =
    QStringLiteral("1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,1,0,0,0,0,0,0,0,0,0,0,1,0,1,0,1,1,1,0,");

const QString DefaultColumnText =
    QStringLiteral("2000,1100,1200, 700,   0,   0,   0,    1700, 880, 880,1060,700,   0,   0,") +
    QStringLiteral("5500,1300,2000, 800,   0,   0,   0,    5000,1500,1500,1100,750,   0,   0,") +
    QStringLiteral("2000,1100,1200, 700,   0,   0,   0,    1700, 880, 880,1060,700,   0,   0,") +
    QStringLiteral("2000,2800,1100,1800, 800,");

const QString DefaultExtText =
    QStringLiteral("cab, lzh, zip, ;   bmp, cur, dib, emf, ico, gif, jpg, wmf, ;") +
    QStringLiteral("rtf, ;   bat, cfg, cnt, csv, inf, ini, log, txt, ;   ;") +
    QStringLiteral(
        "bas, frm, vbp, vbs, vbw, ;   c, clw, cpp, dsp, dsw, h, hpp, plg, rc, ;   pas, ;   "
        "java, ;") +
    QStringLiteral("htm, html, xml, ;   cgi, pl, ;   rb, ;   ;   ;   ;   ; ") +
    QStringLiteral(" acs, ami, aps, asp, asx, avi,  ax, bas, bat, bin, bxt, bxu,") +
    QStringLiteral("   c, cab, cat, cbz, cdx, cfg, cgi, chi, chm, chr, chw, clw,") +
    QStringLiteral(" cnt, config, cpp, css, csv, ctl, ctm,") +
    QStringLiteral(" dat,  db, dbf, dbx, def, dic, doc, drv, dsp, dsw, dun, emf,") +
    QStringLiteral(" eml, evt, fon, frm, frx, gif, gpd,   h, hal, hdr, hhk, hlp,") +
    QStringLiteral(" hlx, hpp, htm, html, htt,") +
    QStringLiteral(" icm, idl, idx, imd, inc, inf, ini, inx, isp, iss, jar, java,") +
    QStringLiteral(" jpg,  js, ldf, ldo, ldz, log, lzh, man, map, mar, mdb, mdf,") +
    QStringLiteral(" mfl, mid, mmm, mof, mp3, mpg, mpeg, msc, msi, msp,") +
    QStringLiteral(" ncb, nlp, nls, olb, opt, param, pas, pdf, pf, pfb, pfm, pif,") +
    QStringLiteral(" pkp,  pl, plg, pnf, png, pop, ppt, pre, prx, query, qpx, qtx,") +
    QStringLiteral("  rb,  rc, rgs, rtf,") +
    QStringLiteral(" sam, sca, schema, scp, sdb, shw, sql, swf, sys,") +
    QStringLiteral(" tip, tlb, trc, ttc, txt, url, vbp, vbs, vbw, ver,") +
    QStringLiteral(" wav, wb2, wma, wmf, wmv, wmz, wpc, wpd, wpg, wpl, xdr, xls,") +
    QStringLiteral(" xml, xsl, zip,     ;");

constexpr int ShortListLimit = 250;
constexpr int LongListLimit = 1500;
constexpr int MaxCaptionLength = 20;
constexpr int MaxExtensionChars = 10;
constexpr int MaxAssociationBytes = 8181;
constexpr int MaxImageCount = 5000;
// Extension, "_" and the name without extension: at most a whole name of
// 255 bytes, each byte at most one UTF-16 unit, plus the "_".
constexpr int MaxImageKeyLength = 256;

// Items of `ColWidth` (1-based) that must be 0: the unused columns of each set.
bool columnMustBeZero(int item)
{
    return (item >= 5 && item <= 7) || item == 13 || item == 14 || (item >= 19 && item <= 21) ||
           item == 27 || item == 28 || (item >= 33 && item <= 35) || item == 41 || item == 42;
}

QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

int integerOf(const QString& item)
{
    int value = 0;
    return numericValue(item, value) ? value : 0;
}

template <size_t N> void fillFrom(const QString& value, std::array<int, N>& out)
{
    QString rest = value;
    for (int& slot : out)
        slot = integerOf(nextToken(rest, u','));
}

bool extensionValid(const QString& extension)
{
    return validateName(NameCheckContext{}, QString(), extension, QString(), QString(),
                        NameKindExtension, false, false) == NameValid;
}

// One list of `Ext` in its normal form, or empty when an item fails.
QString normalisedList(const QString& raw, int limit)
{
    QString rest = raw;
    QString out;
    int total = 0;
    for (;;) {
        const QString item = trimSpaces(nextToken(rest, u','));
        if (item.isEmpty())
            break;
        if (!extensionValid(item))
            return QString();
        total += int(item.size()) + 2;
        if (total > limit)
            return QString();
        out += u' ' + item.toLower() + u',';
    }
    return out;
}

std::array<QString, DispExtListCount> listsFrom(const QString& text)
{
    std::array<QString, DispExtListCount> lists;
    QString rest = text;
    for (int i = 0; i < DispExtListCount; ++i)
        lists[size_t(i)] =
            normalisedList(nextToken(rest, u';'), i < 16 ? ShortListLimit : LongListLimit);
    return lists;
}

QString reducedToArchives(const QString& list, const QString& archiveExtensions)
{
    QString rest = list;
    QString out;
    while (!rest.isEmpty()) {
        const QString item = trimSpaces(nextToken(rest, u','));
        if (item.isEmpty())
            continue;
        const QString entry = u' ' + item + u',';
        if (archiveExtensions.contains(entry))
            out += entry;
    }
    return out;
}

bool columnWidthsValid(const QString& value, int screenWidth, std::array<int, 47>& widths)
{
    QString rest = value;
    for (int item = 1; item <= 47; ++item) {
        int width = -1;
        if (!numericValue(nextToken(rest, u','), width) || width < 0)
            return false;
        if (columnMustBeZero(item) ? width != 0 : (width < 50 || width > screenWidth - 3000))
            return false;
        widths[size_t(item - 1)] = width;
    }
    return true;
}

// The key list of the image cache: at most one key per image, each made
// from a file name, so never empty, never longer than a name and never with
// a control character. Anything else is not a key list we wrote.
bool imageKeysValid(const QString& keys)
{
    int count = 0;
    qsizetype start = 0;
    while (start < keys.size()) {
        qsizetype end = keys.indexOf(u',', start);
        if (end < 0)
            end = keys.size();
        if (end == start || end - start > MaxImageKeyLength || ++count > MaxImageCount)
            return false;
        for (qsizetype i = start; i < end; ++i) {
            const char16_t c = keys.at(i).unicode();
            if (c < 0x20 || c == 0x7f)
                return false;
        }
        start = end + 1;
    }
    return true;
}

QString homeListFolder(const SettingsContext& context)
{
    return addSeparator(context.homeFolder);
}

// A free text keeps its words, but "key=" in it loses its half-width "=".
QString withKeysDefused(const QString& text)
{
    QString out = text;
    for (const QString& key : settingsKeys())
        out.replace(key + u'=', key + QStringLiteral("＝"));
    return out;
}

// A free text between "/" and ";" separators.
QString storableText(const QString& text)
{
    QString out = withKeysDefused(text);
    out.replace(u'/', QStringLiteral("／"));
    out.replace(u';', QStringLiteral("；"));
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

// "key=" anywhere in a value would be found in place of that key's own line.
bool hidesKey(const QString& text)
{
    if (!text.contains(u'='))
        return false;
    for (const QString& key : settingsKeys())
        if (text.contains(key + u'='))
            return true;
    return false;
}

bool breaksEntry(const QString& text)
{
    return text.contains(u';') || text.contains(u'\r') || text.contains(u'\n') || hidesKey(text);
}

// A folder whose name holds "," or a line break cannot stand in the "," list
// of `Path` (nor one that reads as a key); its nearest ancestor that can is
// kept instead.
QString storablePathItem(const QString& path)
{
    QString out = path;
    while (out.contains(u',') || out.contains(u'\r') || out.contains(u'\n') || hidesKey(out)) {
        const QString parent = stripSeparator(parentOf(out));
        if (parent == out)
            return QString();
        out = parent;
    }
    return out;
}

} // namespace

std::array<bool, SwitchCount> defaultSwitches()
{
    std::array<bool, SwitchCount> on{};
    QString rest = DefaultSwitchText;
    for (bool& flag : on)
        flag = nextToken(rest, u',') == QLatin1String("1");
    return on;
}

std::array<QString, ExtTitleCount> defaultExtTitles()
{
    return {QStringLiteral("言語1(Basic系)(&B)"),  QStringLiteral("言語2(C系)(&C)"),
            QStringLiteral("言語3(Pascal系)(&D)"), QStringLiteral("言語4(Java)(&J)"),
            QStringLiteral("言語5(ML系)(&M)"),     QStringLiteral("言語6(Perl)(&P)"),
            QStringLiteral("言語7(Ruby)(&R)"),     QStringLiteral("言語8(&X)"),
            QStringLiteral("言語9(&Y)"),           QStringLiteral("言語10(&Z)")};
}

std::array<QString, DispExtListCount> defaultDispExtLists()
{
    return listsFrom(DefaultExtText);
}

std::array<std::array<int, ListColumnsPerSet>, ListColumnSets> defaultListColumnWidths()
{
    std::array<int, 47> all{};
    fillFrom(DefaultColumnText, all);
    std::array<std::array<int, ListColumnsPerSet>, ListColumnSets> sets{};
    for (int s = 0; s < ListColumnSets; ++s)
        for (int c = 0; c < ListColumnsPerSet; ++c)
            sets[size_t(s)][size_t(c)] = all[size_t(s * ListColumnsPerSet + c)];
    return sets;
}

std::array<int, SearchColumns> defaultSearchColumnWidths()
{
    std::array<int, 47> all{};
    fillFrom(DefaultColumnText, all);
    std::array<int, SearchColumns> search{};
    for (int c = 0; c < SearchColumns; ++c)
        search[size_t(c)] = all[size_t(42 + c)];
    return search;
}

QString programOfCommand(const QString& command)
{
    const qsizetype apostrophe = command.indexOf(u'\'');
    return apostrophe < 0 ? command : trimSpaces(command.left(apostrophe));
}

bool AppSettings::switchOn(int index) const
{
    return index >= 0 && index < SwitchCount && switches[size_t(index)];
}

void AppSettings::setSwitch(int index, bool on)
{
    if (index >= 0 && index < SwitchCount)
        switches[size_t(index)] = on;
}

int AppSettings::optionButton(int window) const
{
    const int w = window & 1;
    if (switchOn(FlagOptionSecond + w))
        return 2;
    return switchOn(FlagOptionFirst + w) ? 1 : 0;
}

void AppSettings::setOptionButton(int window, int choice)
{
    const int w = window & 1;
    setSwitch(FlagOptionFirst + w, choice == 1);
    setSwitch(FlagOptionSecond + w, choice == 2);
}

quint32 AppSettings::hiddenAttributeMask() const
{
    quint32 mask = 0;
    if (switchOn(FlagHideReadOnly))
        mask |= 1;
    if (switchOn(FlagHideHidden))
        mask |= 2;
    if (switchOn(FlagHideSystem))
        mask |= 4;
    if (switchOn(FlagHideCompressed))
        mask |= 2048;
    return mask;
}

QStringList settingsKeys()
{
    return {QStringLiteral("ApType"),         QStringLiteral("ApMode"),
            QStringLiteral("FDrvNr_WndStt"),  QStringLiteral("FlgXX"),
            QStringLiteral("FlgYY"),          QStringLiteral("FlgTVH"),
            QStringLiteral("PicSizeAutoMan"), QStringLiteral("FlgMsgBoxPos"),
            QStringLiteral("ButtonVal"),      QStringLiteral("Path"),
            QStringLiteral("Frm1Size"),       QStringLiteral("FontSizeIndex"),
            QStringLiteral("Scroll"),         QStringLiteral("Sort"),
            QStringLiteral("ColWidth"),       QStringLiteral("FrmLeft"),
            QStringLiteral("FrmTop"),         QStringLiteral("DlgSizeHW"),
            QStringLiteral("BookMarks"),      QStringLiteral("BookMarkData"),
            QStringLiteral("ExtTitle"),       QStringLiteral("Ext"),
            QStringLiteral("TblSz"),          QStringLiteral("ExeTbl"),
            QStringLiteral("ImgCount"),       QStringLiteral("ImgKeys")};
}

AppSettings readSettings(const QString& text, const SettingsContext& context)
{
    AppSettings s;
    const auto get = [&text](const char* key, const QString& defaultValue) {
        return getIniValue(text, QLatin1String(key), defaultValue);
    };
    const auto checked = [&text](const char* key, const QString& defaultValue, int count, int min,
                                 int max) {
        return getIniValue(text, QLatin1String(key), defaultValue, true, count, min, max);
    };

    // Function mode: the first character of ApMode counts, and only with the
    // extended marker.
    const bool extended = get("ApType", QString()) == QLatin1String("x");
    const QString apMode = get("ApMode", QString());
    const int mode = !apMode.isEmpty() && apMode.at(0) >= u'0' && apMode.at(0) <= u'9'
                         ? apMode.at(0).unicode() - u'0'
                         : 0;
    s.functionMode = !extended ? ModeBasic : (mode >= 1 && mode <= 3 ? mode : ModeExtended1);

    std::array<int, 2> drive{2, 0};
    splitValues(checked("FDrvNr_WndStt", QStringLiteral("2,0,"), 2, 0, 2), drive);
    s.aDriveHandling = drive[0] == 1 && context.driveAExists ? 1 : 2;
    s.windowState = drive[1];

    {
        // Only an item that is exactly "1" counts as on.
        QString rest = checked("FlgXX", DefaultSwitchText, SwitchCount, 0, 1);
        for (bool& flag : s.switches)
            flag = nextToken(rest, u',') == QLatin1String("1");
    }
    {
        QString rest = checked("FlgYY", QStringLiteral("0,0,0,"), 2, 0, 2);
        for (int k = 0; k < 2; ++k) {
            const QString item = nextToken(rest, u',');
            s.capabilities[size_t(k)] = item == QLatin1String("1");
            s.probeNeeded[size_t(k)] = item == QLatin1String("0");
        }
    }
    {
        std::array<int, 9> tvh{};
        splitValues(checked("FlgTVH", QStringLiteral("0,0,0,0,0,0,0,0,0,"), 9, 0, 1), tvh);
        for (size_t i = 0; i < tvh.size(); ++i)
            s.collapseFlags[i] = tvh[i] == 1;
    }
    splitValues(checked("PicSizeAutoMan", QStringLiteral("3,3,3,"), 3, 0, 3), s.zoomModes);
    s.messagesAtRememberedPosition =
        integerOf(checked("FlgMsgBoxPos", QStringLiteral("0"), 1, 0, 1).section(u',', 0, 0)) == 1;
    s.buttonVal =
        integerOf(checked("ButtonVal", QStringLiteral("0,"), 1, 0, 1).section(u',', 0, 0));

    const QString home = homeListFolder(context);
    {
        QString rest = get("Path", TreeTopComputer + u',' + home + u',' + TreeTopComputer + u',' +
                                       home + u',');
        for (QString& item : s.paths)
            item = nextToken(rest, u',');
    }

    {
        const QSize screen(context.screenWidthTwips, context.screenHeightTwips);
        s.mainWindow = defaultFrm1Size(context.designedTop, context.designedLeft, screen);
        splitValues(get("Frm1Size", joinValues(s.mainWindow)), s.mainWindow);
        checkFrm1Size(s.mainWindow, screen);
    }
    s.fontSizeIndex =
        integerOf(checked("FontSizeIndex", QStringLiteral("0,"), 1, 0, 3).section(u',', 0, 0));
    splitValues(checked("Scroll", QStringLiteral("350,700,400,700,350,700,"), 6, 0, 1000),
                s.divisions);
    splitValues(checked("Sort", QStringLiteral("0,0,"), 2, 0, 13), s.sort);

    {
        std::array<int, 47> widths{};
        if (!columnWidthsValid(get("ColWidth", DefaultColumnText), context.screenWidthTwips,
                               widths))
            fillFrom(DefaultColumnText, widths);
        for (int set = 0; set < ListColumnSets; ++set)
            for (int c = 0; c < ListColumnsPerSet; ++c)
                s.listColumnWidths[size_t(set)][size_t(c)] =
                    widths[size_t(set * ListColumnsPerSet + c)];
        for (int c = 0; c < SearchColumns; ++c)
            s.searchColumnWidths[size_t(c)] = widths[size_t(42 + c)];
    }
    splitValues(get("FrmLeft", QStringLiteral("400,400,400,400,400,400,400,400,")), s.dialogLeft);
    splitValues(get("FrmTop", QStringLiteral("300,300,300,300,300,300,300,300,")), s.dialogTop);
    splitValues(get("DlgSizeHW", QStringLiteral("100,100,100,100,100,100,")), s.dialogSize);

    {
        const int count =
            qBound(0, integerOf(get("BookMarks", QString()).section(u',', 0, 0)), MaxBookmarks);
        QString rest = count > 0 ? get("BookMarkData", QString()) : QString();
        for (int i = 0; i < count; ++i) {
            const QString entry = nextToken(rest, u';');
            if (entry.isEmpty())
                break;
            // Paths hold "/" themselves; the comment is what follows the last.
            const qsizetype slash = entry.lastIndexOf(u'/');
            if (slash < 0)
                s.bookmarks.append({entry, QString()});
            else
                s.bookmarks.append({entry.left(slash), entry.mid(slash + 1)});
        }
    }

    QString extText = DefaultExtText;
    {
        const QString titles = get("ExtTitle", QString());
        bool apply = true;
        std::array<QString, ExtTitleCount> captions;
        if (!titles.isEmpty()) {
            QString rest = titles;
            for (QString& caption : captions) {
                caption = nextToken(rest, u'/');
                if (caption.size() > MaxCaptionLength)
                    apply = false;
            }
            if (apply)
                s.extTitles = captions;
        }
        if (apply)
            extText = get("Ext", DefaultExtText);
    }
    s.dispExtList = listsFrom(extText);
    s.dispExtList[0] = reducedToArchives(s.dispExtList[0], context.archiveExtensions);

    {
        const int size = integerOf(
            checked("TblSz", QStringLiteral("0,"), 1, 0, MaxAssociations).section(u',', 0, 0));
        QString rest = size > 0 ? get("ExeTbl", QString()) : QString();
        int runningBytes = 0;
        for (int i = 0; i < size && s.associations.size() < MaxAssociations; ++i) {
            const QString entry = nextToken(rest, u';');
            const qsizetype slash = entry.indexOf(u'/');
            const QString extension =
                (slash < 0 ? entry : entry.left(slash)).left(MaxExtensionChars);
            const QString command = slash < 0 ? QString() : entry.mid(slash + 1);
            runningBytes += ansiByteLength(extension + command) + 2;
            if (runningBytes > MaxAssociationBytes)
                break;
            if (extension.isEmpty() || !extensionValid(extension))
                continue;
            const QString program = programOfCommand(command);
            const bool programValid =
                context.programPathValid ? context.programPathValid(program) : !program.isEmpty();
            if (programValid)
                s.associations.append({extension, command});
        }
    }

    if (s.functionMode == ModeExtended3) {
        s.imageCount = integerOf(
            checked("ImgCount", QStringLiteral("0,"), 1, 0, MaxImageCount).section(u',', 0, 0));
        s.imageKeys = get("ImgKeys", QString());
        if (!imageKeysValid(s.imageKeys))
            s.imageKeys.clear();
    }
    return s;
}

QString writeSettings(const AppSettings& settings, int resetMode, const SettingsContext& context)
{
    if (resetMode == ResetAll)
        return QString();
    IniTextWriter out;
    const auto put = [&out](int section, const char* key, const QString& value) {
        out.putIniValue(section, QLatin1String(key), value);
    };
    const auto flags = [](const auto& values) {
        QString text;
        for (const bool on : values)
            text += on ? QStringLiteral("1,") : QStringLiteral("0,");
        return text;
    };

    if (resetMode != ResetPositions) {
        const bool extended =
            settings.functionMode >= ModeExtended1 && settings.functionMode <= ModeExtended3;
        if (extended)
            put(SectionMain, "ApType", QStringLiteral("x"));
        put(SectionMain, "ApMode", QString::number(extended ? settings.functionMode : 0));
        put(SectionPosition, "FDrvNr_WndStt",
            joinValues(std::array<int, 2>{settings.aDriveHandling, settings.windowState}));
        put(SectionPosition, "FlgXX", flags(settings.switches));
        QString probes;
        for (const bool on : settings.capabilities)
            probes += on ? QStringLiteral("1,") : QStringLiteral("2,");
        put(SectionPosition, "FlgYY", probes);
        put(SectionPosition, "FlgTVH", flags(settings.collapseFlags));
        put(SectionPosition, "PicSizeAutoMan", joinValues(settings.zoomModes));
        put(SectionPosition, "FlgMsgBoxPos",
            settings.messagesAtRememberedPosition ? QStringLiteral("1") : QStringLiteral("0"));
        put(SectionPosition, "ButtonVal", QString::number(settings.buttonVal) + u',');

        std::array<QString, 4> paths = settings.paths;
        for (int w = 0; w < 2; ++w) {
            QString& top = paths[size_t(2 * w)];
            QString& folder = paths[size_t(2 * w + 1)];
            if (folder.isEmpty() || folder == ComputerNodeText) {
                top = homeListFolder(context);
                folder = top;
            }
            top = storablePathItem(top);
            folder = storablePathItem(folder);
        }
        QString pathText;
        for (const QString& item : paths)
            pathText += item + u',';
        put(SectionPosition, "Path", pathText);

        put(SectionPosition, "Frm1Size", joinValues(settings.mainWindow));
        put(SectionPosition, "FontSizeIndex", QString::number(settings.fontSizeIndex) + u',');
        put(SectionPosition, "Scroll", joinValues(settings.divisions));
        put(SectionPosition, "Sort", joinValues(settings.sort));
        QString widths;
        for (const auto& set : settings.listColumnWidths)
            widths += joinValues(set);
        widths += joinValues(settings.searchColumnWidths);
        put(SectionPosition, "ColWidth", widths);
        put(SectionPosition, "FrmLeft", joinValues(settings.dialogLeft));
        put(SectionPosition, "FrmTop", joinValues(settings.dialogTop));
        put(SectionPosition, "DlgSizeHW", joinValues(settings.dialogSize));

        // A path with ";" or a line break cannot be told from the next entry
        // (and one with "key=" would hide that key); such a bookmark is left
        // out rather than spoiling what follows it.
        QString bookmarks;
        int bookmarkCount = 0;
        for (const Bookmark& mark : settings.bookmarks) {
            if (bookmarkCount == MaxBookmarks)
                break;
            if (breaksEntry(mark.path))
                continue;
            bookmarks += mark.path + u'/' + storableText(mark.comment) + u';';
            ++bookmarkCount;
        }
        if (bookmarkCount > 0) {
            put(SectionPosition, "BookMarks", QString::number(bookmarkCount));
            put(SectionPosition, "BookMarkData", bookmarks);
        }
    }

    if (resetMode != ResetExtensions) {
        QString titles;
        for (const QString& caption : settings.extTitles)
            titles += storableText(caption) + u'/';
        put(SectionDispExt, "ExtTitle", titles);
        QString lists;
        for (QString list : settings.dispExtList) {
            // A ";" would shift every later list by one.
            list.replace(u';', u',');
            list.replace(u'\r', u',');
            list.replace(u'\n', u',');
            lists += list + u';';
        }
        put(SectionDispExt, "Ext", lists);
    }

    if (resetMode != ResetAssociations) {
        QString entries;
        int count = 0;
        for (const Association& entry : settings.associations) {
            if (count == MaxAssociations)
                break;
            if (entry.extension.isEmpty() || entry.extension.contains(u'/') ||
                breaksEntry(entry.extension) || breaksEntry(entry.command))
                continue;
            entries += entry.extension + u'/' + entry.command + u';';
            ++count;
        }
        if (count > 0) {
            put(SectionExeTbl, "TblSz", QString::number(count) + u',');
            put(SectionExeTbl, "ExeTbl", entries);
        }
    }

    const int imageCount = resetMode == ResetImages ? 0 : settings.imageCount;
    if (settings.functionMode == ModeExtended3 && !out.text().isEmpty() && imageCount >= 1) {
        put(SectionPosition, "ImgCount", QString::number(imageCount) + u',');
        put(SectionPosition, "ImgKeys", settings.imageKeys);
    }
    return out.text();
}

} // namespace tovane
