#include "ops/shortcuts.h"

#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/operationhost.h"
#include "ops/operationtexts.h"
#include "platform/names.h"
#include "platform/shortcutfiles.h"
#include "platform/system.h"

#include <cerrno>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");
constexpr quint32 ProtectedBits = AttrReadOnly | AttrHidden | AttrSystem;

bool hasEscapedByte(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            return true;
    return false;
}

bool hasForbiddenControl(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0x7F)
            return true;
    }
    return false;
}

// Failures of the folder rather than of the item: every further item would
// fail the same way.
bool failsTheFolder(int error)
{
    switch (error) {
    case EROFS:
    case ENOSPC:
    case EDQUOT:
    case EACCES:
    case EPERM:
    case ENOENT:
    case ENOTDIR:
    case EIO:
        return true;
    default:
        return false;
    }
}

} // namespace

QString shortcutTitle()
{
    return QStringLiteral("ショートカット作成");
}

QString shortcutSuffix()
{
    return QStringLiteral("へのショートカット");
}

bool isShortcutFile(const QString& name)
{
    return extensionOf(name).toLower() == QLatin1String("desktop");
}

bool shortcutDestinationOffered(int destination)
{
    return destination >= ShortcutSelectedPath && destination <= ShortcutToNode &&
           destination != ShortcutQuickLaunch;
}

bool writesDesktopEntry(int destination)
{
    return destination == ShortcutStartMenu || destination == ShortcutStartup;
}

QString shortcutPlaceName(int destination)
{
    switch (destination) {
    case ShortcutDesktop:
        return QStringLiteral("デスクトップ") + QStringLiteral(" に");
    case ShortcutStartMenu:
        return QStringLiteral("スタートメニュー") + QStringLiteral(" に");
    case ShortcutStartup:
        return QStringLiteral("スタートアップ") + QStringLiteral(" に");
    default:
        return QString();
    }
}

QString shortcutQuestion(int items, const QString& singleName, bool driveList,
                         const QString& destinationName, bool confirmationMessages,
                         bool shortcutFilesMarked)
{
    QString text;
    if (confirmationMessages) {
        const QString phrase = items == 1 ? (driveList ? QStringLiteral("ドライブ ") : QString()) +
                                                singleName + QStringLiteral(" の") + crlf
                                          : QString::number(items) + QStringLiteral(" 項目の");
        text = phrase + QStringLiteral("ショートカットを") + crlf + crlf + destinationName +
               QStringLiteral("作成します。");
    } else {
        text = QStringLiteral("指定選択項目のショートカットを作成します。");
    }
    if (shortcutFilesMarked)
        text += crlf + crlf + QStringLiteral("（ショートカット項目は対象外です。）");
    if (items > 1)
        text += crlf + crlf + QStringLiteral("注意！　複数項目が対象です。");
    return text;
}

QString volumeShortcutName(const QString& rowText)
{
    QString name = rowText.trimmed();
    name.replace(u'/', QChar(0xFF0F));
    return name;
}

QString shortcutFailureText(const QString& target, const QString& shortcutPath, int error,
                            bool runEnds)
{
    QString reason;
    switch (error) {
    case EEXIST:
        reason = shortcutPath + crlf + QStringLiteral("は既に存在します。");
        break;
    case EILSEQ:
        reason = QStringLiteral("名前に UTF-8 でない文字コードを含むので、") + crlf +
                 QStringLiteral("デスクトップエントリには書けません。");
        break;
    case EINVAL:
        reason = QStringLiteral("名前に制御文字を含むので、") + crlf +
                 QStringLiteral("デスクトップエントリには書けません。");
        break;
    default:
        reason = shortcutPath + crlf + PathChecker::systemErrorText(error);
        break;
    }
    QString text = reason + crlf + crlf + target + crlf +
                   QStringLiteral("へのショートカットは作成できませんでした。");
    if (runEnds)
        text += crlf + crlf + QStringLiteral("処理を終了します。");
    return text;
}

