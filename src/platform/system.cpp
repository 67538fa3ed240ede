#include "platform/system.h"

#include "platform/names.h"
#include "platform/posixutil.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <vector>

namespace tovane::platform {

namespace {

QByteArray envBytes(const char* name)
{
    const char* v = ::getenv(name);
    return v ? QByteArray(v) : QByteArray();
}

// XDG variables count only when they hold an absolute path.
QByteArray absoluteEnv(const char* name)
{
    QByteArray v = envBytes(name);
    return v.startsWith('/') ? v : QByteArray();
}

bool isDirectory(const QByteArray& path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Empty when the working folder cannot be named (removed, a parent not
// searchable, or outside the process's root).
QByteArray workingFolderBytes(int& error)
{
    std::vector<char> cwd(4096);
    while (!::getcwd(cwd.data(), cwd.size())) {
        if (errno != ERANGE) {
            error = errno;
            return QByteArray();
        }
        cwd.resize(cwd.size() * 2);
    }
    if (cwd[0] != '/') {
        error = ENOENT;
        return QByteArray();
    }
    error = 0;
    return QByteArray(cwd.data());
}

// Joins a relative path to the working folder, drops empty and "." parts and
// any trailing "/". ".." stays: the folder above a link is not lexical.
QByteArray absoluteClean(const QByteArray& path)
{
    QByteArray full = path;
    if (!full.startsWith('/')) {
        int error = 0;
        const QByteArray cwd = workingFolderBytes(error);
        if (cwd.isEmpty())
            return QByteArray();
        full = cwd + '/' + full;
    }
    QByteArray out;
    for (const QByteArray& part : full.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        out += '/' + part;
    }
    return out.isEmpty() ? QByteArray("/") : out;
}

QByteArray homeBytes()
{
    QByteArray home = absoluteEnv("HOME");
    if (home.isEmpty()) {
        struct passwd pw;
        struct passwd* found = nullptr;
        std::vector<char> buf(16384);
        while (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == ERANGE)
            buf.resize(buf.size() * 2);
        if (found && found->pw_dir && found->pw_dir[0] == '/')
            home = found->pw_dir;
    }
    if (home.isEmpty())
        return "/";
    return absoluteClean(home);
}

// One shell-style value: double or single quotes, backslash escapes.
QByteArray unquoteValue(QByteArrayView v)
{
    QByteArray out;
    char quote = 0;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                out += c;
        } else if (c == '\\' && i + 1 < v.size()) {
            out += v[++i];
        } else if (c == '"' || c == '\'') {
            if (quote == c)
                quote = 0;
            else if (!quote)
                quote = c;
            else
                out += c;
        } else if (!quote && (c == ' ' || c == '\t' || c == '#')) {
            break; // unquoted value ends at a blank or a comment
        } else {
            out += c;
        }
    }
    return out;
}

template <typename F> void forEachLine(QByteArrayView content, F&& f)
{
    qsizetype from = 0;
    while (from < content.size()) {
        qsizetype end = content.indexOf('\n', from);
        if (end < 0)
            end = content.size();
        f(content.sliced(from, end - from).trimmed());
        from = end + 1;
    }
}

// KEY=value lines of an os-release or user-dirs.dirs file; as when the shell
// reads the file, the last assignment wins.
QByteArray valueOf(QByteArrayView content, QByteArrayView key)
{
    QByteArray value;
    forEachLine(content, [&](QByteArrayView line) {
        if (line.startsWith('#') || !line.startsWith(key))
            return;
        const QByteArrayView rest = line.sliced(key.size()).trimmed();
        if (rest.startsWith('='))
            value = unquoteValue(rest.sliced(1).trimmed());
    });
    return value;
}

QByteArray configHomeBytes()
{
    const QByteArray xdg = absoluteEnv("XDG_CONFIG_HOME");
    return xdg.isEmpty() ? homeBytes() + "/.config" : absoluteClean(xdg);
}

// The folder user-dirs.dirs names for `key`, or empty when it names none.
QByteArray userDir(const QByteArray& content, const char* key)
{
    const QByteArray value = valueOf(content, QByteArray("XDG_") + key + "_DIR");
    if (value == "$HOME" || value.startsWith("$HOME/"))
        return absoluteClean(homeBytes() + value.mid(5));
    // The file is read by a shell, which takes the braced form as well.
    if (value == "${HOME}" || value.startsWith("${HOME}/"))
        return absoluteClean(homeBytes() + value.mid(7));
    if (value.startsWith('/'))
        return absoluteClean(value);
    return QByteArray();
}

QByteArray userDirsContent()
{
    return readSmallFile((configHomeBytes() + "/user-dirs.dirs").constData());
}

} // namespace

QString prettyNameFromOsRelease(QByteArrayView content)
{
    QByteArray name = valueOf(content, "PRETTY_NAME");
    if (name.isEmpty())
        name = valueOf(content, "NAME");
    return QString::fromUtf8(name);
}

OsFacts osFacts()
{
    OsFacts f;
    QByteArray content = readSmallFile("/etc/os-release");
    if (content.isEmpty())
        content = readSmallFile("/usr/lib/os-release");
    f.name = prettyNameFromOsRelease(content);
    if (f.name.isEmpty())
        f.name = QStringLiteral("Linux");
    struct utsname u;
    if (::uname(&u) == 0) {
        f.version = QString::fromUtf8(u.release);
        f.architecture = QString::fromUtf8(u.machine);
    }
    return f;
}

QString osText(const OsFacts& facts)
{
    QString text =
        QStringLiteral(" OS：") + facts.name + QStringLiteral("\r\n      Ver. ") + facts.version;
    if (!facts.architecture.isEmpty())
        text += QStringLiteral("（") + facts.architecture + QStringLiteral("）");
    return text;
}

QString osText()
{
    return osText(osFacts());
}

void pinLocalTimeZone()
{
    if (::getenv("TZ") == nullptr && ::access("/etc/localtime", R_OK) == 0) {
        ::setenv("TZ", ":/etc/localtime", 0);
        ::tzset();
    }
}

int osClass()
{
    return 10;
}

MemoryFacts memoryFacts()
{
    MemoryFacts m;
    struct sysinfo si;
    if (::sysinfo(&si) == 0) {
        const double unit = si.mem_unit ? si.mem_unit : 1;
        m.totalBytes = double(si.totalram) * unit;
        m.availableBytes = (double(si.freeram) + double(si.bufferram)) * unit;
    }
    const QByteArray info = readSmallFile("/proc/meminfo");
    auto kib = [&info](QByteArrayView key, double& out) {
        forEachLine(info, [&](QByteArrayView line) {
            if (!line.startsWith(key))
                return;
            const QByteArrayView rest = line.sliced(key.size()).trimmed();
            const qsizetype space = rest.indexOf(' ');
            bool ok = false;
            const qulonglong v = (space < 0 ? rest : rest.first(space)).toULongLong(&ok);
            if (ok)
                out = double(v) * 1024.0;
        });
    };
    kib("MemTotal:", m.totalBytes);
    kib("MemAvailable:", m.availableBytes);
    return m;
}

QString executablePath()
{
    std::vector<char> buf(4096);
    while (true) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return QString();
        if (size_t(n) < buf.size())
            return nameFromBytes(QByteArrayView(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
}

QString currentFolder(int& error)
{
    return nameFromBytes(workingFolderBytes(error));
}

QString homeFolder()
{
    return nameFromBytes(homeBytes());
}

QString settingsFolder(const QString& overrideDir, int& error)
{
    QByteArray path;
    if (!overrideDir.isEmpty())
        path = nameToBytes(overrideDir);
    else if (const QByteArray env = envBytes("TOVANE_CONFIG_DIR"); !env.isEmpty())
        path = env;
    else
        path = configHomeBytes() + "/tovane";
    path = absoluteClean(path);
    if (path.isEmpty()) {
        error = errno ? errno : ENOENT;
        return QString();
    }
    error = makeFolders(path);
    return error ? QString() : nameFromBytes(path);
}

QString settingsFolder(const QString& overrideDir)
{
    int error = 0;
    return settingsFolder(overrideDir, error);
}

QString desktopFolder()
{
    QByteArray dir = userDir(userDirsContent(), "DESKTOP");
    if (dir.isEmpty())
        dir = homeBytes() + "/Desktop";
    return nameFromBytes(absoluteClean(dir));
}

QStringList userFolders()
{
    static const struct {
        const char* key;
        const char* fallback;
    } kFolders[] = {
        {"DESKTOP", "Desktop"},     {"DOCUMENTS", "Documents"}, {"DOWNLOAD", "Downloads"},
        {"MUSIC", "Music"},         {"PICTURES", "Pictures"},   {"VIDEOS", "Videos"},
        {"TEMPLATES", "Templates"}, {"PUBLICSHARE", "Public"},
    };
    const QByteArray content = userDirsContent();
    const QByteArray home = homeBytes();
    QStringList out;
    for (const auto& f : kFolders) {
        QByteArray dir = userDir(content, f.key);
        if (dir.isEmpty())
            dir = absoluteClean(home + '/' + f.fallback);
        // A folder set to the home folder itself means "not used".
        if (dir == home || !isDirectory(dir))
            continue;
        const QString name = nameFromBytes(dir);
        if (!out.contains(name))
            out.append(name);
    }
    return out;
}

QString dataHome()
{
    const QByteArray xdg = absoluteEnv("XDG_DATA_HOME");
    return nameFromBytes(xdg.isEmpty() ? homeBytes() + "/.local/share" : absoluteClean(xdg));
}

QString userDirectory(const char* key)
{
    return nameFromBytes(userDir(userDirsContent(), key));
}

QString xdgHomeFolder(const char* variable, const char* belowHome)
{
    const QByteArray xdg = absoluteEnv(variable);
    return nameFromBytes(xdg.isEmpty() ? absoluteClean(homeBytes() + '/' + belowHome)
                                       : absoluteClean(xdg));
}

void adviseLargeBuffer(void* data, size_t size)
{
    // Only whole huge pages inside the buffer; below a few of them the
    // faults saved are not worth the call.
    constexpr uintptr_t Huge = uintptr_t(2) << 20;
    if (!data || size < 4 * Huge)
        return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + Huge - 1) & ~(Huge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(Huge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

bool questionsCanBeAsked()
{
    return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1;
}

} // namespace tovane::platform
