#include "ops/timechange.h"

#include "core/messageservice.h"
#include "core/progressservice.h"
#include "fs/enumeration.h"
#include "fs/pathcheck.h"
#include "fs/pathrules.h"
#include "list/filelistmodel.h"
#include "ops/fileoperations.h"
#include "ops/operationhost.h"
#include "ops/operationrun.h"

#include <QDate>

#include <cerrno>

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");
constexpr quint32 ProtectedAttention = AttrReadOnly | AttrHidden | AttrSystem;
constexpr int Cancelled = -10;
constexpr int Failed = -20;

QString wide(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u' ')
            out += QChar(0x3000);
        else if (c.unicode() >= 0x21 && c.unicode() <= 0x7E)
            out += QChar(c.unicode() - 0x21 + 0xFF01);
        else
            out += c;
    }
    return out;
}

bool realFolder(const ItemRecord& r)
{
    return r.isFolder() && !r.isSymlink;
}

} // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

QString checkTimeInput(TimeInput& input, int& firstWrong)
{
    static const char* const names[6] = {"年", "月", "日", "時", "分", "秒"};
    static const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    firstWrong = -1;
    while (input.fields.size() < 6)
        input.fields.append(QString());
    int v[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        v[i] = input.fields[i].trimmed().toInt(&ok);
        if (!ok)
            v[i] = -1;
    }
    QString errors;
    auto wrong = [&](int field) {
        errors += QString::fromUtf8(names[field]) + u'、';
        if (firstWrong < 0)
            firstWrong = field;
    };
    const int present = input.presentYear > 0 ? input.presentYear : QDate::currentDate().year();
    if (v[0] < present - input.yearsBack || v[0] > present + input.yearsAhead)
        wrong(0);
    int lastDay = 31;
    if (v[1] < 1 || v[1] > 12)
        wrong(1);
    else
        lastDay = monthDays[v[1] - 1] + (v[1] == 2 && v[0] > 0 && isLeapYear(v[0]) ? 1 : 0);
    if (v[2] < 1 || v[2] > lastDay)
        wrong(2);
    // Seconds are kept even, as the file systems of the old world keep them.
    if (v[5] > 0 && v[5] % 2 == 1) {
        --v[5];
        const int typed = int(input.fields[5].trimmed().size());
        input.fields[5] = QString::number(v[5]).rightJustified(typed, u'0');
    }
    if (v[3] < 0 || v[3] > 23)
        wrong(3);
    if (v[4] < 0 || v[4] > 59)
        wrong(4);
    if (v[5] < 0 || v[5] > 58)
        wrong(5);
    if (errors.isEmpty())
        return QString();
    errors.chop(1);
    return errors + QStringLiteral(" は範囲外です。");
}

QString yearRangeText(int yearsBack, int yearsAhead)
{
    return QStringLiteral("（ ") + wide(u' ' + QString::number(yearsBack)) +
           QStringLiteral("年前の年初 ～ ") +
           (yearsAhead < 2 ? QStringLiteral("来年")
                           : wide(u' ' + QString::number(yearsAhead)) + QStringLiteral("年後")) +
           QStringLiteral("の年末 ）");
}

QString timeChangeConfirmation(int marked, int files, int folders, const QString& singleName,
                               bool allLevels, bool hiddenMaskSet)
{
    QString text;
    if (marked == 1)
        text = singleName + QStringLiteral(" の") + crlf + crlf;
    else if (folders > 0)
        text = QString::number(marked) + QStringLiteral(" 項目の");
    else
        text = QString::number(files) + QStringLiteral(" ファイルの");
    text += QStringLiteral("日時を変更します。");
    if (folders > 0) {
        // Linux sets a folder's times as a file's: the folder itself takes part.
        QString part;
        if (allLevels)
            part = QStringLiteral("それ自身を含めて") +
                   (hiddenMaskSet ? QStringLiteral("非表示属性対象外の全項目") + crlf + crlf
                                  : QStringLiteral("全体"));
        else
            part = QStringLiteral("それ自身だけ");
        text += crlf + crlf + crlf + QStringLiteral("フォルダは") + part +
                QStringLiteral("を対象にします。");
    }
    return text;
}

QString timeChangeTitle()
{
    return QStringLiteral("日時変更");
}

QString emptyFieldText()
{
    return QStringLiteral("データがないので所定値をセットします。");
}

QString timeFailureText(bool folder, const QString& path, bool reading)
{
    return (folder ? QStringLiteral("フォルダ") : QStringLiteral("ファイル")) + u' ' + path +
           QStringLiteral(" の") + crlf + crlf + QStringLiteral("日時データを") +
           (reading ? QStringLiteral("読み") : QStringLiteral("書き")) +
           QStringLiteral("込めませんでした。");
}

