#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A mounted file system a person browses: its mount point and label, if any.
struct Volume
{
    QString mountPoint;
    QString label;

    // The text the drive list shows: the mount point, then the label in brackets.
    QString text() const;
};

// A mounted file system as the system lists it.
struct MountEntry
{
    QString mountPoint;
    QByteArray fileSystemType;
    QString label;
};

// The volumes a person browses among the mounts: none of kernel interfaces,
// memory-backed scratch space, package images or container layers, none in the
// system's own folders but removable media under /run/media; sorted, without
// duplicates, the root always among them.
QList<Volume> browsableVolumes(const QList<MountEntry>& mounts);

// The volumes of this machine, with their labels.
QList<Volume> mountedVolumes();

// The list the drive and folder lists share.
class VolumeTable
{
public:
    explicit VolumeTable(QList<Volume> volumes = {});

    const QList<Volume>& volumes() const { return volumeList; }
    void setVolumes(QList<Volume> volumes);

    // Index of the volume holding an absolute path: the longest mount point that
    // is the path or one of its parent folders. -1 for a relative path.
    int indexOfPath(const QString& path) const;
    int indexOfMountPoint(const QString& mountPoint) const;
    bool isMountPoint(const QString& folder) const { return indexOfMountPoint(folder) >= 0; }

private:
    QList<Volume> volumeList;
};
