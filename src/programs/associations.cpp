#include "programs/associations.h"

#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/pathrules.h"

namespace tovane {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString EditTitle = QStringLiteral("拡張子処理");

int nameEnd(const QString& text)
{
    const qsizetype a = text.indexOf(u'\'');
    const qsizetype b = text.indexOf(u'’');
    if (a < 0)
        return int(b < 0 ? text.size() : b);
    return int(b < 0 ? a : std::min(a, b));
}

} // namespace

int associationShare(const Association& entry)
{
    if (entry.command.isEmpty())
        return UnsetAssociationShare;
    return ansiByteLength(entry.extension + entry.command) + 2;
}

int associationTableSize(const QList<Association>& table)
{
    int size = 0;
    for (const Association& e : table)
        size += associationShare(e);
    return size;
}

QString programForExtension(const QList<Association>& table, const QString& extension)
{
    for (const Association& e : table) {
        if (e.extension == extension && !e.command.isEmpty())
            return programOfCommand(e.command);
    }
    return QString();
}

QString correctedExtension(const QString& typed)
{
    QString text = typed.toLower();
    static const QString removed = QStringLiteral(".\\:/<>|*?\"");
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (removed.contains(text.at(i)))
            text.remove(i, 1);
    }
    text = text.left(AssociationExtensionChars);
    if (QStringLiteral(" com, exe, lnk,").contains(u' ' + text + u','))
        text = text.left(2);
    return text;
}

bool extensionTextValid(const QString& text)
{
    return !text.isEmpty() && !text.endsWith(u' ');
}

QString correctedApplication(const QString& typed)
{
    const int end = nameEnd(typed);
    QString name = typed.left(end);
    const QString comment = typed.mid(end);
    // Programs here carry no extension: the name is taken as typed.
    static const QString removed = QStringLiteral("\\:/<>|\"");
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (removed.contains(name.at(i)) || name.at(i).unicode() < 0x20)
            name.remove(i, 1);
    }
    while (name.startsWith(u' '))
        name.remove(0, 1);
    const QString base = name.section(u'.', 0, 0).trimmed().toUpper();
    if (!base.isEmpty() &&
        QStringLiteral(" CON, AUX, COM1, COM2, COM3, COM4, LPT1, LPT2, LPT3, PRN, NUL,")
            .contains(u' ' + base + u',')) {
        const qsizetype dot = name.indexOf(u'.');
        name.remove((dot < 0 ? name.size() : dot) - 1, 1);
    }
    return (name + comment).left(AssociationApplicationChars);
}

QString programNameKey(const QString& text)
{
    return text.left(nameEnd(text)).trimmed().toLower();
}

void addProgramName(QStringList& names, const QString& text)
{
    const QString key = programNameKey(text);
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        if (programNameKey(names.at(i)) == key)
            names.removeAt(i);
    }
    names.append(text);
}

bool hasUnsetEntry(const QList<Association>& table)
{
    for (const Association& e : table) {
        if (!e.extension.isEmpty() && e.command.isEmpty())
            return true;
    }
    return false;
}

QString unsetEntryQuestion()
{
    return QStringLiteral("アプリケーションのファイル名／パス名が") + CrLf +
           QStringLiteral("セットされていない項目があります。") + CrLf + CrLf +
           QStringLiteral("         終了していいですか ？");
}

QString associationCaption(int command)
{
    switch (command) {
    case AssociationAdd:
        return QStringLiteral("拡張子追加(&A)");
    case AssociationChange:
        return QStringLiteral("拡張子変更(&C)");
    default:
        return QStringLiteral("拡張子削除(&D)");
    }
}

QString associationQuestion(int command, const QString& typed, const QString& current,
                            bool confirmMessages)
{
    const QString caption = associationCaption(command);
    QString text = caption.left(caption.indexOf(u'(')).mid(3) + QStringLiteral("します。");
    if (!confirmMessages)
        return text;
    if (command == AssociationChange)
        return QStringLiteral("拡張子 ") + current + QStringLiteral(" を") + CrLf + CrLf +
               QStringLiteral("表示されている拡張子 ") + typed + u' ' + u'に' + text;
    return QStringLiteral("表示されている拡張子 ") + typed + u' ' + u'を' + text;
}