QString quotedExecArgument(const QString& argument)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\';
        else if (c == u'%')
            out += u'%';
        out += c;
    }
    return out + u'"';
}

QString escapedEntryValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

int desktopEntryText(const QString& title, const QString& target, const QString& folder,
                     bool executable, QByteArray& out)
{
    for (const QString* s : {&title, &target, &folder}) {
        if (hasEscapedByte(*s))
            return EILSEQ;
        if (hasForbiddenControl(*s))
            return EINVAL;
    }
    const QString exec = executable ? quotedExecArgument(target)
                                    : QStringLiteral("xdg-open ") + quotedExecArgument(target);
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Version=1.0\n");
    text += QStringLiteral("Name=") + escapedEntryValue(title) + u'\n';
    text += QStringLiteral("Exec=") + escapedEntryValue(exec) + u'\n';
    text += QStringLiteral("Path=") + escapedEntryValue(folder) + u'\n';
    text += QStringLiteral("Terminal=false\n");
    out = text.toUtf8();
    return 0;
}

ShortcutFolders userShortcutFolders()
{
    ShortcutFolders f;
    f.desktop = addSeparator(platform::desktopFolder());
    f.startMenu = addSeparator(platform::applicationsFolder());
    f.startup = addSeparator(platform::autostartFolder());
    return f;
}

ShortcutMaker::ShortcutMaker(OperationContext& context) : m_context(context) {}

QString ShortcutMaker::destinationFolder(WindowIndex selected, int destination,
                                         const QString& nodePath, QString& name) const
{
    OperationHost& host = m_context.host;
    const QString selectedFolder = addSeparator(host.folderPath(selected));
    const QString oppositeFolder = addSeparator(host.folderPath(oppositeOf(selected)));
    switch (destination) {
    case ShortcutSelectedPath:
        name = QStringLiteral("選択窓の表示パス に");
        return selectedFolder;
    case ShortcutOppositePath:
        name = destinationPhrase(selectedFolder, oppositeFolder, true, host.twoWindowsShown());
        return oppositeFolder;
    case ShortcutDesktop:
        name = shortcutPlaceName(destination);
        return addSeparator(folders.desktop);
    case ShortcutStartMenu:
        name = shortcutPlaceName(destination);
        return addSeparator(folders.startMenu);
    case ShortcutStartup:
        name = shortcutPlaceName(destination);
        return addSeparator(folders.startup);
    case ShortcutToNode: {
        const QString node = addSeparator(nodePath);
        name =
            destinationPhrase(selectedFolder, node, node == oppositeFolder, host.twoWindowsShown());
        return node;
    }
    default:
        return QString();
    }
}

QList<ShortcutMaker::Item> ShortcutMaker::items(WindowIndex selected, int& shortcutFiles,
                                                QString& singleName, bool& driveList) const
{
    QList<Item> list;
    shortcutFiles = 0;
    const FileListModel* model = m_context.host.listModel(selected);
    if (!model)
        return list;
    driveList = model->layout() == ListLayout::Drives;
    if (driveList) {
        const int row = currentRow ? currentRow(selected) : -1;
        if (row >= 0 && row < model->count()) {
            const DriveRow& d = model->driveAt(row);
            list.append({d.mountPoint, volumeShortcutName(d.text), d.mountPoint});
            singleName = d.mountPoint;
        }
        return list;
    }
    const QString folder = addSeparator(m_context.host.folderPath(selected));
    for (int row = 0, n = model->count(); row < n; ++row) {
        if (!model->marked(row))
            continue;
        const QString name = model->rowAt(row).record.name;
        if (isShortcutFile(name)) {
            ++shortcutFiles;
            continue;
        }
        list.append({folder + name, name, stripSeparator(folder)});
        singleName = name;
    }
    return list;
}

int ShortcutMaker::itemCount(WindowIndex selected) const
{
    int shortcutFiles = 0;
    QString name;
    bool driveList = false;
    return int(items(selected, shortcutFiles, name, driveList).size());
}

