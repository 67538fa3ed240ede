#include "fs/namevalidation.h"

#include "core/messageservice.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"

namespace tovane {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString SetA = QStringLiteral("\\:\"/<>|*?");
const QString ReservedNames =
    QStringLiteral(" CON, AUX, COM1, COM2, COM3, COM4, LPT1, LPT2, LPT3, PRN, NUL,");

int normalKind(int kind)
{
    return kind < NameKindPlain || kind > NameKindExtension ? NameKindPlain : kind;
}

QString labelOf(int kind)
{
    if (kind == NameKindPath)
        return QStringLiteral("パス名");
    if (kind == NameKindExtension)
        return QStringLiteral("拡張子");
    return QStringLiteral("名前");
}

// Only ASCII spaces, as the classic Trim removes; a full-width space is a
// character of the name (caught by the space checks on the narrowed text).
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

// NUL can never be part of a Linux name and would cut the path short in
// every system call, so it counts as an invalid character of every kind.
bool containsAny(const QString& text, const QString& set)
{
    for (const QChar c : text)
        if (c == QChar(u'\0') || set.contains(c))
            return true;
    return false;
}

class Checker {
public:
    Checker(const NameCheckContext& context, const QString& title, bool show)
        : m_context(context), m_title(title), m_show(show)
    {
    }

    int fail(int code, const QString& message) const
    {
        if (m_show && m_context.messages && m_context.messages->confirmationMessages())
            m_context.messages->showMessage(message, ButtonsOk, m_title);
        return code;
    }

    bool askYes(const QString& question) const
    {
        if (!m_context.messages)
            return false;
        int answer = MsgNo;
        m_context.messages->showMessage(question, ButtonsYesNo, m_title, true, answer);
        return answer == MsgYes;
    }

private:
    const NameCheckContext& m_context;
    QString m_title;
    bool m_show;
};

} // namespace

QString invalidCharactersOf(int kind)
{
    switch (normalKind(kind)) {
    case NameKindPattern:
    case NameKindPatternAnyExtension:
        return QStringLiteral("\\:\"/<>|");
    case NameKindPath:
        return QStringLiteral("\\:\"<>|*?");
    case NameKindExtension:
        return QStringLiteral(".") + SetA;
    default:
        return SetA;
    }
}

QString invalidFolderCharacters()
{
    return QStringLiteral("\"<>|*?");
}

QString narrowWidth(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QChar(u' ');
    }
    return out;
}

