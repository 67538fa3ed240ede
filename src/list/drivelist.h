#pragma once
// The drive layout of the file list: one row per volume while the computer
// node is selected, with the volume's capacities. Volumes stand for drives;
// a volume's key is its mount point.

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace tovane {

class ProgressService;
class VolumeSource;

struct DriveRow {
    QString mountPoint;
    QString text;             // mount point + volume part, as the tree shows the volume
    int image = 2;            // the tree's volume image
    bool ready = false;       // the volume answered; its file-system cell is filled
    bool hasCapacity = false; // ready and its check passed: capacity cells filled
    double totalBytes = 0;
    double availableBytes = 0;
    QString fileSystem;
    quint64 clusterSize = 0;
};

// Below 1024 bytes "#,##0B", else the kilobytes "#,##0kB"; blank when unknown.
QString clusterSizeText(quint64 bytes);

// The cells of a drive row in column order.
QString driveCellText(const DriveRow& row, int column, bool sixDigits);

// Reads one row per listed volume. `check` is the availability check of a
// mount point (0 when it passes); without it a ready volume passes.
QList<DriveRow> readDriveRows(VolumeSource& volumes, ProgressService* progress,
                              const std::function<int(const QString&)>& check = {});

} // namespace tovane
