#include "archive/archiver.h"

#include "archive/archivebackends.h"
#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/namevalidation.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "list/filelistmodel.h"
#include "ops/operationhost.h"
#include "ops/operationtexts.h"
#include "platform/errortext.h"
#include "platform/filesystem.h"

#include <cerrno>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");

bool realFolder(const ItemRecord& r)
{
    return r.isFolder() && !r.isSymlink;
}

// The table entry whose absence or business a format's problem names.
int libraryOf(int format)
{
    switch (format) {
    case 0:
        return ArchiverLibraries::Cab;
    case 1:
        return ArchiverLibraries::Lzh;
    case 2:
        return ArchiverLibraries::ZipRead;
    default:
        return ArchiverLibraries::ZipWrite;
    }
}

int formatOfExtension(const QString& extension, bool compress)
{
    const QString e = extension.toLower();
    if (e == QLatin1String("cab"))
        return 0;
    if (e == QLatin1String("lzh"))
        return 1;
    if (e == QLatin1String("zip"))
        return compress ? 3 : 2;
    return -1;
}

// Whether `name` has an extension of the " ext," list.
bool inExtensionSet(const QString& set, const QString& name)
{
    const QString e = extensionOf(name).toLower();
    return !e.isEmpty() && set.contains(u' ' + e + u',');
}

// A folder we made, emptied again without following any link.
void eraseTree(const QString& folder)
{
    const QString path = addSeparator(folder);
    QList<ItemRecord> entries;
    listFolder(path, 0, [&](const ItemRecord& r) {
        entries.append(r);
        return true;
    }, nullptr);
    for (const ItemRecord& r : entries) {
        if (realFolder(r))
            eraseTree(path + r.name);
        else
            platform::deleteFile(path + r.name);
    }
    platform::deleteEmptyFolder(stripSeparator(path));
}

} // namespace

Archiver::Archiver(ArchiverContext context) : m_context(std::move(context)) {}

QString Archiver::interruptedText()
{
    return QStringLiteral("ユーザーによって中断されました。");
}

QString Archiver::extractFolderName(const QString& relativePath)
{
    QString name = relativePath;
    name.replace(u'/', u'_');
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name[dot] = u'_';
    return name;
}

PrepareResult Archiver::prepare(const QString& pathOrFormat, bool compress, bool showMessages,
                                int mode, const QString& title)
{
    PrepareResult r;
    const QString word = compress ? QStringLiteral(" 圧縮用の ") : QStringLiteral(" 解凍用の ");
    const QString extension =
        compress ? pathOrFormat.toLower() : extensionOf(fileNameOf(pathOrFormat)).toLower();
    r.format = formatOfExtension(extension, compress);
    if (r.format < 0) {
        r.result = 1;
        return r;
    }
    const int backEnd = r.format == 3 ? ArchiveZip : r.format;
    const int library = libraryOf(r.format);
    const QString libraryName = m_context.libraries.at(library).name;
    r.busy = ArchiveBackends::busy(backEnd);

    int systemError = 0;
    if (!compress) {
        ItemRecord record;
        systemError = platform::statPath(pathOrFormat, record);
        if (systemError == 0 && !r.busy)
            r.isArchive = ArchiveBackends::isArchive(pathOrFormat, backEnd);
    }
    const QString name = fileNameOf(pathOrFormat);
    if (!m_context.libraries.found(library)) {
        r.message = extension + word + libraryName + QStringLiteral(" が見つかりません。");
    } else if (r.busy) {
        r.message = extension + word + libraryName + QStringLiteral(" は他で使用中です。") + crlf +
                    crlf + QStringLiteral("少し時間をおいてから再試行してください。");
    } else if (systemError != 0) {
        r.message = QStringLiteral("ファイル ") + name + QStringLiteral(" については") + crlf + crlf +
                    platform::systemErrorText(systemError);
        r.result = 2;
    } else if (!r.isArchive) {
        r.message = QStringLiteral("ファイル ") + name + QStringLiteral(" は") + crlf + crlf +
                    QStringLiteral("書庫ではないので処理できません。");
    }

    if (r.message.isEmpty()) {
        if (mode == PrepareListDisplay || mode == PrepareList) {
            const int code = ArchiveBackends::list(pathOrFormat, backEnd, r.listing);
            if (code != 0) {
                r.listing.clear();
                r.result = code;
            }
        }
        return r;
    }
    if (r.result == 0)
        r.result = 1;
    const bool show = showMessages && !(m_context.slideShowRunning && m_context.slideShowRunning());
    if (show) {
        if (mode == PrepareListDisplay && m_context.clearListingBox)
            m_context.clearListingBox();
        if (m_context.messages.confirmationMessages()) {
            const bool question = mode == PrepareRun && !compress;
            r.answer = m_context.messages.showMessage(r.message, question ? ButtonsOkCancel : ButtonsOk,
                                                      title);
        }
    }
    return r;
}

