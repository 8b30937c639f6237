// The launcher's rules that need no window: which mounts are volumes.
#include "volumes.h"

#include <QTest>

class RulesTest : public QObject
{
    Q_OBJECT

private slots:
    void browsableVolumes_data();
    void browsableVolumes();
};

void RulesTest::browsableVolumes_data()
{
    QTest::addColumn<QList<MountEntry>>("mounts");
    QTest::addColumn<QStringList>("volumes"); // as the drive list shows them

    QTest::newRow("none: the root all the same") << QList<MountEntry>() << QStringList{"/"};
    QTest::newRow("sorted, each once, with labels")
        << QList<MountEntry>{{"/home", "ext4", ""},
                             {"/", "ext4", "system"},
                             {"/media/anna/My Photos", "vfat", "PHOTOS"},
                             {"/boot/efi", "vfat", ""},
                             {"/home", "ext4", ""}}
        << QStringList{"/ [system]", "/boot/efi", "/home", "/media/anna/My Photos [PHOTOS]"};
    QTest::newRow("no pseudo file systems")
        << QList<MountEntry>{{"/mnt/ram", "tmpfs", ""},
                             {"/snap/core/1", "squashfs", ""},
                             {"/var/lib/docker/overlay2/1/merged", "overlay", ""},
                             {"/home/anna/.gvfs", "fuse.gvfsd-fuse", ""},
                             {"/net", "autofs", ""},
                             {"/mnt/sshfs", "fuse.sshfs", ""}}
        << QStringList{"/", "/mnt/sshfs"};
    QTest::newRow("nothing in the system's folders but removable media")
        << QList<MountEntry>{{"/proc/sys/fs/binfmt_misc", "ext4", ""},
                             {"/sys/firmware/efi/efivars", "vfat", ""},
                             {"/dev/disk", "ext4", ""},
                             {"/run", "ext4", ""},
                             {"/run/media", "ext4", ""},
                             {"/run/media/anna/STICK", "vfat", "STICK"},
                             {"/runner", "ext4", ""}}
        << QStringList{"/", "/run/media/anna/STICK [STICK]", "/runner"};
}

void RulesTest::browsableVolumes()
{
    QFETCH(QList<MountEntry>, mounts);
    QFETCH(QStringList, volumes);

    QStringList shown;
    for (const Volume& volume : ::browsableVolumes(mounts))
        shown << volume.text();
    QCOMPARE(shown, volumes);
}

QTEST_APPLESS_MAIN(RulesTest)
#include "rules_test.moc"
