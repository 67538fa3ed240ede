#pragma once
// Where the availability checks learn about volumes and paths. The real
// source asks the platform; the fake lets tests declare volumes that are
// removable, networked, without medium, unreadable, read-only, hanging or
// gone, while healthy paths still live on the real disk.
//
// Contract: calls return 0 or a positive errno and never block for long: a
// call that may hang on a volume gives ETIMEDOUT after the time limit (the
// volume then counts as not ready). UI thread only.

#include "platform/itemrecord.h"
#include "platform/volumes.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

namespace tovane {

// The volume holding a path.
struct VolumeMatch {
    QString mountPoint; // longest mount point above the path; "/" at least
    // False when the volume was mounted earlier in this run and is gone now:
    // its mount point is then a missing drive, not a folder of the parent.
    bool mounted = true;
    platform::VolumeInfo info; // valid while mounted
};

// Bits of a permission test (the values of R_OK, W_OK, X_OK).
enum AccessMode : int { AccessSearch = 1, AccessWrite = 2, AccessRead = 4 };

class VolumeSource {
public:
    virtual ~VolumeSource();

    virtual QList<platform::VolumeInfo> volumes() = 0;
    // Only absolute paths have a volume; others get an empty mount point.
    virtual VolumeMatch volumeOf(const QString& path) = 0;
    QString mountPointOf(const QString& path) { return volumeOf(path).mountPoint; }

    virtual int volumeSpace(const QString& mountPoint, platform::VolumeSpace& out) = 0;
    // The entry itself (symbolic links not followed), without the attribute
    // store: the checks need existence and kind only.
    virtual int statPath(const QString& path, ItemRecord& out) = 0;
    // `name` in `folder`, letter case ignored but an exact match first.
    virtual int lookupEntry(const QString& folder, const QString& name, ItemRecord& out) = 0;
    // Permission test for the calling user; `mode` is AccessMode bits.
    virtual int access(const QString& path, int mode) = 0;
};

// The platform's volumes, remembering every mount point seen in this run so
// that a volume unmounted behind the program's back is recognised as gone.
class PlatformVolumeSource : public VolumeSource {
public:
    using Lister = std::function<QList<platform::VolumeInfo>()>;
    // `lister` reads the mount table; tests pass their own.
    explicit PlatformVolumeSource(int timeLimitMs = platform::DefaultVolumeTimeLimitMs,
                                  Lister lister = platform::listVolumes);
    ~PlatformVolumeSource() override;

    QList<platform::VolumeInfo> volumes() override;
    VolumeMatch volumeOf(const QString& path) override;
    int volumeSpace(const QString& mountPoint, platform::VolumeSpace& out) override;
    int statPath(const QString& path, ItemRecord& out) override;
    int lookupEntry(const QString& folder, const QString& name, ItemRecord& out) override;
    int access(const QString& path, int mode) override;

    // Reads the mount table again on the next call instead of within the
    // short reuse period (after the tree saw volumes come and go).
    void refresh();
    // Drops remembered volumes that are no longer mounted, so their former
    // mount points count as plain folders again.
    void forgetVanished();

    // Mount table reads are reused this long: a loop over many items must not
    // parse it once per item.
    static constexpr int ReuseMs = 500;

private:
    struct Pending;
    void reload();
    int limited(const QString& path, std::function<int()> work);

    int m_timeLimitMs;
    Lister m_lister;
    QList<platform::VolumeInfo> m_volumes;
    QSet<QString> m_remembered;
    QElapsedTimer m_loaded;
    std::shared_ptr<Pending> m_pending;
};

// Test double. "/" is a healthy fixed volume over the real disk unless a
// test declares it otherwise; every declared volume answers from the real
// disk too unless it has an error, is gone or denies a path.
class FakeVolumeSource : public VolumeSource {
public:
    struct Volume {
        QString mountPoint;
        int driveType = platform::DriveFixed;
        QString fileSystem = QStringLiteral("ext4");
        QString label;
        QString device;
        bool readOnly = false;
        // Every call on the volume answers this (ENOMEDIUM, EIO, ETIMEDOUT...).
        int error = 0;
        double totalBytes = 64.0 * 1024 * 1024 * 1024;
        double availableBytes = 16.0 * 1024 * 1024 * 1024;
        quint64 blockSize = 4096;
    };

    FakeVolumeSource();

    void addVolume(const Volume& volume); // replaces one with the same mount point
    // Unmounted behind the program's back: gone from the list, remembered,
    // and nothing below it exists any more.
    void removeVolume(const QString& mountPoint);
    void setVolumeError(const QString& mountPoint, int error);
    // `path` answers as a folder without read and search permission does to
    // an ordinary user: it exists, fails access(), and hides what is below.
    void denyAccess(const QString& path);

    // Calls that reached a volume, by mount point.
    int callsOn(const QString& mountPoint) const { return m_calls.value(mountPoint); }
    void resetCalls() { m_calls.clear(); }

    QList<platform::VolumeInfo> volumes() override;
    VolumeMatch volumeOf(const QString& path) override;
    int volumeSpace(const QString& mountPoint, platform::VolumeSpace& out) override;
    int statPath(const QString& path, ItemRecord& out) override;
    int lookupEntry(const QString& folder, const QString& name, ItemRecord& out) override;
    int access(const QString& path, int mode) override;

private:
    const Volume* find(const QString& mountPoint) const;
    // 0 when the real disk is to answer, else the errno the fake gives.
    int preCheck(const QString& path, bool pathItselfMayBeDenied);

    QList<Volume> m_volumes;
    QSet<QString> m_removed;
    QList<QString> m_denied;
    QHash<QString, int> m_calls;
};

// Component-wise containment on text: "/a" holds "/a/b" but not "/ab".
bool pathLiesWithin(const QString& path, const QString& folder);

} // namespace tovane
