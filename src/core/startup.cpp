#include "core/startup.h"

#include "fs/pathrules.h"
#include "platform/fileops.h"
#include "platform/filesystem.h"
#include "platform/itemrecord.h"
#include "platform/system.h"
#include "platform/textfile.h"

#include <cmath>

namespace tovane {

int osClassOfVersion(const QString& version)
{
    // The leading number of the text, as the classic Val() reads it ("6.1.7601" is 6.1).
    qsizetype end = 0;
    bool point = false;
    while (end < version.size()) {
        const QChar c = version.at(end);
        if (c.isDigit() && c.unicode() < 128) {
            ++end;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
            ++end;
        } else {
            break;
        }
    }
    const double value = version.left(end).toDouble();
    const int x = int(std::floor(value * 10 + 1e-9));
    if (x >= 100)
        return 10;
    if (x >= 60)
        return x - 54;
    if (x >= 50)
        return x - 47;
    if (x == 49)
        return 2;
    if (x == 41)
        return 1;
    return 0;
}

QString helpFileName()
{
    return QStringLiteral("TovaneHelp.html");
}

bool provideHelpFile(const QString& settingsFolder, const QString& executableFolder)
{
    const QString target = addSeparator(settingsFolder) + helpFileName();
    // Whatever else stands under the name (a FIFO, a device) stays, and
    // counts as no help file.
    if (platform::pathExists(target))
        return platform::isRegularFile(target);
    const QString shipped = shippedHelpFile(executableFolder);
    if (shipped.isEmpty())
        return false;
    platform::CopyOptions options;
    options.copyAttributes = false;
    return platform::copyFile(shipped, target, options) == 0;
}

QString shippedHelpFile(const QString& executableFolder)
{
    for (const QString& candidate :
         {addSeparator(executableFolder) + helpFileName(),
          addSeparator(parentOf(stripSeparator(executableFolder))) +
              QStringLiteral("share/tovane/") + helpFileName()}) {
        ItemRecord record;
        if (platform::statPath(candidate, record) == 0 && !record.isSymlink &&
            platform::isRegularFile(candidate))
            return candidate;
    }
    return QString();
}

StartupFacts collectStartupFacts(const QString& version, const QString& settingsFolder)
{
    StartupFacts facts;
    facts.archivers = ArchiverLibraries::detect();
    facts.osClass = platform::osClass();
    facts.ntFamily = facts.osClass > 2;
    facts.osText = platform::osText();
    facts.totalMemory = platform::memoryFacts().totalBytes;
    facts.versionText = QStringLiteral("　Ver. ") + version;
    facts.captionText = QStringLiteral("Tovane") + facts.versionText;
    facts.helpFile = addSeparator(settingsFolder) + helpFileName();
    facts.helpFilePresent = platform::isRegularFile(facts.helpFile);
    return facts;
}

CapabilityFlags runCapabilityProbes(const QString& settingsFolder, int storedAttribute,
                                    int storedShell)
{
    CapabilityFlags flags;
    if (storedAttribute == 1) {
        flags.attributeChange = true;
    } else if (storedAttribute == 0) {
        quint32 before = 0;
        if (platform::getAttributes(settingsFolder, before) == 0 &&
            platform::setAttributes(settingsFolder, before | AttrSystem) == 0) {
            flags.attributeChange = true;
            platform::setAttributes(settingsFolder, before & ~quint32(AttrSystem));
        }
    }
    if (storedShell == 1)
        flags.shellFolders = true;
    else if (storedShell == 0)
        flags.shellFolders = !platform::userFolders().isEmpty();
    flags.pairedWebFolders = !probeIndependentWebFolder(settingsFolder);
    return flags;
}

bool probeIndependentWebFolder(const QString& folder)
{
    const QString base = addSeparator(folder);
    const QString probeFolder = base + QStringLiteral("Tst.files");
    const QString probePage = base + QStringLiteral("Tst.htm");
    if (platform::createFolder(probeFolder) != 0)
        return true;
    bool independent = true;
    if (platform::createEmptyFile(probePage) == 0) {
        if (platform::deleteFile(probePage) == 0) {
            ItemRecord record;
            independent = platform::statPath(probeFolder, record) == 0;
        }
    }
    platform::deleteEmptyFolder(probeFolder);
    return independent;
}

bool folderAvailable(const QString& path, QString& fallback)
{
    fallback.clear();
    ItemRecord record;
    auto isFolder = [&record](const QString& p) {
        if (platform::statPath(p, record) != 0)
            return false;
        if (record.isFolder())
            return true;
        return record.isSymlink && record.linkToFolder;
    };
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    if (isFolder(path))
        return true;
    QString up = path;
    while (!isRootPath(up)) {
        up = stripSeparator(parentOf(up));
        if (isFolder(up)) {
            fallback = up;
            return false;
        }
    }
    return false;
}

namespace {

// A folder as the tree keys spell it: absolute, no empty, "." or ".."
// component, no NUL (the kernel would stop reading the path there).
bool plainAbsolutePath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return false;
    if (path.size() == 1)
        return true;
    const QStringList parts = path.mid(1).split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

bool pathLiesIn(const QString& path, const QString& top)
{
    const QString t = stripSeparator(top);
    if (isRootPath(t))
        return path.startsWith(QLatin1Char('/'));
    return path == t || path.startsWith(t + QLatin1Char('/'));
}
} // namespace

WindowPaths repairWindowPaths(WindowPaths stored, const QString& homeFolder,
                              const PathCheck& check)
{
    const QString computer = QStringLiteral("_");
    for (QString* item : {&stored.treeTop, &stored.path}) {
        if (item->isEmpty() || *item == computer)
            continue;
        // Text that names no folder ("C:", "-1", "foo") has nowhere to fall
        // back to, like a folder whose whole volume is gone.
        QString fallback;
        if (!plainAbsolutePath(*item))
            *item = computer;
        else if (!check(*item, fallback))
            *item = plainAbsolutePath(fallback) ? fallback : computer;
    }
    if (stored.treeTop.isEmpty())
        stored.treeTop = computer;
    if (stored.path.isEmpty())
        stored.path = homeFolder;
    if (stored.treeTop != computer && !pathLiesIn(stored.path, stored.treeTop))
        stored.path = stored.treeTop;
    return stored;
}

bool closeRefused(bool operationRunning, const QString& progressText, bool destinationListOpen)
{
    return (operationRunning || !progressText.isEmpty()) && !destinationListOpen;
}

} // namespace tovane
