// Starts the real launcher and presses "View panorama" the way a user does; the
// real viewer must open its window on the chosen picture.
#include "x11_testing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

static QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

static bool writeFile(const QString& name, const QByteArray& contents)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

class LauncherEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void viewPanoramaOpensTheViewerWindow();
};

void LauncherEndToEndTest::viewPanoramaOpensTheViewerWindow()
{
    x11testing::Connection x;
    QVERIFY2(x.isOpen(), "no X display");

    // A run folder with the sample in a folder whose name holds a blank and a comma.
    QTemporaryDir run;
    const QString media = QStringLiteral(SKYGLASS_RUN_DIR "/media");
    QVERIFY(QFile::link(media, run.filePath("media")));
    QVERIFY(QDir(run.path()).mkdir("Alps, 2020"));
    const QString picture = run.filePath("Alps, 2020/sample pano.jpg");
    QVERIFY(QFile::copy(media + "/sample-panorama.jpg", picture));
    QVERIFY(writeFile(run.filePath("paths.ini"), picture.toUtf8() + "\r\n"));
    // OpenGL, 320 x 240, 32 bits, windowed, and a tail that must survive.
    const QByteArray settings("\x05\x01\x40\x00\xf0\x20\x00\x00\x00\x2a", 10);
    QVERIFY(writeFile(run.filePath("config.cfg"), settings));

    const std::vector<x11testing::Window> beforeLauncher = x.topLevelWindows();
    QProcess launcher;
    launcher.setWorkingDirectory(run.path());
    launcher.setProcessChannelMode(QProcess::ForwardedChannels);
    launcher.start(QStringLiteral(SKYGLASS_GUI_EXECUTABLE), {});
    const x11testing::Window launcherWindow = x.waitForNewWindow(beforeLauncher);
    QVERIFY2(launcherWindow != 0, "the launcher's window did not appear");

    // Press "View panorama" (0, 416, 193 x 41) without choosing a file.
    const std::vector<x11testing::Window> beforeViewer = x.topLevelWindows();
    x.movePointer(launcherWindow, 96, 436);
    x.click(1);
    const x11testing::Window viewer = x.waitForNewWindow(beforeViewer);
    QVERIFY2(viewer != 0, "the viewer's window did not appear");
    int width = 0;
    int height = 0;
    QVERIFY(x11testing::waitUntil(
        [&] { return x.size(viewer, width, height) && width == 320 && height == 240; }));

    // The picture is on screen: the window is not one flat colour.
    QVERIFY(x11testing::waitUntil([&] {
        const x11testing::Image image = x.grab(viewer);
        for (std::uint32_t pixel : image.pixels) {
            if (pixel != image.pixels.front())
                return true;
        }
        return false;
    }));

    x.sendDeleteWindow(viewer);
    x.sendDeleteWindow(launcherWindow);
    QVERIFY(launcher.waitForFinished(60000));
    QCOMPARE(launcher.exitCode(), 0);
    QCOMPARE(readFile(run.filePath("paths.ini")), picture.toUtf8() + "\r\n");
    QCOMPARE(readFile(run.filePath("config.cfg")), settings);
}

QTEST_GUILESS_MAIN(LauncherEndToEndTest)
#include "launcher_e2e_test.moc"
