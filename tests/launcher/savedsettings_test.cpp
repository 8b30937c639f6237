#include "savedsettings.h"
#include "volumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Bytes = QList<int>;

class SavedSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void textToNumberAcceptsDecimalsOnly_data();
    void textToNumberAcceptsDecimalsOnly();
    void splitResolution_data();
    void splitResolution();
    void joinResolutionRefusesHighBytesAbove127();
    void checkBoxBytesMapBothWays();
    void lastPathReadsTheWholeLine_data();
    void lastPathReadsTheWholeLine();
    void lastPathFileIsOneLineWithCrLf();
    void recordKeepsTheTailOfALongerFile_data();
    void recordKeepsTheTailOfALongerFile();
    void writeFailsWithoutTouchingTheFile();
    void mountInfoKeepsRealFolderVolumes();
    void volumeOfAPathIsTheLongestHoldingMountPoint_data();
    void volumeOfAPathIsTheLongestHoldingMountPoint();
};

void SavedSettingsTest::textToNumberAcceptsDecimalsOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");

    QTest::newRow("integer") << "800" << true << 800.0;
    QTest::newRow("fraction") << "1024.5" << true << 1024.5;
    QTest::newRow("blanks around") << " \t640  " << true << 640.0;
    QTest::newRow("plus sign") << "+12.0" << true << 12.0;
    QTest::newRow("minus sign") << "-0.4" << true << -0.4;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("exponent") << "1e3" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("hexadecimal") << "0x10" << false << 0.0;
    QTest::newRow("trailing text") << "12abc" << false << 0.0;
    QTest::newRow("comma") << "1,5" << false << 0.0;
}

void SavedSettingsTest::textToNumberAcceptsDecimalsOnly()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);

    const std::optional<double> number = textToNumber(text);
    QCOMPARE(number.has_value(), accepted);
    if (accepted)
        QCOMPARE(*number, value);
}

void SavedSettingsTest::splitResolution_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("hi");
    QTest::addColumn<int>("lo");

    QTest::newRow("800") << 800.0 << true << 3 << 32;
    QTest::newRow("600") << 600.0 << true << 2 << 88;
    QTest::newRow("1024") << 1024.0 << true << 4 << 0;
    QTest::newRow("1024.5 half to even below") << 1024.5 << true << 4 << 0;
    QTest::newRow("1025.5 half to even above") << 1025.5 << true << 4 << 2;
    QTest::newRow("-0.4 rounds to 0") << -0.4 << true << 0 << 0;
    QTest::newRow("32767") << 32767.0 << true << 127 << 255;
    QTest::newRow("32768") << 32768.0 << false << 0 << 0;
    QTest::newRow("-1") << -1.0 << false << 0 << 0;
    QTest::newRow("-0.6 rounds to -1") << -0.6 << false << 0 << 0;
    // The low part may not round up to 256: no carry into the high part.
    QTest::newRow("255.5") << 255.5 << false << 0 << 0;
    QTest::newRow("255.4") << 255.4 << true << 0 << 255;
    QTest::newRow("huge") << 1e300 << false << 0 << 0;
}

void SavedSettingsTest::splitResolution()
{
    QFETCH(double, value);
    QFETCH(bool, accepted);
    QFETCH(int, hi);
    QFETCH(int, lo);

    const std::optional<ResolutionBytes> bytes = ::splitResolution(value);
    QCOMPARE(bytes.has_value(), accepted);
    if (accepted) {
        QCOMPARE(int(bytes->hi), hi);
        QCOMPARE(int(bytes->lo), lo);
    }
}

void SavedSettingsTest::joinResolutionRefusesHighBytesAbove127()
{
    QCOMPARE(joinResolution(3, 32), std::optional<int>(800));
    QCOMPARE(joinResolution(127, 255), std::optional<int>(32767));
    QCOMPARE(joinResolution(0, 0), std::optional<int>(0));
    QVERIFY(!joinResolution(128, 0));
    QVERIFY(!joinResolution(255, 255));
}

