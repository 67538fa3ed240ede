#include "list/drivelist.h"

#include "core/progressservice.h"
#include "fs/numberformat.h"
#include "fs/volumesource.h"
#include "list/listcolumns.h"
#include "tree/treerules.h"

namespace tovane {

QString clusterSizeText(quint64 bytes)
{
    if (bytes == 0)
        return QString();
    if (bytes < 1024)
        return formatCount(bytes) + u'B';
    return formatCount(bytes / 1024) + QStringLiteral("kB");
}

QString driveCellText(const DriveRow& row, int column, bool sixDigits)
{
    switch (column) {
    case DriveColumnName:
        return row.text;
    case DriveColumnTotal:
        return row.hasCapacity ? driveCapacityText(row.totalBytes, sixDigits) : QString();
    case DriveColumnFree:
        return row.hasCapacity ? driveCapacityText(row.availableBytes, sixDigits) : QString();
    case DriveColumnFileSystem:
        return row.ready ? row.fileSystem : QString();
    case DriveColumnCluster:
        return row.hasCapacity ? clusterSizeText(row.clusterSize) : QString();
    default:
        return QString();
    }
}

QList<DriveRow> readDriveRows(VolumeSource& volumes, ProgressService* progress,
                              const std::function<int(const QString&)>& check)
{
    QList<DriveRow> rows;
    for (const platform::VolumeInfo& volume : volumes.volumes()) {
        if (progress)
            progress->pumpEvents();
        DriveRow row;
        row.mountPoint = volume.mountPoint;
        row.image = driveImage(volume.driveType, volume.device);
        platform::VolumeSpace space;
        row.ready = volumes.volumeSpace(volume.mountPoint, space) == 0;
        row.text = driveText(volume.mountPoint, volume.label,
                             row.ready ? DriveRead::Read : DriveRead::Failed);
        if (row.ready) {
            row.fileSystem = volume.fileSystem;
            row.hasCapacity = !check || check(volume.mountPoint) == 0;
            if (row.hasCapacity) {
                row.totalBytes = space.totalBytes;
                row.availableBytes = space.availableBytes;
                row.clusterSize = space.blockSize;
            }
        }
        rows.append(row);
    }
    return rows;
}

} // namespace tovane
