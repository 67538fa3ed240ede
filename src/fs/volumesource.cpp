#include "fs/volumesource.h"
#include "fs/pathrules.h"
#include "platform/filesystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace tovane {

bool pathLiesWithin(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    if (isRootPath(folder))
        return path.startsWith(PathSeparator);
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == PathSeparator);
}

namespace {

bool isAbsolute(const QString& path)
{
    return path.startsWith(PathSeparator);
}

// Longest mount point above `path` among `points`.
template <typename Points, typename PointOf>
QString longestWithin(const QString& path, const Points& points, PointOf pointOf, qsizetype& at)
{
    QString best;
    at = -1;
    qsizetype i = 0;
    for (const auto& p : points) {
        const QString& point = pointOf(p);
        if (point.size() > best.size() && pathLiesWithin(path, point)) {
            best = point;
            at = i;
        }
        ++i;
    }
    return best;
}

VolumeMatch notAbsolute()
{
    VolumeMatch match;
    match.mounted = false;
    return match;
}

// The mounted volume with the longest mount point above `path`, unless a
// volume seen earlier and gone now lies closer: then the path is on a
// missing drive.
VolumeMatch matchVolume(const QString& path, const QList<platform::VolumeInfo>& mounted,
                        const QSet<QString>& gonePoints)
{
    VolumeMatch match;
    qsizetype at = -1;
    match.mountPoint = longestWithin(
        path, mounted, [](const platform::VolumeInfo& v) -> const QString& { return v.mountPoint; },
        at);
    if (at >= 0)
        match.info = mounted.at(at);
    qsizetype goneAt = -1;
    const QString gone = longestWithin(
        path, gonePoints, [](const QString& p) -> const QString& { return p; }, goneAt);
    if (gone.size() > match.mountPoint.size()) {
        match.mountPoint = gone;
        match.mounted = false;
        match.info = platform::VolumeInfo();
        match.info.mountPoint = gone;
    }
    if (match.mountPoint.isEmpty())
        match.mountPoint = QString(PathSeparator);
    return match;
}

} // namespace

VolumeSource::~VolumeSource() = default;

// Mount points with a call still blocked past its time limit. The helper
// threads outlive the source, so the set is shared with them.
struct PlatformVolumeSource::Pending {
    std::mutex mutex;
    QSet<QString> busy;

    void finish(const QString& point)
    {
        std::lock_guard<std::mutex> lock(mutex);
        busy.remove(point);
    }
};

PlatformVolumeSource::PlatformVolumeSource(int timeLimitMs, Lister lister)
    : m_timeLimitMs(timeLimitMs), m_lister(std::move(lister)),
      m_pending(std::make_shared<Pending>())
{
}

PlatformVolumeSource::~PlatformVolumeSource() = default;

void PlatformVolumeSource::reload()
{
    if (m_loaded.isValid() && m_loaded.elapsed() < ReuseMs)
        return;
    m_volumes = m_lister ? m_lister() : platform::listVolumes();
    for (const platform::VolumeInfo& v : std::as_const(m_volumes))
        m_remembered.insert(v.mountPoint);
    m_loaded.start();
}

void PlatformVolumeSource::refresh()
{
    m_loaded.invalidate();
}

void PlatformVolumeSource::forgetVanished()
{
    m_loaded.invalidate();
    reload();
    QSet<QString> mounted;
    for (const platform::VolumeInfo& v : std::as_const(m_volumes))
        mounted.insert(v.mountPoint);
    m_remembered = mounted;
}

QList<platform::VolumeInfo> PlatformVolumeSource::volumes()
{
    reload();
    return m_volumes;
}

VolumeMatch PlatformVolumeSource::volumeOf(const QString& path)
{
    if (!isAbsolute(path))
        return notAbsolute();
    reload();
    return matchVolume(path, m_volumes, m_remembered);
}

int PlatformVolumeSource::limited(const QString& path, std::function<int()> work)
{
    const QString point = volumeOf(path).mountPoint;
    {
        // Each further try on a stuck volume would leave one more blocked
        // thread behind; it stays not ready until the first call returns.
        std::lock_guard<std::mutex> lock(m_pending->mutex);
        if (m_pending->busy.contains(point))
            return ETIMEDOUT;
        m_pending->busy.insert(point);
    }
    auto pending = m_pending;
    auto ran = std::make_shared<std::atomic<bool>>(false);
    const int result = platform::runWithTimeLimit(
        [pending, point, ran, work = std::move(work)]() {
            ran->store(true);
            const int error = work();
            pending->finish(point);
            return error;
        },
        m_timeLimitMs);
    if (result == EAGAIN && !ran->load())
        m_pending->finish(point); // no thread could be made: nothing is stuck
    return result;
}

int PlatformVolumeSource::volumeSpace(const QString& mountPoint, platform::VolumeSpace& out)
{
    return platform::volumeSpace(mountPoint, out, m_timeLimitMs);
}

int PlatformVolumeSource::statPath(const QString& path, ItemRecord& out)
{
    auto record = std::make_shared<ItemRecord>();
    const QString copy = path;
    const int e = limited(path, [copy, record]() {
        platform::ListOptions options;
        options.readAttributeStore = false;
        return platform::statPath(copy, *record, options);
    });
    if (e == 0)
        out = *record;
    return e;
}