// ---------------------------------------------------------------- command

bool Archiver::interrupted()
{
    m_context.progress.pumpEvents();
    return m_context.progress.interruptRequested();
}

bool Archiver::folderUsable(WindowIndex w, const QString& folder, bool show)
{
    if (folder.isEmpty())
        return false;
    if (m_context.checker &&
        m_context.checker->checkPath(w, folder, QString(), show) != CheckAvailable)
        return false;
    ItemRecord record;
    return platform::statPath(stripSeparator(folder), record) == 0 && record.isFolder();
}

void Archiver::walk(const QString& source, const QString& relative, int kind, Taken& taken)
{
    static thread_local std::shared_ptr<const QSet<QString>> boundaries;
    if (!boundaries)
        boundaries = volumeBoundaries();
    const QString folder = source + relative;
    QList<ItemRecord> folders;
    const quint32 mask = kind == KindExtract ? m_context.host.hiddenMask() : 0;
    listFolder(folder, mask, [&](const ItemRecord& r) {
        if (realFolder(r)) {
            // Another volume mounted below is not part of the folder.
            if (!boundaries->contains(folder + r.name))
                folders.append(r);
        } else if (!r.isSymlink || kind != KindExtract) {
            if (kind == KindCab && !r.isSymlink) {
                taken.names.append(relative + r.name);
            } else if (kind == KindExtract && inExtensionSet(
                                                  m_context.libraries.archiveExtensionSet(), r.name)) {
                taken.names.append(relative + r.name);
                ++taken.archives;
            }
        }
        return true;
    }, &m_context.progress);
    for (const ItemRecord& r : folders) {
        if (m_context.progress.interruptRequested())
            return;
        walk(source, relative + r.name + u'/', kind, taken);
    }
}

int Archiver::collect(WindowIndex selected, int kind, const QString& source, Taken& taken)
{
    const FileListModel* model = m_context.host.listModel(selected);
    if (!model || model->layout() != ListLayout::FolderItems)
        return 1;
    const bool allLevels = m_context.host.allLevels(selected);
    const QString archiveSet = m_context.libraries.archiveExtensionSet();
    for (int row = 0, n = model->count(); row < n; ++row) {
        if (!model->marked(row))
            continue;
        if (interrupted())
            return 3;
        if (!folderUsable(selected, source, true))
            return 4;
        const ItemRecord& listed = model->rowAt(row).record;
        // The item as it is now: one that went away is passed over.
        ItemRecord r;
        if (platform::lookupEntry(source, listed.name, r) != 0)
            continue;
        if (!realFolder(r)) {
            if (r.isSymlink && r.linkToFolder)
                continue;
            if (kind == KindExtract && !inExtensionSet(archiveSet, r.name))
                continue;
            taken.names.append(r.name);
            ++taken.files;
            continue;
        }
        if (!allLevels)
            continue;
        ++taken.folders;
        if (kind == KindLzh || kind == KindZip) {
            taken.names.append(r.name);
        } else {
            taken.walked = true;
            walk(source, r.name + u'/', kind, taken);
        }
    }
    return 0;
}

