#pragma once
// Volumes stand where a Windows program has drives: the mounted file systems
// a user cares about. Calls that may block on a hung network mount run with a
// time limit and then report ETIMEDOUT (the caller counts the volume as not
// ready) instead of freezing the window.

#include "platform/itemrecord.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>

namespace tovane::platform {

enum DriveType {
    DriveUnknown = 0,
    DriveRemovable = 1,
    DriveFixed = 2,
    DriveNetwork = 3,
    DriveCdRom = 4,
    DriveRamDisk = 5
};

struct VolumeInfo {
    QString mountPoint; // the volume's key and its "drive root"
    QString device;     // mount source, e.g. /dev/sda1
    QString fileSystem; // e.g. ext4, vfat, nfs4
    QString label;      // from /dev/disk/by-label, empty when none
    int driveType = DriveUnknown;
    bool readOnly = false; // mounted read-only
};

// From /proc/self/mountinfo (escapes such as \040 decoded), without pseudo
// file systems and mounts of single files; "/" is always first. Sorted by
// mount point. A later mount on the same point hides the earlier one.
QList<VolumeInfo> listVolumes();

// Whether anything is mounted below `folder` (links on its path followed).
bool holdsMountPoint(const QString& folder);

// The mount point of the volume holding `path` (longest listed prefix).
QString mountPointOf(const QString& path);

struct VolumeSpace {
    double totalBytes = 0;
    double availableBytes = 0;
    quint64 blockSize = 0; // the cluster size
    bool readOnly = false;
};

constexpr int DefaultVolumeTimeLimitMs = 2000;

// statvfs of the mount point with a time limit (errors as for
// statPathWithTimeLimit below).
int volumeSpace(const QString& mountPoint, VolumeSpace& out,
                int timeLimitMs = DefaultVolumeTimeLimitMs);

// statPath (lstat semantics) of any path with a time limit, for the checks
// that ask whether a volume or folder is there. ETIMEDOUT when it does not
// answer in time, and at once while an earlier call for the same path is
// still stuck; EAGAIN when no helper thread could be started.
int statPathWithTimeLimit(const QString& path, ItemRecord& out,
                          int timeLimitMs = DefaultVolumeTimeLimitMs);

// faccessat with the effective ids (AT_EACCESS), e.g. W_OK before writing
// into a folder; the same time limit and errors as above.
int accessWithTimeLimit(const QString& path, int mode, int timeLimitMs = DefaultVolumeTimeLimitMs);

// Runs `work` on a short-lived helper thread and waits at most `timeLimitMs`.
// Returns work's result, or ETIMEDOUT (the thread is left to finish on its
// own; it must not touch anything the caller owns after the time-out, so
// `work` gets only copies), or EAGAIN when no thread could be started.
int runWithTimeLimit(std::function<int()> work, int timeLimitMs = DefaultVolumeTimeLimitMs);

// Parsing seams, exposed for tests.
QString decodeMountInfoField(const QByteArray& field);
QList<VolumeInfo> parseMountInfo(const QByteArray& mountInfoText);
bool isPseudoFileSystem(const QString& fileSystem);
// `fsMagic` is statfs's f_type (0 when unknown); it tells network volumes
// whose type name does not.
int driveTypeFor(const QString& fileSystem, const QString& device, quint32 fsMagic = 0);

namespace detail {
// statPathWithTimeLimit with the stat itself replaced, so that tests can
// make it hang. `work` runs on the helper thread and gets its own record.
using StatWork = std::function<int(const QString& path, ItemRecord& out)>;
int statPathWithTimeLimit(const QString& path, ItemRecord& out, int timeLimitMs,
                          const StatWork& work);
} // namespace detail

} // namespace tovane::platform
