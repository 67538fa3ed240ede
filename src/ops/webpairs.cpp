#include "ops/webpairs.h"

#include "fs/pathrules.h"
#include "list/filelistmodel.h"

namespace tovane {

namespace {

const QString crlf = QStringLiteral("\r\n");

bool endsWithNoCase(const QString& text, QStringView tail)
{
    return text.size() > tail.size() && text.endsWith(tail, Qt::CaseInsensitive);
}

} // namespace

QString webPairBase(const QString& name, bool isFolder)
{
    if (isFolder) {
        if (endsWithNoCase(name, u"_files"))
            return name.chopped(6);
        if (endsWithNoCase(name, u".files"))
            return name.chopped(6);
        return QString();
    }
    const QString extension = extensionOf(name);
    if (!extension.contains(QLatin1String("htm"), Qt::CaseInsensitive))
        return QString();
    return name.chopped(extension.size() + 1);
}

WebPairs::WebPairs(const FileListModel& model) : m_model(model)
{
    for (int row = 0, n = model.count(); row < n; ++row) {
        const QString name = model.nameAt(row);
        if (model.isFolderRow(row)) {
            if (!webPairBase(name, true).isEmpty())
                m_folders.insert(name.toCaseFolded(), row);
        } else if (const QString base = webPairBase(name, false); !base.isEmpty()) {
            const QString key = base.toCaseFolded();
            if (!m_pages.contains(key)) // the first page of a base pairs
                m_pages.insert(key, row);
        }
    }
}

int WebPairs::partner(int row) const
{
    const bool isFolder = m_model.isFolderRow(row);
    const QString base = webPairBase(m_model.nameAt(row), isFolder).toCaseFolded();
    if (base.isEmpty())
        return -1;
    if (isFolder)
        return m_pages.value(base, -1);
    // ".files" first, as a page names it first.
    const int dotted = m_folders.value(base + QStringLiteral(".files"), -1);
    return dotted >= 0 ? dotted : m_folders.value(base + QStringLiteral("_files"), -1);
}

QString pairIncludedText(const QString& name)
{
    return name + QStringLiteral(" は") + crlf + crlf +
           QStringLiteral("選択されていませんが、ペア項目なので処理対象です。");
}

QString pairExcludedText(const QString& folder, const QString& base)
{
    return QStringLiteral("このＯＳではフォルダの属性変更が不可能なため") + crlf + crlf + folder +
           QStringLiteral(" の") + crlf + crlf + base + QStringLiteral(" は") + crlf + crlf +
           QStringLiteral("ペア項目なので、処理の対象外です。");
}

} // namespace tovane