QString Archiver::confirmationText(int kind, const Taken& taken, const QString& phrase) const
{
    const bool compressing = kind != KindExtract;
    const QString verb = compressing ? QStringLiteral("圧縮") : QStringLiteral("解凍");
    if (!m_context.messages.confirmationMessages())
        return QStringLiteral("指定選択項目を") + verb + QStringLiteral("します。");
    QString what;
    const int designated = taken.files + taken.folders;
    if (designated > 1) {
        if (taken.folders == 0) {
            what = QString::number(taken.files) + QStringLiteral(" ファイル");
        } else {
            what = QString::number(taken.folders) + QStringLiteral(" フォルダ");
            if (taken.files > 0)
                what += QStringLiteral("と ") + QString::number(taken.files) + QStringLiteral(" ファイル");
        }
        if (!compressing && taken.walked)
            what += QStringLiteral(" （ 計 ") + QString::number(taken.names.size()) +
                    QStringLiteral(" 書庫ファイル ） ");
    } else {
        // The one designated item (a walked folder: the folder's name).
        what = taken.names.value(0).section(u'/', 0, 0);
    }
    if (compressing)
        return what + QStringLiteral(" を") + crlf + QStringLiteral("圧縮して") + crlf + crlf + phrase +
               crlf + crlf + ArchiverLibraries::extension(kind) +
               QStringLiteral(" 書庫ファイルを作成します。");
    return what + QStringLiteral("を") + crlf + crlf + phrase + crlf + crlf +
           QStringLiteral("書庫ファイル名対応フォルダを作成して解凍します。");
}

int Archiver::run(WindowIndex selected, int kind, const QString& fixedDestination)
{
    m_failures = 0;
    if (kind < KindCab || kind > KindExtract)
        return 1;
    OperationHost& host = m_context.host;
    ProgressService& progress = m_context.progress;
    const WindowIndex opposite = oppositeOf(selected);
    const QString label = host.pathText(selected);
    const bool compressing = kind != KindExtract;
    const QString verb = compressing ? QStringLiteral("圧縮") : QStringLiteral("解凍");
    const QString source = host.folderPath(selected);
    const bool fixed = !fixedDestination.isEmpty();
    const QString destination = fixed ? addSeparator(fixedDestination) : host.folderPath(opposite);
    if (source.isEmpty() || destination.isEmpty())
        return 4;

    Taken taken;
    int collected = 0;
    {
        BusyScope busy(progress);
        progress.clearInterrupt();
        progress.showProgress(ProgressService::PointerBusy,
                              label + QStringLiteral("書庫処理対象項目数を計算中 "),
                              ProgressService::SetPointer | ProgressService::SetText);
        collected = collect(selected, kind, source, taken);
        progress.showProgress(ProgressService::PointerDefault, QString(),
                              ProgressService::SetPointer | ProgressService::SetText);
    }
    if (collected != 0)
        return collected;
    if (taken.names.isEmpty()) {
        m_context.messages.showMessage(verb + QStringLiteral("対象ファイルがありません。"), ButtonsOk,
                                       verb);
        return 1;
    }
    const QString phrase = destinationPhrase(source, destination,
                                             host.folderPath(opposite) == destination,
                                             host.twoWindowsShown());
    if (m_context.messages.showMessage(confirmationText(kind, taken, phrase), ButtonsOkCancel, verb) !=
        AnswerYes)
        return 3;
    if (compressing)
        return compress(selected, kind, source, destination, taken, fixed);
    return extract(selected, source, destination, taken);
}

QString Archiver::compressFailedText(int format, const QString& archivePath, int code)
{
    switch (format) {
    case 1:
        if (code == LzhInterrupted || code == LzhNothingToDo)
            return QString();
        break;
    case 2:
    case 3:
        if (code == ZipInterrupted)
            return interruptedText();
        if (code == ZipArchiveReadOnly)
            return QStringLiteral("既存の書庫が読取り専用属性です。");
        break;
    case 0:
        if (code == CabInterruptedOrReadOnly)
            return QStringLiteral("ユーザーによる中断、または既存の書庫が読取り専用属性です。");
        break;
    default:
        break;
    }
    const QString extension = ArchiverLibraries::extension(format == 3 ? 2 : format);
    return archivePath + crlf + QStringLiteral("の作成（圧縮）に失敗しました。") + crlf + crlf +
           extension + QStringLiteral(" のエラー番号 = ") + QString::number(code);
}