void SavedSettingsTest::checkBoxBytesMapBothWays()
{
    QCOMPARE(checkStateFromByte(0), std::optional(Qt::Unchecked));
    QCOMPARE(checkStateFromByte(1), std::optional(Qt::Checked));
    QCOMPARE(checkStateFromByte(2), std::optional(Qt::PartiallyChecked));
    QVERIFY(!checkStateFromByte(3));
    QVERIFY(!checkStateFromByte(255));
    for (quint8 byte : {0, 1, 2})
        QCOMPARE(byteFromCheckState(*checkStateFromByte(byte)), byte);
}

void SavedSettingsTest::lastPathReadsTheWholeLine_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("hasPath");
    QTest::addColumn<QString>("path");

    QTest::newRow("plain") << QByteArray("/home/ann/pano.jpg\r\n") << true << "/home/ann/pano.jpg";
    QTest::newRow("comma kept") << QByteArray("/home/ann/Alps, 2020/pano.jpg\r\n") << true
                                << "/home/ann/Alps, 2020/pano.jpg";
    QTest::newRow("leading blanks skipped")
        << QByteArray(" \t /pics/a b.jpg\r\n") << true << "/pics/a b.jpg";
    QTest::newRow("quoted") << QByteArray("\"/pics/a, b.jpg\"\r\n") << true << "/pics/a, b.jpg";
    QTest::newRow("unterminated quote") << QByteArray("\"/pics/a.jpg\r\n") << true << "/pics/a.jpg";
    QTest::newRow("line feed only") << QByteArray("/pics/a.jpg\n") << true << "/pics/a.jpg";
    QTest::newRow("second line ignored")
        << QByteArray("/pics/a.jpg\r\n/pics/b.jpg\r\n") << true << "/pics/a.jpg";
    QTest::newRow("empty line") << QByteArray("\r\n") << true << "";
    QTest::newRow("utf-8") << QByteArray("/bilder/\xc3\xa4lpler.jpg\r\n") << true
                           << QString::fromUtf8("/bilder/\xc3\xa4lpler.jpg");
    QTest::newRow("empty file") << QByteArray() << false << "";
}

void SavedSettingsTest::lastPathReadsTheWholeLine()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, hasPath);
    QFETCH(QString, path);

    const std::optional<QString> read = lastPathFromFile(contents);
    QCOMPARE(read.has_value(), hasPath);
    if (hasPath)
        QCOMPARE(*read, path);
}

void SavedSettingsTest::lastPathFileIsOneLineWithCrLf()
{
    QCOMPARE(lastPathFileContents("/a, b/c.jpg"), QByteArray("/a, b/c.jpg\r\n"));
    QCOMPARE(lastPathFileContents(QString()), QByteArray("\r\n"));
    QCOMPARE(*lastPathFromFile(lastPathFileContents("/a, b/c.jpg")), QString("/a, b/c.jpg"));
}

void SavedSettingsTest::recordKeepsTheTailOfALongerFile_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray record("\x05\x03\x20\x02\x58\x20\x00\x01\x00", 9);
    QTest::newRow("no file") << QByteArray() << record;
    QTest::newRow("shorter") << QByteArray("\x01\x02\x03", 3) << record;
    QTest::newRow("nine bytes") << QByteArray(9, '\x7f') << record;
    QTest::newRow("twelve bytes") << QByteArray(9, '\x7f') + QByteArray("\xaa\xbb\xcc", 3)
                                  << record + QByteArray("\xaa\xbb\xcc", 3);
}