int validateName(const NameCheckContext& context, const QString& folder, const QString& name,
                 const QString& oldName, const QString& title, int kind, bool allowLeadingDot,
                 bool show)
{
    kind = normalKind(kind);
    const Checker check(context, title, show);
    const QString sep(PathSeparator);
    const QString trimmed = trimSpaces(name);
    const QString lower = trimmed.toLower();
    const QString narrow = narrowWidth(name);
    const QString label = labelOf(kind);

    // 1. Spaces and dots at the ends of the name or of a path component.
    if (!(name.isEmpty() && kind == NameKindPath)) {
        if (narrow.contains(sep + u' ') || (narrow.startsWith(u' ') && kind != NameKindExtension))
            return check.fail(NameBadSpace, QStringLiteral("先頭のスペースは無効です。"));
        if (narrow.contains(u' ' + sep) ||
            (name.size() > 1 && narrow.endsWith(u' ') && kind < NameKindPattern))
            return check.fail(NameBadSpace, QStringLiteral("末尾のスペースは無効です。"));
        if (kind != NameKindExtension) {
            if (lower.isEmpty())
                return check.fail(NameNoTitle,
                                  QStringLiteral("名前のタイトル部が入力されていません。"));
            if (!allowLeadingDot && (lower.startsWith(u'.') || lower.contains(sep + u'.')))
                return check.fail(NameBadDot, QStringLiteral("先頭のドット( . )は無効です。"));
            const bool trailingDot = kind == NameKindPath     ? lower.endsWith(u'.' + sep)
                                     : kind <= NameKindRename ? lower.endsWith(u'.')
                                                              : false;
            if (trailingDot)
                return check.fail(NameBadDot, QStringLiteral("末尾のドット( . )は無効です。"));
        }
    }

    // 2. (Drive letters do not exist here: an empty folder part needs no check.)

    // 3. Invalid characters.
    QString head = QStringLiteral("入力された ") + name + QStringLiteral(" には") + CrLf + CrLf;
    const QString set = invalidCharactersOf(kind);
    if (containsAny(lower, set)) {
        QString listed;
        for (const QChar c : set)
            listed += c + QStringLiteral(" ");
        return check.fail(NameInvalidCharacter,
                          head + label + QStringLiteral("に使用できない文字  ") + listed +
                              QStringLiteral(" があります。") + CrLf + CrLf + CrLf +
                              QStringLiteral("他の名前に変えてください。"));
    }
    if (kind == NameKindPath && containsAny(folder, invalidFolderCharacters()))
        return NameInvalidCharacter;

    // 4. Extension length.
    if (kind == NameKindNewFile || kind == NameKindRename || kind == NameKindPattern ||
        kind == NameKindExtension) {
        const QString extension = kind == NameKindExtension ? lower : extensionOf(lower);
        if (extension.size() > MaxExtensionLength)
            return check.fail(NameExtensionTooLong, QStringLiteral("拡張子 ") + extension +
                                                        QStringLiteral(" の") + CrLf + CrLf +
                                                        QStringLiteral("文字数が上限（") +
                                                        QString::number(MaxExtensionLength) +
                                                        QStringLiteral("文字）を超えています。"));
    }

    // 5. Reserved device names before the last separator.
    if (kind <= NameKindPath) {
        const QChar separator = kind == NameKindPath ? PathSeparator : QChar(u'.');
        const QString upper = name.toUpper();
        QString pieces = upper.left(upper.lastIndexOf(separator) + 1);
        while (!pieces.isEmpty()) {
            const QString piece = nextToken(pieces, separator);
            if (ReservedNames.contains(u' ' + piece + u','))
                return check.fail(NameReserved,
                                  head + label + QStringLiteral("の予約語が使われています。") +
                                      CrLf + CrLf + QStringLiteral("   ") + ReservedNames + CrLf +
                                      CrLf + CrLf + QStringLiteral("他の名前に変えてください。"));
        }
    }

    // 6. Name already used in the folder (letter case ignored, exact match wins).
    if (kind <= NameKindRename) {
        head = QStringLiteral("入力された名前 ") + name + QStringLiteral(" は") + CrLf + CrLf;
        const QString tail = QStringLiteral("対象フォルダ内で既に使われています。") + CrLf + CrLf +
                             QStringLiteral("大文字と小文字は区別されません。") + CrLf + CrLf +
                             CrLf;
        const QString existsMessage =
            head + tail + QStringLiteral("他の名前に変えてください。") + CrLf + CrLf +
            QStringLiteral("半角文字と倍角文字は異なる文字として扱われます。");
        ItemRecord found;
        const bool canLook = !folder.isEmpty();
        if (kind == NameKindRename && name.compare(oldName, Qt::CaseInsensitive) == 0) {
            if (name == oldName)
                return NameNothingToDo;
            // A change of case only. On a case-sensitive file system another
            // entry may carry exactly the new name; renaming onto it would
            // replace it.
            if (canLook && platform::lookupEntry(folder, trimmed, found) == 0 &&
                found.name == trimmed)
                return check.fail(NameExists, existsMessage);
        } else if (canLook && platform::lookupEntry(folder, trimmed, found) == 0) {
            if (kind == NameKindNewFile && !found.isFolder() && !found.linkToFolder) {
                if (!check.askYes(head + tail + QStringLiteral("上書き保存しますか ？")))
                    return NameNothingToDo;
            } else {
                return check.fail(NameExists, existsMessage);
            }
        }
    }

    // 7. Extension change. Without an old name there is nothing that changes.
    if (kind >= NameKindNewFile && !oldName.isEmpty() && !context.editingNewText) {
        const QString oldLower = oldName.toLower();
        const QString oldExtension =
            kind == NameKindExtension ? trimSpaces(oldLower) : extensionOf(oldLower);
        const QString newExtension = kind == NameKindExtension ? lower : extensionOf(lower);
        if (oldExtension != newExtension &&
            !check.askYes(head + QStringLiteral("変更前の名前   ") + oldName +
                          QStringLiteral(" と") + CrLf + CrLf +
                          QStringLiteral("拡張子相当部が異なり、動作しなくなる恐れがあります。") +
                          CrLf + CrLf + CrLf + QStringLiteral("実行しますか ？")))
            return NameExtensionChangeDeclined;
    }
    return NameValid;
}

bool hasInvalidNameCharacter(const QString& name)
{
    return containsAny(name, SetA);
}

QString invalidNameWarningText(const QString& relativePath)
{
    return QStringLiteral("名前に使用できない文字を含むファイルがあります。") + CrLf + CrLf +
           relativePath;
}

QString designatedSelectionTitle()
{
    return QStringLiteral("指定選択");
}

} // namespace tovane