int Archiver::compress(WindowIndex selected, int kind, const QString& source,
                       const QString& destination, const Taken& taken, bool fixed)
{
    OperationHost& host = m_context.host;
    const QString extension = ArchiverLibraries::extension(kind);
    const QString first = taken.names.first().section(u'/', 0, 0);
    QString title = taken.files + taken.folders > 0 ? baseNameOf(first) : QString();
    if (!taken.names.isEmpty() && taken.files + taken.folders == 1 && extensionOf(first).isEmpty())
        title = first;
    if (!fixed) {
        const QString boxTitle = QStringLiteral("書庫ファイルのタイトル名入力");
        const QString prompt =
            QStringLiteral("書庫ファイルのタイトル名を入力してください。") + crlf + crlf +
            QStringLiteral("（タイトル名とは、拡張子を除いた名前です。）") + crlf + crlf +
            QStringLiteral("タイトル名「無し」はスペースだけを入力します。") + crlf + crlf +
            QStringLiteral("半角文字と倍角文字は区別されます。") + crlf + crlf;
        QString proposal = title.isEmpty() ? QStringLiteral("　") : title;
        for (;;) {
            const QString answer =
                m_context.askText ? m_context.askText(boxTitle, prompt, proposal) : QString();
            if (answer.isEmpty())
                return 3;
            if (answer.trimmed().isEmpty() || answer == QStringLiteral("　")) {
                title.clear();
                break;
            }
            NameCheckContext names{&m_context.messages, false};
            const int check = validateName(names, destination, answer + u'.' + extension, QString(),
                                           boxTitle, NameKindPlain, true, true);
            if (check == NameValid || check == NameExists) {
                title = answer;
                break;
            }
            proposal = answer;
        }
    }
    const QString archiveName = title + u'.' + extension;
    const QString archivePath = destination + archiveName;

    // One archive packed into an archive of the same name in its own folder.
    if ((fixed || taken.names.size() == 1) && taken.names.size() == 1 &&
        (source + taken.names.first()).compare(archivePath, Qt::CaseInsensitive) == 0) {
        m_context.messages.showMessage(
            QStringLiteral("１個の書庫ファイルだけを同一フォルダ内に") + crlf + crlf +
                QStringLiteral("同名同種の書庫ファイルとして圧縮することはできません。"),
            ButtonsOk, QStringLiteral("圧縮"));
        return 1;
    }
    const quint32 protectedBits = pathAttributes(stripSeparator(destination)) &
                                  (AttrReadOnly | AttrHidden | AttrSystem);
    if (protectedBits) {
        DialogRequest request;
        request.kind = ConfirmDestAttr;
        request.attributeMask = quint16(protectedBits);
        request.folder = destination;
        request.text = archiveName;
        request.title = QStringLiteral("圧縮");
        const qint16 answer = m_context.messages.confirm(request, false);
        if (answer != AnswerYes && answer != AnswerYesAll)
            return 3;
    }
    if (!folderUsable(oppositeOf(selected), destination, true))
        return 4;

    const PrepareResult prepared = prepare(extension, true, true, PrepareRun, QStringLiteral("圧縮"));
    if (prepared.result != 0)
        return 1;
    ProgressService& progress = m_context.progress;
    BusyScope busy(progress);
    progress.clearInterrupt();
    progress.showProgress(ProgressService::PointerBusy,
                          host.pathText(selected) + QStringLiteral("指定選択項目を圧縮中 "),
                          ProgressService::SetPointer | ProgressService::SetText);
    ArchiveCallbacks callbacks;
    callbacks.interrupted = [this] { return interrupted(); };
    const int code = ArchiveBackends::create(kind, archivePath, source, taken.names,
                                             host.allLevels(selected) && kind != KindCab, callbacks);
    progress.showProgress(ProgressService::PointerDefault, QString(),
                          ProgressService::SetPointer | ProgressService::SetText);
    int result = 0;
    if (code != 0) {
        const QString text = compressFailedText(prepared.format, archivePath, code);
        if (code == LzhInterrupted || code == ZipInterrupted || code == CabInterruptedOrReadOnly)
            result = 3;
        else if (code != LzhNothingToDo)
            ++m_failures;
        if (!text.isEmpty())
            m_context.messages.showMessage(text, ButtonsOk, QStringLiteral("圧縮"));
    }
    refresh(source, destination);
    return result;
}