void SavedSettingsTest::recordKeepsTheTailOfALongerFile()
{
    QFETCH(QByteArray, old);
    QFETCH(QByteArray, expected);

    const SettingsRecord record{5, 3, 32, 2, 88, 32, 0, 1, 0};
    QCOMPARE(recordOverFile(old, record), expected);

    QTemporaryDir dir;
    const QString fileName = dir.filePath("config.cfg");
    if (!old.isEmpty()) {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    QString error;
    QVERIFY(writeSettingsRecord(fileName, record, &error));
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
}

void SavedSettingsTest::writeFailsWithoutTouchingTheFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("config.cfg"));
    QString error;
    QVERIFY(!writeSettingsRecord(dir.filePath("config.cfg"), SettingsRecord{}, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(dir.filePath("config.cfg")).isDir());

    QVERIFY(!writeSettingsRecord(dir.filePath("missing/config.cfg"), SettingsRecord{}, &error));
    QVERIFY(!error.isEmpty());
}

void SavedSettingsTest::mountInfoKeepsRealFolderVolumes()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("Ann Stick");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir().mkpath(dir.filePath("data")));
    QVERIFY(QDir().mkpath(dir.filePath("layer")));
    QFile hosts(dir.filePath("hosts"));
    QVERIFY(hosts.open(QIODevice::WriteOnly));
    hosts.close();

    const QByteArray base = dir.path().toUtf8();
    const QByteArray mountInfo = "22 1 0:21 / /proc rw - proc proc rw\n"
                                 "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
                                 "24 1 0:5 / /dev rw - devtmpfs udev rw\n"
                                 "25 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
                                 "26 25 0:23 / /run rw - tmpfs tmpfs rw\n"
                                 "27 25 254:2 / " +
                                 base +
                                 "/data rw - ext4 /dev/vda2 rw\n"
                                 "28 25 8:17 / " +
                                 base +
                                 "/Ann\\040Stick rw - vfat /dev/sdb1 rw\n"
                                 "29 25 254:1 /etc/hosts " +
                                 base +
                                 "/hosts rw - ext4 /dev/vda1 rw\n"
                                 "30 25 0:40 / " +
                                 base +
                                 "/tmp rw - tmpfs tmpfs rw\n"
                                 "31 25 254:2 / " +
                                 base +
                                 "/data rw - ext4 /dev/vda2 rw\n"
                                 "32 25 0:41 / " +
                                 base +
                                 "/gone rw - ext4 /dev/sdc1 rw\n"
                                 "33 25 0:42 / " +
                                 base +
                                 "/layer rw - overlay overlay rw\n"
                                 "garbage line\n";

    QStringList mountPoints;
    for (const Volume& volume : volumesFromMountInfo(mountInfo))
        mountPoints << volume.mountPoint;
    QCOMPARE(mountPoints, QStringList({"/", folder, dir.filePath("data")}));
}

void SavedSettingsTest::volumeOfAPathIsTheLongestHoldingMountPoint_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("volume");

    QTest::newRow("root") << "/" << 0;
    QTest::newRow("on root") << "/etc/pano.jpg" << 0;
    QTest::newRow("mount point itself") << "/home" << 1;
    QTest::newRow("inside") << "/home/ann/pano.jpg" << 1;
    QTest::newRow("name prefix only") << "/homework/pano.jpg" << 0;
    QTest::newRow("nested mount") << "/home/ann/stick/pano.jpg" << 2;
    QTest::newRow("relative") << "pics/pano.jpg" << -1;
}

void SavedSettingsTest::volumeOfAPathIsTheLongestHoldingMountPoint()
{
    QFETCH(QString, path);
    QFETCH(int, volume);

    const VolumeTable table({{"/", ""}, {"/home", ""}, {"/home/ann/stick", "STICK"}});
    QCOMPARE(table.indexOfPath(path), volume);
    QCOMPARE(table.volumes().at(2).text(), QString("/home/ann/stick [STICK]"));
    QCOMPARE(table.volumes().at(1).text(), QString("/home"));
}

QTEST_GUILESS_MAIN(SavedSettingsTest)
#include "savedsettings_test.moc"