int PlatformVolumeSource::lookupEntry(const QString& folder, const QString& name, ItemRecord& out)
{
    auto record = std::make_shared<ItemRecord>();
    const QString folderCopy = folder;
    const QString nameCopy = name;
    const int e = limited(addSeparator(folder) + name, [folderCopy, nameCopy, record]() {
        platform::ListOptions options;
        options.readAttributeStore = false;
        return platform::lookupEntry(folderCopy, nameCopy, *record, options);
    });
    if (e == 0)
        out = *record;
    return e;
}

int PlatformVolumeSource::access(const QString& path, int mode)
{
    // The checks stat a path before they test its permissions, so a hung
    // volume is already marked busy here and not asked again.
    const QString point = volumeOf(path).mountPoint;
    {
        std::lock_guard<std::mutex> lock(m_pending->mutex);
        if (m_pending->busy.contains(point))
            return ETIMEDOUT;
    }
    return platform::accessWithTimeLimit(path, mode, m_timeLimitMs);
}

// --- FakeVolumeSource ---

FakeVolumeSource::FakeVolumeSource()
{
    Volume root;
    root.mountPoint = QString(PathSeparator);
    m_volumes.append(root);
}

const FakeVolumeSource::Volume* FakeVolumeSource::find(const QString& mountPoint) const
{
    for (const Volume& v : m_volumes)
        if (v.mountPoint == mountPoint)
            return &v;
    return nullptr;
}

void FakeVolumeSource::addVolume(const Volume& volume)
{
    m_removed.remove(volume.mountPoint);
    for (Volume& v : m_volumes) {
        if (v.mountPoint == volume.mountPoint) {
            v = volume;
            return;
        }
    }
    m_volumes.append(volume);
}

void FakeVolumeSource::removeVolume(const QString& mountPoint)
{
    m_volumes.erase(std::remove_if(m_volumes.begin(), m_volumes.end(),
                                   [&](const Volume& v) { return v.mountPoint == mountPoint; }),
                    m_volumes.end());
    m_removed.insert(mountPoint);
}

void FakeVolumeSource::setVolumeError(const QString& mountPoint, int error)
{
    for (Volume& v : m_volumes)
        if (v.mountPoint == mountPoint)
            v.error = error;
}

void FakeVolumeSource::denyAccess(const QString& path)
{
    m_denied.append(stripSeparator(path));
}

QList<platform::VolumeInfo> FakeVolumeSource::volumes()
{
    QList<platform::VolumeInfo> list;
    for (const Volume& v : std::as_const(m_volumes)) {
        platform::VolumeInfo info;
        info.mountPoint = v.mountPoint;
        info.device = v.device;
        info.fileSystem = v.fileSystem;
        info.label = v.label;
        info.driveType = v.driveType;
        info.readOnly = v.readOnly;
        list.append(info);
    }
    std::sort(list.begin(), list.end(),
              [](const platform::VolumeInfo& a, const platform::VolumeInfo& b) {
                  return a.mountPoint < b.mountPoint;
              });
    return list;
}

VolumeMatch FakeVolumeSource::volumeOf(const QString& path)
{
    if (!isAbsolute(path))
        return notAbsolute();
    return matchVolume(path, volumes(), m_removed);
}

int FakeVolumeSource::preCheck(const QString& path, bool pathItselfMayBeDenied)
{
    if (!isAbsolute(path))
        return ENOENT;
    const VolumeMatch match = volumeOf(path);
    ++m_calls[match.mountPoint];
    if (!match.mounted)
        return ENOENT;
    if (const Volume* v = find(match.mountPoint); v && v->error)
        return v->error;
    const QString stripped = stripSeparator(path);
    for (const QString& denied : std::as_const(m_denied)) {
        if (!pathLiesWithin(stripped, denied))
            continue;
        if (stripped != denied || pathItselfMayBeDenied)
            return EACCES;
    }
    return 0;
}

int FakeVolumeSource::volumeSpace(const QString& mountPoint, platform::VolumeSpace& out)
{
    if (int e = preCheck(mountPoint, false))
        return e;
    const Volume* v = find(mountPoint);
    if (!v)
        return ENOENT;
    out.totalBytes = v->totalBytes;
    out.availableBytes = v->availableBytes;
    out.blockSize = v->blockSize;
    out.readOnly = v->readOnly;
    return 0;
}

int FakeVolumeSource::statPath(const QString& path, ItemRecord& out)
{
    if (int e = preCheck(path, false))
        return e;
    platform::ListOptions options;
    options.readAttributeStore = false;
    return platform::statPath(path, out, options);
}

int FakeVolumeSource::lookupEntry(const QString& folder, const QString& name, ItemRecord& out)
{
    if (int e = preCheck(addSeparator(folder) + name, false))
        return e;
    platform::ListOptions options;
    options.readAttributeStore = false;
    return platform::lookupEntry(folder, name, out, options);
}

int FakeVolumeSource::access(const QString& path, int mode)
{
    if (int e = preCheck(path, (mode & (AccessRead | AccessSearch)) != 0))
        return e;
    if (mode & AccessWrite) {
        const Volume* v = find(volumeOf(path).mountPoint);
        if (v && v->readOnly)
            return EROFS;
    }
    return platform::accessWithTimeLimit(path, mode, platform::DefaultVolumeTimeLimitMs);
}

} // namespace tovane
