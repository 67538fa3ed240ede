#include "viewer/plaintextfile.h"

#include "platform/errortext.h"

#include <cerrno>

namespace tovane {

int loadPlainText(const QString& path, LoadedText& out)
{
    out = LoadedText();
    QByteArray bytes;
    const int error = platform::readWholeFile(path, bytes, MaxTextBytes + 1, &out.stamp);
    if (error != 0)
        return error;
    return decodeText(bytes, out.decoded);
}

int savePlainText(const QString& path, const QString& text, const TextFormat& format,
                  qsizetype* unencodable, qint64* written)
{
    QByteArray bytes;
    const int error = encodeText(text, format, bytes, unencodable);
    if (error != 0)
        return error;
    if (written)
        *written = bytes.size();
    return platform::writeFileAtomically(path, bytes, platform::WriteMode::KeepMetadata);
}

bool isWriteProtectionError(int error)
{
    switch (error) {
    case EROFS:
    case EACCES:
    case EPERM:
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ECANCELED:
        return true;
    default:
        return false;
    }
}

QString saveErrorText(const QString& path, int error)
{
    QString text = QStringLiteral("ファイル名 = ") + path + QStringLiteral("\r\n\r\n");
    if (isWriteProtectionError(error))
        return text + QStringLiteral("ドライブが書込み禁止、またはパス名が無効です。");
    return text + QStringLiteral("エラー番号 = ") + QString::number(error) +
           QStringLiteral("\r\n") + platform::systemErrorMessage(error);
}

} // namespace tovane
