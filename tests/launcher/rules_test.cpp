// The launcher's rules that need no window: which mounts are volumes, and the
// path that "paths.ini" holds.
#include "savedsettings.h"
#include "volumes.h"

#include <QTest>

class RulesTest : public QObject
{
    Q_OBJECT

private slots:
    void browsableVolumes_data();
    void browsableVolumes();
    void lastPathFromFile_data();
    void lastPathFromFile();
};

void RulesTest::browsableVolumes_data()
{
    QTest::addColumn<QList<MountEntry>>("mounts");
    QTest::addColumn<QStringList>("volumes"); // as the drive list shows them

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

void RulesTest::lastPathFromFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("holdsPath");
    QTest::addColumn<QString>("path");

    QTest::newRow("empty file") << QByteArray() << false << QString();
    QTest::newRow("empty line") << QByteArray("\r\n") << true << QString();
    QTest::newRow("first line only")
        << QByteArray("/a b/p.jpg\r\n/other.jpg\r\n") << true << "/a b/p.jpg";
    QTest::newRow("line feed only") << QByteArray("/p.jpg\n") << true << "/p.jpg";
    QTest::newRow("no line end") << QByteArray("/p.jpg") << true << "/p.jpg";
    QTest::newRow("comma kept") << QByteArray("/Alps, 2020/p.jpg\r\n") << true
                                << "/Alps, 2020/p.jpg";
    QTest::newRow("leading blanks") << QByteArray(" \t /p.jpg\r\n") << true << "/p.jpg";
    QTest::newRow("quoted") << QByteArray(" \"/a, b/p.jpg\" rest\r\n") << true << "/a, b/p.jpg";
    QTest::newRow("quote left open") << QByteArray("\"/p.jpg\r\n\"\r\n") << true << "/p.jpg";
    QTest::newRow("UTF-8") << QByteArray("/Z\xC3\xBCrich.jpg\r\n") << true
                           << QString::fromUtf8("/Z\xC3\xBCrich.jpg");
}

void RulesTest::lastPathFromFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, holdsPath);
    QFETCH(QString, path);

    const std::optional<QString> read = ::lastPathFromFile(contents);
    QCOMPARE(read.has_value(), holdsPath);
    QCOMPARE(read.value_or(QString()), path);
}

QTEST_APPLESS_MAIN(RulesTest)
#include "rules_test.moc"
