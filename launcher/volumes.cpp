#include "volumes.h"

#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStorageInfo>

QString Volume::text() const
{
    return label.isEmpty() ? mountPoint : mountPoint + QStringLiteral(" [") + label + u']';
}

// File systems that hold no files of the user's: kernel interfaces, memory-backed
// scratch space, package images and the layers of container engines (the root
// itself is listed whatever its type).
static bool isPseudoFileSystem(const QByteArray& type)
{
    static const QSet<QByteArray> pseudo = {
        "autofs",       "binfmt_misc", "bpf",      "cgroup",     "cgroup2",         "configfs",
        "debugfs",      "devpts",      "devtmpfs", "efivarfs",   "fusectl",         "hugetlbfs",
        "mqueue",       "nsfs",        "proc",     "pstore",     "ramfs",           "rpc_pipefs",
        "securityfs",   "selinuxfs",   "squashfs", "sysfs",      "tmpfs",           "tracefs",
        "nfsd",         "rootfs",      "overlay",  "fuse.lxcfs", "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.snapfuse"};
    return pseudo.contains(type);
}

static bool isSystemFolder(const QString& mountPoint)
{
    for (const char* system : {"/proc", "/sys", "/dev", "/run"}) {
        const QString prefix = QString::fromLatin1(system);
        if (mountPoint == prefix || mountPoint.startsWith(prefix + u'/'))
            return !mountPoint.startsWith(QStringLiteral("/run/media/"));
    }
    return false;
}

QList<Volume> browsableVolumes(const QList<MountEntry>& mounts)
{
    QMap<QString, QString> labels{{QStringLiteral("/"), QString()}}; // sorted by mount point
    for (const MountEntry& mount : mounts) {
        if (!isPseudoFileSystem(mount.fileSystemType) && !isSystemFolder(mount.mountPoint))
            labels.insert(mount.mountPoint, mount.label);
    }
    QList<Volume> volumes;
    for (auto it = labels.cbegin(); it != labels.cend(); ++it)
        volumes.append(Volume{it.key(), it.value()});
    return volumes;
}

QList<Volume> mountedVolumes()
{
    QList<MountEntry> mounts;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        mounts.append(MountEntry{storage.rootPath(), storage.fileSystemType(), storage.name()});
    QList<Volume> volumes;
    for (const Volume& volume : browsableVolumes(mounts)) {
        // Containers bind single files such as /etc/hosts: those are no volumes.
        if (QFileInfo(volume.mountPoint).isDir())
            volumes.append(volume);
    }
    return volumes;
}

VolumeTable::VolumeTable(QList<Volume> volumes)
{
    setVolumes(std::move(volumes));
}

void VolumeTable::setVolumes(QList<Volume> volumes)
{
    volumeList = std::move(volumes);
}

static bool holds(const QString& mountPoint, const QString& path)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == mountPoint ||
           (path.startsWith(mountPoint) && path.at(mountPoint.size()) == u'/');
}

int VolumeTable::indexOfPath(const QString& path) const
{
    int best = -1;
    for (int i = 0; i < volumeList.size(); ++i) {
        const QString& mountPoint = volumeList.at(i).mountPoint;
        if (holds(mountPoint, path) &&
            (best < 0 || mountPoint.size() > volumeList.at(best).mountPoint.size()))
            best = i;
    }
    return best;
}

int VolumeTable::indexOfMountPoint(const QString& mountPoint) const
{
    for (int i = 0; i < volumeList.size(); ++i) {
        if (volumeList.at(i).mountPoint == mountPoint)
            return i;
    }
    return -1;
}
