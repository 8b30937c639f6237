// Starts the real launcher and presses "View panorama" the way a user does; the
// real viewer must open its window on the chosen picture.
#include "x11_testing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using x11testing::Connection;
using x11testing::Window;

namespace {

QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& name, const QByteArray& contents)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

class LauncherEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void viewPanoramaOpensTheViewerWindow();
};

void LauncherEndToEndTest::viewPanoramaOpensTheViewerWindow()
{
    Connection x;
    QVERIFY2(x.isOpen(), "no X display");

    // A run folder like the build folder, with the sample in a folder whose name
    // holds a blank and a comma.
    QTemporaryDir run;
    QVERIFY(run.isValid());
    const QString media = QStringLiteral(SKYGLASS_RUN_DIR "/media");
    QVERIFY(QFile::link(media, run.filePath("media")));
    QVERIFY(QDir(run.path()).mkdir("Alps, 2020"));
    const QString picture = run.filePath("Alps, 2020/sample pano.jpg");
    QVERIFY(QFile::copy(media + "/sample-panorama.jpg", picture));
    QVERIFY(writeFile(run.filePath("paths.ini"), picture.toUtf8() + "\r\n"));
    // OpenGL, 320 x 240, 32 bits, windowed, and a tail that must survive.
    const QByteArray settings("\x05\x01\x40\x00\xf0\x20\x00\x00\x00\x2a", 10);
    QVERIFY(writeFile(run.filePath("config.cfg"), settings));

    const std::vector<Window> beforeLauncher = x.topLevelWindows();
    QProcess launcher;
    launcher.setWorkingDirectory(run.path());
    launcher.setProcessChannelMode(QProcess::ForwardedChannels);
    launcher.start(QStringLiteral(SKYGLASS_GUI_EXECUTABLE), {});
    QVERIFY(launcher.waitForStarted());

    const Window launcherWindow = x.waitForNewWindow(beforeLauncher);
    QVERIFY2(launcherWindow != 0, "the launcher's window did not appear");
    int width = 0;
    int height = 0;
    QVERIFY(x.size(launcherWindow, width, height));
    QCOMPARE(width, 324);
    QCOMPARE(height, 460);

    // "View panorama" lies at 0, 416, 193 x 41 in the window.
    const std::vector<Window> beforeViewer = x.topLevelWindows();
    x.movePointer(launcherWindow, 96, 436);
    x.click(1);

    const Window viewerWindow = x.waitForNewWindow(beforeViewer);
    QVERIFY2(viewerWindow != 0, "the viewer's window did not appear");
    QVERIFY(x11testing::waitUntil(
        [&] { return x.size(viewerWindow, width, height) && width == 320 && height == 240; }));
    QCOMPARE(readFile(run.filePath("paths.ini")), picture.toUtf8() + "\r\n");
    QCOMPARE(readFile(run.filePath("config.cfg")), settings);

    // The picture is on screen: the window is not one flat colour.
    QVERIFY(x11testing::waitUntil([&] {
        const x11testing::Image image = x.grab(viewerWindow);
        if (image.empty())
            return false;
        for (std::uint32_t pixel : image.pixels) {
            if (pixel != image.pixels.front())
                return true;
        }
        return false;
    }));

    x.sendDeleteWindow(viewerWindow);
    QVERIFY(x11testing::waitUntil([&] { return !x.exists(viewerWindow); }));
    QVERIFY(launcher.state() == QProcess::Running);

    x.sendDeleteWindow(launcherWindow);
    QVERIFY(launcher.waitForFinished(60000));
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher.exitCode(), 0);
    QCOMPARE(readFile(run.filePath("config.cfg")), settings);
}

QTEST_GUILESS_MAIN(LauncherEndToEndTest)
#include "launcher_e2e_test.moc"