ApplicationParts splitApplication(const QString& application)
{
    ApplicationParts parts;
    const int end = nameEnd(application);
    const QString head = application.left(end);
    parts.comment = application.mid(end);
    const qsizetype slash = head.lastIndexOf(u'/');
    parts.folder = slash < 0 ? QString() : head.left(slash + 1).trimmed();
    // The blanks before the comment belong to the name as it was typed.
    parts.name = head.mid(slash + 1);
    return parts;
}

AssociationEditor::AssociationEditor(QList<Association>& table, MessageService& messages,
                                     bool confirmMessages)
    : m_table(table), m_messages(messages), m_confirm(confirmMessages)
{
}

void AssociationEditor::load()
{
    m_extensions.clear();
    m_names.clear();
    // An entry without an extension cannot be shown or chosen.
    for (qsizetype i = m_table.size() - 1; i >= 0; --i) {
        if (m_table.at(i).extension.isEmpty())
            m_table.removeAt(i);
    }
    for (const Association& e : std::as_const(m_table)) {
        m_extensions.append(e.extension);
        if (!e.command.isEmpty()) {
            const ApplicationParts parts = splitApplication(e.command);
            addProgramName(m_names, parts.name + parts.comment);
        }
    }
    m_current = m_table.isEmpty() ? -1 : 0;
}

void AssociationEditor::setCurrent(int index)
{
    m_current = index >= 0 && index < m_table.size() ? index : (m_table.isEmpty() ? -1 : 0);
}

QString AssociationEditor::currentExtension() const
{
    return m_current >= 0 ? m_table.at(m_current).extension : QString();
}

QString AssociationEditor::currentApplication() const
{
    return m_current >= 0 ? m_table.at(m_current).command : QString();
}

AssociationEditor::Buttons AssociationEditor::buttonsFor(const QString& typed) const
{
    Buttons b;
    const bool valid = extensionTextValid(typed);
    const bool taken = m_extensions.contains(typed);
    b.add = size() < AssociationSizeLimit && m_table.size() < MaxAssociations && valid && !taken;
    b.change = !m_table.isEmpty() && m_current >= 0 && valid && !taken;
    b.remove = !m_table.isEmpty() && m_current >= 0 && valid && typed == currentExtension();
    return b;
}

bool AssociationEditor::ask(int command, const QString& typed)
{
    int answer = MsgCancel;
    m_messages.showMessage(associationQuestion(command, typed, currentExtension(), m_confirm),
                           ButtonsOkCancel, EditTitle, true, answer);
    return answer != MsgCancel;
}

bool AssociationEditor::add(const QString& typed)
{
    if (!buttonsFor(typed).add || !ask(AssociationAdd, typed))
        return false;
    m_table.append({typed, QString()});
    m_extensions.append(typed);
    m_current = int(m_table.size()) - 1;
    return true;
}

bool AssociationEditor::change(const QString& typed)
{
    if (!buttonsFor(typed).change || !ask(AssociationChange, typed))
        return false;
    m_table[m_current].extension = typed;
    m_extensions[m_current] = typed;
    return true;
}

bool AssociationEditor::remove(const QString& typed)
{
    if (!buttonsFor(typed).remove || !ask(AssociationDelete, typed))
        return false;
    const Association gone = m_table.takeAt(m_current);
    m_extensions.removeAt(m_current);
    if (!gone.command.isEmpty()) {
        const QString name = splitApplication(gone.command).name.toLower();
        bool used = false;
        for (const Association& e : std::as_const(m_table))
            used = used || e.command.toLower().contains(name);
        if (!used) {
            const QString key = programNameKey(name);
            for (qsizetype i = m_names.size() - 1; i >= 0; --i) {
                if (programNameKey(m_names.at(i)) == key)
                    m_names.removeAt(i);
            }
        }
    }
    if (m_current >= m_table.size())
        m_current = int(m_table.size()) - 1;
    return true;
}

void AssociationEditor::setApplication(const QString& application)
{
    if (m_current < 0)
        return;
    m_table[m_current].command = application;
    const ApplicationParts parts = splitApplication(application);
    addProgramName(m_names, parts.name + parts.comment);
}

bool AssociationEditor::closeAllowed()
{
    if (!hasUnsetEntry(m_table))
        return true;
    int answer = MsgCancel;
    m_messages.showMessage(unsetEntryQuestion(), ButtonsOkCancel, QStringLiteral("終了確認"), true,
                           answer);
    return answer != MsgCancel;
}

} // namespace tovane
