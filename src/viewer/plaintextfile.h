#pragma once
// A plain text file as the viewer loads it and as 上書き保存 / 名前を付けて保存
// write it back: the encoding, BOM and line ends it was read with, replaced
// whole or not at all.

#include "platform/textfile.h"
#include "viewer/textcodec.h"

#include <QString>

namespace tovane {

struct LoadedText {
    DecodedText decoded;
    // Size and time when it was read: a file changed since is not
    // overwritten without saying so.
    platform::FileStamp stamp;
};

// 0; an errno of reading (EISDIR for a folder, EINVAL for anything else that
// is no regular file, never waiting on a FIFO); EFBIG; or EILSEQ when no
// encoding reads it.
int loadPlainText(const QString& path, LoadedText& out);

// Writes `text` to `path` in `format` over any old file, keeping that file's
// owner, mode and attributes. 0; EILSEQ when the encoding cannot hold a
// character (`unencodable`: its index in `text`; nothing is written), or an
// errno of writing (the old file is then intact). `written` receives the
// byte length in the encoding written.
int savePlainText(const QString& path, const QString& text, const TextFormat& format,
                  qsizetype* unencodable = nullptr, qint64* written = nullptr);

// Errors that the save message reports as a protected drive or an invalid
// path rather than by number.
bool isWriteProtectionError(int error);

// The message of a failed save: "ファイル名 = " + path, then the protected
// drive text or "エラー番号 = " + errno and its description.
QString saveErrorText(const QString& path, int error);

} // namespace tovane