int Archiver::extract(WindowIndex selected, const QString& source, const QString& destination,
                      const Taken& taken)
{
    OperationHost& host = m_context.host;
    ProgressService& progress = m_context.progress;
    const QString title = QStringLiteral("解凍");
    const quint32 protectedBits = pathAttributes(stripSeparator(destination)) &
                                  (AttrReadOnly | AttrHidden | AttrSystem);
    if (protectedBits) {
        DialogRequest request;
        request.kind = ConfirmDestAttr;
        request.attributeMask = quint16(protectedBits);
        request.folder = destination;
        request.text = taken.names.first();
        request.title = title;
        const qint16 answer = m_context.messages.confirm(request, false);
        if (answer != AnswerYes && answer != AnswerYesAll)
            return 3;
    }
    if (!folderUsable(oppositeOf(selected), destination, true))
        return 4;

    BusyScope busy(progress);
    progress.clearInterrupt();
    int result = 0;
    for (qsizetype i = 0; i < taken.names.size(); ++i) {
        if (interrupted()) {
            result = 3;
            break;
        }
        const QString& relative = taken.names[i];
        const QString archivePath = source + relative;
        progress.showProgress(ProgressService::PointerBusy,
                              host.pathText(selected) + QStringLiteral("指定選択項目を解凍中 ") +
                                  QString::number(i + 1) + u'/' + QString::number(taken.names.size()),
                              ProgressService::SetPointer | ProgressService::SetText);
        const PrepareResult prepared = prepare(archivePath, false, true, PrepareRun, title);
        if (prepared.result != 0) {
            if (prepared.answer == AnswerCancel) {
                result = 3;
                break;
            }
            ++m_failures;
            continue;
        }
        const QString folderName = extractFolderName(relative);
        const QString target = destination + folderName;
        ItemRecord there;
        bool created = false;
        if (platform::lookupEntry(destination, folderName, there) == 0) {
            if (!realFolder(there)) {
                m_context.messages.showMessage(
                    QStringLiteral("解凍先に同名ファイルがあるので、書庫対応フォルダを作成できません。"),
                    ButtonsOk, title);
                ++m_failures;
                continue;
            }
        } else {
            const int rc = platform::createFolder(target);
            if (rc != 0) {
                m_context.messages.showMessage(target + crlf + crlf + platform::systemErrorText(rc), ButtonsOk,
                                               title);
                ++m_failures;
                continue;
            }
            created = true;
        }
        ArchiveCallbacks callbacks;
        callbacks.interrupted = [this] { return interrupted(); };
        const int code = ArchiveBackends::extract(archivePath, prepared.format, target + u'/',
                                                  callbacks);
        if (code == 0)
            continue;
        // Only a folder this command made goes again: one that was there
        // holds the user's files.
        if (created)
            eraseTree(target);
        ++m_failures;
        const qint16 answer = m_context.messages.showMessage(
            archivePath + QStringLiteral(" の解凍に失敗しました。"), ButtonsOkCancel, title);
        if (answer == AnswerCancel) {
            if (m_context.messages.confirmationMessages())
                m_context.messages.showMessage(interruptedText(), ButtonsOk, title);
            result = 3;
            break;
        }
    }
    progress.showProgress(ProgressService::PointerDefault, QString(),
                          ProgressService::SetPointer | ProgressService::SetText);
    refresh(source, destination);
    return result;
}

void Archiver::refresh(const QString& source, const QString& destination)
{
    OperationHost& host = m_context.host;
    for (const WindowIndex w : {LeftWindow, RightWindow}) {
        const QString shown = host.folderPath(w);
        if (shown == source || shown == destination)
            host.markForRefresh(w);
    }
}

} // namespace tovane
