#include "platform/errortext.h"

#include <cerrno>
#include <cstring>

namespace tovane::platform {

namespace {

struct ErrorText {
    int number;
    const char* text; // UTF-8
};

// One entry per errno value (Linux aliases such as EWOULDBLOCK and
// EOPNOTSUPP share the value of EAGAIN and ENOTSUP and need no own row).
constexpr ErrorText kTexts[] = {
    {0, "この操作を正しく終了しました。"},
    {EPERM, "アクセスが拒否されました。"},
    {EACCES, "アクセスが拒否されました。"},
    {ENOENT, "指定されたファイルが見つかりません。"},
    {ENOTDIR, "指定されたパスが見つかりません。"},
    {ENOSPC, "ディスクに十分な空き領域がありません。"},
    {EROFS, "メディアは書き込み禁止になっています。"},
    {EEXIST, "ファイルが既に存在するため、作成できません。"},
    {EBUSY, "要求されたリソースは使用中です。"},
    {ETXTBSY, "プロセスはファイルにアクセスできません。別のプロセスが使用中です。"},
    {ENOTEMPTY, "ディレクトリが空ではありません。"},
    {ENAMETOOLONG, "ファイル名または拡張子が長すぎます。"},
    {EXDEV, "システムはファイルを別のディスク ドライブに移動できません。"},
    {EIO, "I/O デバイス エラーのため、要求を実行できませんでした。"},
    {ENOMEDIUM, "デバイスの準備ができていません。"},
    {ETIMEDOUT, "タイムアウト期間が経過したため、この操作は終了しました。"},
    {ENOTSUP, "要求はサポートされていません。"},
    {ENOSYS, "ファンクションが間違っています。"},
    {EINVAL, "パラメーターが間違っています。"},
    {EMFILE, "システムはファイルを開くことができません。"},
    {ENFILE, "システムはファイルを開くことができません。"},
    {ENOMEM, "このコマンドを実行するのに十分な記憶域がありません。"},
    {ELOOP, "ファイル名を解決できませんでした。"},
    {EISDIR, "ディレクトリではこの操作はサポートされていません。"},
    {EDQUOT, "ディスク クォータを超えました。"},
    {ECANCELED, "この操作はユーザーによって取り消されました。"},
    {EFBIG, "ファイル サイズが制限値を超えているため、保存できません。"},
    {ENXIO, "指定されたデバイスが見つかりません。"},
    {ENODEV, "指定されたデバイスが見つかりません。"},
    {EBADF, "ハンドルが無効です。"},
    {EMLINK, "ファイル システムでサポートされる数より多くのファイルへのリンクを作成しようとしました。"},
    {ENOLCK, "プロセスはファイルにアクセスできません。別のプロセスがファイルの一部をロックしています。"},
    {EAGAIN, "要求されたリソースは使用中です。"},
    {EINTR, "スレッドの終了またはアプリケーションの要求によって、I/O 処理は中止されました。"},
    {EPIPE, "パイプは終了しました。"},
    {ERANGE, "システム コールに渡されるデータ領域が小さすぎます。"},
    {EHOSTDOWN, "ネットワーク パスが見つかりません。"},
    {EHOSTUNREACH, "ネットワーク パスが見つかりません。"},
    {ENETDOWN, "ネットワーク パスが見つかりません。"},
    {ENETUNREACH, "ネットワーク パスが見つかりません。"},
    {ENOTCONN, "このネットワーク接続は存在しません。"},
    {ECONNREFUSED, "リモート コンピューターによりネットワーク接続が拒否されました。"},
    {ECONNRESET, "指定されたネットワーク名は利用できません。"},
    {ECONNABORTED, "指定されたネットワーク名は利用できません。"},
    {ESTALE, "指定されたネットワーク名は利用できません。"},
    {EREMOTEIO, "予期しないネットワーク エラーが発生しました。"},
    // Names that vfat or a server cannot store come back as EILSEQ.
    {EILSEQ, "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。"},
    {EOVERFLOW, "値が大きすぎるため、この操作を実行できません。"},
    {ENOEXEC, "このファイルは有効なアプリケーションではありません。"},
    {E2BIG, "引数の一覧が長すぎます。"},
    {ENODATA, "要求されたデータがありません。"},
    // ext4 and others report damage found on disk with these two.
    {EUCLEAN, "ディスクの構造が壊れているため、読み取ることができません。"},
    {EBADMSG, "ファイルまたはディレクトリが壊れているため、読み取ることができません。"},
    {ENOTTY, "このデバイスではこの要求はサポートされていません。"},
    {ESPIPE, "ファイル ポインターを指定したデバイスまたはファイルに設定できません。"},
};

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

} // namespace

QString systemErrorMessage(int errorNumber)
{
    for (const ErrorText& e : kTexts)
        if (e.number == errorNumber)
            return QString::fromUtf8(e.text);
    char buffer[256];
    // GNU strerror_r: the result may or may not use the buffer.
    const char* text = ::strerror_r(errorNumber, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

QString tidySystemMessage(const QString& message)
{
    QString s = message.trimmed();
    if (s.endsWith(u'。'))
        s.chop(1);
    while (!s.isEmpty() && isLineBreak(s.back()))
        s.chop(1);
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (!isLineBreak(s[i]))
            continue;
        const qsizetype len = (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ? 2 : 1;
        s.replace(i, len, QStringLiteral("\r\n\r\n"));
        break;
    }
    return s;
}

QString systemErrorText(int errnoValue)
{
    return tidySystemMessage(systemErrorMessage(errnoValue));
}

} // namespace tovane::platform