QString creationTimeUnsupportedText(bool folder, const QString& path)
{
    return (folder ? QStringLiteral("フォルダ") : QStringLiteral("ファイル")) + u' ' + path +
           QStringLiteral(" の") + crlf + crlf +
           QStringLiteral("作成日時は このドライブでは変更できません。") + crlf + crlf +
           QStringLiteral("（その他の日時は変更しました。）");
}

TimeChange::TimeChange(OperationContext& context) : m_context(context) {}

int TimeChange::run(WindowIndex selected)
{
    m_selected = selected;
    m_entered = false;
    m_accepted = 0;
    m_noToAll = false;
    m_written = m_failed = m_skipped = 0;
    OperationHost& host = m_context.host;
    MessageService& messages = m_context.messages;
    ProgressService& progress = m_context.progress;
    const QString folder = addSeparator(host.folderPath(selected));
    auto available = [&](bool show) {
        if (m_context.checker &&
            m_context.checker->checkPath(selected, folder, QString(), show) != CheckAvailable)
            return false;
        ItemRecord r;
        return platform::statPath(stripSeparator(folder), r) == 0 && r.isFolder();
    };
    if (!available(true))
        return 4;
    const FileListModel* model = host.listModel(selected);
    if (!model || model->layout() != ListLayout::FolderItems)
        return 1;
    QList<ItemRecord> marked;
    int files = 0, folders = 0;
    for (int row = 0, n = model->count(); row < n; ++row) {
        if (!model->marked(row))
            continue;
        const ItemRecord& r = model->rowAt(row).record;
        marked.append(r);
        (realFolder(r) ? folders : files) += 1;
    }
    if (marked.isEmpty())
        return 1;
    m_allLevels = host.allLevels(selected);
    const QString confirmation =
        timeChangeConfirmation(int(marked.size()), files, folders, marked.first().name,
                               m_allLevels, host.hiddenMask() != 0);
    if (messages.showMessage(confirmation, ButtonsOkCancel, timeChangeTitle()) != AnswerYes)
        return 3;
    if (!available(true))
        return 4;

    BusyScope busy(progress);
    progress.clearInterrupt();
    progress.showProgress(ProgressService::PointerBusy,
                          QStringLiteral("指定選択項目の日時を変更中 ") + host.pathText(selected),
                          ProgressService::SetPointer | ProgressService::SetText);
    const quint32 folderAttention = pathAttributes(stripSeparator(folder));
    int result = 0;
    for (qsizetype i = 0; i < marked.size(); ++i) {
        if (progress.pumpEvents()) {
            result = Cancelled;
            break;
        }
        result = item(folder, marked[i], folderAttention, i + 1 < marked.size());
        if (result == Cancelled)
            break;
    }
    progress.showProgress(ProgressService::PointerDefault, QString(),
                          ProgressService::SetPointer | ProgressService::SetText);
    if (m_written > 0)
        for (const WindowIndex w : {LeftWindow, RightWindow})
            if (addSeparator(host.folderPath(w)) == folder)
                host.markForRefresh(w);
    if (result == Cancelled)
        return 3;
    return m_failed + m_skipped > 0 || m_written == 0 ? 1 : 0;
}

int TimeChange::item(const QString& folder, const ItemRecord& listed, quint32 folderAttention,
                     bool moreItems)
{
    ItemRecord record;
    if (platform::lookupEntry(folder, listed.name, record) != 0 || record.name != listed.name) {
        ++m_failed;
        return 1;
    }
    const bool isFolder = realFolder(record);
    const QString path = folder + record.name;
    const quint32 bits = (record.attributes | folderAttention) & ProtectedAttention & ~m_accepted;
    if (bits) {
        if (m_noToAll) {
            ++m_skipped;
            return 1;
        }
        DialogRequest request;
        request.kind = qint16((isFolder ? ConfirmFolderAttr : ConfirmFileAttr) +
                              (moreItems ? ConfirmForAll : 0));
        request.attributeMask = quint16(bits);
        request.text = isFolder ? path + u'/' : path;
        request.title = timeChangeTitle();
        switch (m_context.messages.confirm(request, m_context.progress.interruptRequested())) {
        case AnswerYes:
            break;
        case AnswerYesAll:
            m_accepted |= bits;
            break;
        case AnswerNoAll:
            m_noToAll = true;
            [[fallthrough]];
        case AnswerNo:
            ++m_skipped;
            return 1;
        default:
            return Cancelled;
        }
    }
    const int r = writeOne(path, isFolder);
    if (r == Cancelled)
        return r;
    if (r == 0) {
        ++m_written;
        ItemRecord now;
        if (platform::lookupEntry(folder, record.name, now) == 0)
            for (const WindowIndex w : {LeftWindow, RightWindow})
                if (addSeparator(m_context.host.folderPath(w)) == folder)
                    m_context.host.listEntryUpdated(w, record.name, now);
    } else if (r == 1) {
        ++m_skipped;
    } else {
        ++m_failed;
    }
    if (isFolder && m_allLevels) {
        const platform::FileTimes written = m_lastTimes;
        const unsigned kinds = m_lastKinds;
        const int walked = walk(path + u'/', record.attributes | folderAttention);
        // Reading the folder moved its access time: the written one goes back.
        if (r == 0 && (kinds & platform::TimeAccess))
            platform::setTimes(path, written, platform::TimeAccess);
        return walked;
    }
    return 0;
}

