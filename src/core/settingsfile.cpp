#include "core/settingsfile.h"

#include "fs/pathrules.h"
#include "platform/names.h"
#include "platform/textfile.h"

#include <climits>
#include <cmath>

namespace tovane {

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

QString sectionHeader(int section)
{
    switch (section) {
    case SectionMain:
        return u'[' + ApplicationTitle + u']';
    case SectionPosition:
        return QStringLiteral("[Position]");
    case SectionDispExt:
        return QStringLiteral("[DispExt]");
    case SectionExeTbl:
        return QStringLiteral("[ExeTbl]");
    default:
        return QString();
    }
}

QString settingsFilePath(const QString& settingsFolder)
{
    return addSeparator(settingsFolder) + SettingsFileName;
}

bool numericValue(const QString& item, int& value)
{
    qsizetype begin = 0;
    qsizetype end = item.size();
    while (begin < end && item.at(begin) == u' ')
        ++begin;
    while (end > begin && item.at(end - 1) == u' ')
        --end;
    qsizetype i = begin;
    bool negative = false;
    if (i < end && (item.at(i) == u'+' || item.at(i) == u'-')) {
        negative = item.at(i) == u'-';
        ++i;
    }
    double number = 0;
    int digits = 0;
    while (i < end && item.at(i) >= u'0' && item.at(i) <= u'9') {
        number = number * 10 + (item.at(i).unicode() - u'0');
        ++digits;
        ++i;
    }
    if (i < end && item.at(i) == u'.') {
        ++i;
        double scale = 0.1;
        while (i < end && item.at(i) >= u'0' && item.at(i) <= u'9') {
            number += scale * (item.at(i).unicode() - u'0');
            scale /= 10;
            ++digits;
            ++i;
        }
    }
    if (digits == 0 || i != end)
        return false;
    if (negative)
        number = -number;
    const double rounded = std::nearbyint(number);
    if (rounded < double(INT_MIN) || rounded > double(INT_MAX))
        return false;
    value = int(rounded);
    return true;
}

QString getIniValue(const QString& text, const QString& key, const QString& defaultValue,
                    bool validate, int count, int min, int max)
{
    const QString marker = key + u'=';
    const qsizetype found = text.indexOf(marker);
    if (key.isEmpty() || found < 0)
        return defaultValue;
    const qsizetype start = found + marker.size();
    qsizetype end = text.indexOf(CrLf, start);
    if (end < 0)
        end = text.indexOf(u'=', start);
    if (end < 0)
        end = text.indexOf(u'[', start);
    if (end < 0)
        end = text.size();
    const QString value = text.mid(start, end - start);
    if (!validate)
        return value;

    QString rest = value;
    for (int i = 0; i < count; ++i) {
        const QString item = nextToken(rest, u',');
        int number = -1;
        if (!numericValue(item, number))
            number = -1;
        if (number < min || number > max)
            return defaultValue;
        if (i == count - 1 && !rest.isEmpty())
            return defaultValue;
    }
    return value;
}

QString joinValues(std::span<const int> values)
{
    QString out;
    for (const int v : values)
        out += QString::number(v) + u',';
    return out;
}

int splitValues(const QString& text, std::span<int> values)
{
    QString rest = text;
    int filled = 0;
    for (int& slot : values) {
        int number = 0;
        if (!numericValue(nextToken(rest, u','), number))
            break;
        slot = number;
        ++filled;
    }
    return filled;
}

void IniTextWriter::putIniValue(int section, const QString& key, const QString& value)
{
    if (section >= 0 && section < SectionCount && !m_written[size_t(section)]) {
        m_text += sectionHeader(section) + CrLf;
        m_written[size_t(section)] = true;
    }
    QString line = value;
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    m_text += key + u'=' + line + CrLf;
}

bool IniTextWriter::sectionWritten(int section) const
{
    return section >= 0 && section < SectionCount && m_written[size_t(section)];
}

QString settingsTextFromBytes(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    const QString decoded = platform::nameFromBytes(view);
    QString text;
    text.reserve(decoded.size() + decoded.size() / 16);
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const QChar c = decoded.at(i);
        if (c == u'\n' && (i == 0 || decoded.at(i - 1) != u'\r'))
            text += u'\r';
        text += c;
    }
    return text;
}

QByteArray settingsTextToBytes(const QString& text)
{
    return platform::nameToBytes(text);
}

QString readSettingsText(const QString& path)
{
    QByteArray bytes;
    if (platform::readWholeFile(path, bytes) != 0)
        return QString();
    return settingsTextFromBytes(bytes);
}

int writeSettingsText(const QString& path, const QString& text)
{
    return platform::writeFileAtomically(path, settingsTextToBytes(text));
}

} // namespace tovane