int ShortcutMaker::run(WindowIndex selected, int destination, const QString& nodePath)
{
    m_created.clear();
    m_failed = 0;
    if (!shortcutDestinationOffered(destination))
        return 1;
    OperationHost& host = m_context.host;
    MessageService& messages = m_context.messages;
    ProgressService& progress = m_context.progress;

    int shortcutFiles = 0;
    QString singleName;
    bool driveList = false;
    const QList<Item> list = items(selected, shortcutFiles, singleName, driveList);
    if (list.isEmpty())
        return 1;
    QString destinationName;
    const QString folder = destinationFolder(selected, destination, nodePath, destinationName);
    if (folder.isEmpty() || !folder.startsWith(u'/'))
        return 1;

    const QString question =
        shortcutQuestion(int(list.size()), singleName, driveList, destinationName,
                         messages.confirmationMessages(), shortcutFiles > 0);
    if (messages.showMessage(question, ButtonsOkCancel, shortcutTitle()) != AnswerYes)
        return 3;

    const bool entries = writesDesktopEntry(destination);
    if (entries)
        platform::ensureFolder(folder); // the check below reports a failure
    const int check = checkWithRepair ? checkWithRepair(selected, folder)
                      : m_context.checker
                          ? m_context.checker->checkPath(selected, folder, QString(), true)
                          : (platform::pathExists(stripSeparator(folder)) ? 0 : CheckPathMissing);
    if (check != CheckAvailable)
        return 4;
    // The dot names of the XDG base folders hide nothing the user chose to protect.
    const QString stop = entries ? stripSeparator(parentOf(stripSeparator(folder))) : QString();
    const quint32 bits = pathAttributes(stripSeparator(folder), stop) & ProtectedBits;
    if (bits) {
        DialogRequest request;
        request.kind = ConfirmDestAttr;
        request.attributeMask = quint16(bits);
        request.folder = folder;
        request.title = shortcutTitle();
        const qint16 answer = messages.confirm(request, progress.interruptRequested());
        if (answer != AnswerYes && answer != AnswerYesAll)
            return 3;
    }

    BusyScope busy(progress);
    progress.clearInterrupt();
    progress.showProgress(ProgressService::PointerBusy,
                          QStringLiteral("指定選択項目のショートカットを作成中 ") +
                              host.pathText(selected),
                          ProgressService::SetPointer | ProgressService::SetText);
    int result = 0;
    for (const Item& item : list) {
        if (progress.pumpEvents()) {
            result = 3;
            break;
        }
        QString path;
        const int error = makeOne(item, folder, entries, path);
        if (error == 0) {
            m_created.append(path);
            continue;
        }
        ++m_failed;
        const bool ends = failsTheFolder(error);
        // The end of the run is told also without confirmation messages.
        if (messages.confirmationMessages() || ends)
            messages.showMessage(shortcutFailureText(item.target, path, error, ends), ButtonsOk,
                                 shortcutTitle());
        if (ends)
            break;
    }
    progress.showProgress(ProgressService::PointerDefault, QString(),
                          ProgressService::SetPointer | ProgressService::SetText);
    if (!m_created.isEmpty())
        for (const WindowIndex w : {LeftWindow, RightWindow})
            if (addSeparator(host.folderPath(w)) == folder)
                host.markForRefresh(w);
    return result;
}

int ShortcutMaker::makeOne(const Item& item, const QString& folder, bool entry, QString& path)
{
    const QString title = item.name + shortcutSuffix();
    if (!entry) {
        path = folder + title;
        return platform::createSymlink(item.target, path);
    }
    path = folder + title + QStringLiteral(".desktop");
    const bool executable =
        isExecutable ? isExecutable(item.target) : platform::isExecutableProgram(item.target);
    const QString workFolder = executable ? stripSeparator(parentOf(item.target)) : item.folder;
    QByteArray text;
    if (const int error = desktopEntryText(title, item.target, workFolder, executable, text))
        return error;
    return platform::writeNewFile(path, text);
}

} // namespace tovane
