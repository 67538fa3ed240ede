#include "programs/desktopentry.h"

#include <QHash>

namespace tovane {

namespace {

// \s \n \t \r \\ of string values; any other backslash stays (the Exec
// quoting needs its own).
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(i + 1);
        switch (n.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            out += c;
            out += n;
            break;
        }
        ++i;
    }
    return out;
}

bool isTrue(const QString& value)
{
    return value.trimmed() == QStringLiteral("true");
}

struct Token {
    QString text;
    bool quoted = false;
};

bool splitExec(const QString& exec, QList<Token>& tokens)
{
    Token current;
    bool inToken = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec.at(i + 1))) {
                current.text += exec.at(++i);
            } else {
                current.text += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inToken)
                tokens.append(current);
            current = Token();
            inToken = false;
            continue;
        }
        inToken = true;
        if (c == u'"') {
            inQuotes = true;
            current.quoted = true;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            current.text += exec.at(++i);
        } else {
            current.text += c;
        }
    }
    if (inQuotes)
        return false;
    if (inToken)
        tokens.append(current);
    return true;
}

} // namespace

DesktopEntry parseDesktopEntry(const QByteArray& content, const QStringList& localeNames)
{
    DesktopEntry entry;
    QHash<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray& raw : content.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == QStringLiteral("[Desktop Entry]");
            // Only the first group with this name counts.
            if (inGroup && entry.valid)
                break;
            entry.valid = entry.valid || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (!keys.contains(key))
            keys.insert(key, unescapeValue(line.mid(eq + 1).trimmed()));
    }
    entry.type = keys.value(QStringLiteral("Type"));
    entry.name = keys.value(QStringLiteral("Name"));
    for (const QString& locale : localeNames) {
        const QString key = QStringLiteral("Name[") + locale + u']';
        if (keys.contains(key)) {
            entry.name = keys.value(key);
            break;
        }
    }
    entry.icon = keys.value(QStringLiteral("Icon"));
    entry.exec = keys.value(QStringLiteral("Exec"));
    entry.tryExec = keys.value(QStringLiteral("TryExec"));
    entry.path = keys.value(QStringLiteral("Path"));
    entry.url = keys.value(QStringLiteral("URL"));
    entry.terminal = isTrue(keys.value(QStringLiteral("Terminal")));
    entry.hidden = isTrue(keys.value(QStringLiteral("Hidden")));
    return entry;
}

QStringList expandExec(const QString& exec, const DesktopEntry& entry, const QString& entryFile,
                       const QStringList& files, ExecError& error)
{
    error = ExecError::None;
    QList<Token> tokens;
    if (!splitExec(exec, tokens)) {
        error = ExecError::BadQuoting;
        return {};
    }
    const QString first = files.isEmpty() ? QString() : files.first();
    QStringList args;
    for (const Token& token : std::as_const(tokens)) {
        const QString& t = token.text;
        if (!token.quoted) {
            // Codes that stand for a number of arguments, none included.
            if (t == QStringLiteral("%F") || t == QStringLiteral("%U")) {
                args += files;
                continue;
            }
            if (t == QStringLiteral("%f") || t == QStringLiteral("%u")) {
                if (!first.isEmpty())
                    args += first;
                continue;
            }
            if (t == QStringLiteral("%i")) {
                if (!entry.icon.isEmpty())
                    args << QStringLiteral("--icon") << entry.icon;
                continue;
            }
        }
        QString out;
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (t.at(i) != u'%') {
                out += t.at(i);
                continue;
            }
            if (i + 1 == t.size()) {
                error = ExecError::UnknownFieldCode;
                return {};
            }
            const char16_t code = t.at(++i).unicode();
            switch (code) {
            case u'%':
                out += u'%';
                break;
            case u'f':
            case u'u':
            case u'F':
            case u'U':
                out += first;
                break;
            case u'c':
                out += entry.name;
                break;
            case u'k':
                out += entryFile;
                break;
            case u'i':
                out += entry.icon;
                break;
            case u'd':
            case u'D':
            case u'n':
            case u'N':
            case u'v':
            case u'm':
                break;
            default:
                error = ExecError::UnknownFieldCode;
                return {};
            }
        }
        // A code that stood alone and gave nothing leaves no empty argument.
        if (out.isEmpty() && !token.quoted && !t.isEmpty())
            continue;
        args += out;
    }
    if (args.isEmpty())
        error = ExecError::Empty;
    return args;
}

} // namespace tovane