int TimeChange::walk(const QString& folder, quint32 attention)
{
    static thread_local std::shared_ptr<const QSet<QString>> boundaries;
    if (!boundaries)
        boundaries = volumeBoundaries();
    QList<ItemRecord> entries;
    const ListFolderResult listed = listFolder(folder, m_context.host.hiddenMask(),
                                               [&](const ItemRecord& r) {
                                                   entries.append(r);
                                                   return true;
                                               },
                                               &m_context.progress);
    if (listed.interrupted)
        return Cancelled;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ItemRecord& r = entries[i];
        // Another volume mounted below is not part of the folder.
        if (realFolder(r) && boundaries->contains(folder + r.name))
            continue;
        if (m_context.progress.pumpEvents())
            return Cancelled;
        if (item(folder, r, attention, true) == Cancelled)
            return Cancelled;
    }
    return 0;
}

int TimeChange::writeOne(const QString& path, bool folder)
{
    MessageService& messages = m_context.messages;
    const bool show = messages.confirmationMessages();
    quint32 attributes = 0;
    if (platform::getAttributes(path, attributes) != 0) {
        if (show)
            messages.showMessage(timeFailureText(folder, path, true), ButtonsOk, timeChangeTitle());
        return Failed;
    }
    // The read-only mark is lifted for the write and put back afterwards,
    // also when the write fails.
    const bool lift = (attributes & AttrReadOnly) != 0;
    if (lift) {
        const int rc = platform::setAttributes(path, attributes & ~quint32(AttrReadOnly));
        if (rc == EROFS) {
            messages.showMessage(QStringLiteral("ドライブが書込み禁止なので終了します。"), ButtonsOk,
                                 timeChangeTitle());
            return Cancelled;
        }
        if (rc != 0)
            return 1;
    }
    auto restore = [&] {
        if (lift)
            platform::setAttributes(path, attributes);
    };
    platform::FileTimes current;
    if (platform::getTimes(path, current) != 0) {
        restore();
        if (show)
            messages.showMessage(timeFailureText(folder, path, true), ButtonsOk, timeChangeTitle());
        return Failed;
    }
    TimeRequest request = m_request;
    if (form && (perItem || !m_entered)) {
        const int answer = form(path, folder, current, request);
        if (answer != 0) {
            restore();
            return answer == 1 ? 1 : Cancelled;
        }
        m_entered = true;
        m_request = request;
    } else if (!form) {
        request = preset;
    }
    platform::FileTimes times = current;
    if (request.kinds & platform::TimeCreation)
        times.creation = request.times.creation;
    if (request.kinds & platform::TimeAccess)
        times.access = request.times.access;
    if (request.kinds & platform::TimeWrite)
        times.write = request.times.write;
    int rc = platform::setTimes(path, times, request.kinds);
    m_lastTimes = times;
    m_lastKinds = request.kinds;
    restore();
    if (rc == 0)
        return 0;
    if (rc == ENOTSUP && (request.kinds & platform::TimeCreation)) {
        // Only the creation time has nowhere to go; the others were set.
        if (show)
            messages.showMessage(creationTimeUnsupportedText(folder, path), ButtonsOk,
                                 timeChangeTitle());
        return Failed;
    }
    if (rc == EROFS) {
        messages.showMessage(QStringLiteral("ドライブが書込み禁止なので終了します。"), ButtonsOk,
                             timeChangeTitle());
        return Cancelled;
    }
    if (show)
        messages.showMessage(timeFailureText(folder, path, false), ButtonsOk, timeChangeTitle());
    return Failed;
}

} // namespace tovane
