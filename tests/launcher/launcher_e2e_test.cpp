// Starts the real launcher and presses "View panorama" the way a user does: the
// real viewer must open its window on the chosen picture, or, where it cannot
// start, the launcher must say why in a box.
#include "scratch_folder.h"
#include "settings_record.h"
#include "x11_testing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <X11/keysym.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

static QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A "config.cfg": the renderer at that size, 32 bits, windowed.
static QByteArray settingsFile(quint8 renderer, int width, int height)
{
    const SettingsRecord record = EncodeSettings({renderer, width, height, 32, 0, 0, 0});
    return QByteArray(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
}

static bool writeFile(const QString& name, const QByteArray& contents)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// The viewers whose parent is "parent"; /proc/PID/stat holds "PID (skyglass) S PPID ...".
static QList<pid_t> viewersOf(pid_t parent)
{
    QList<pid_t> viewers;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        const QList<QByteArray> stat = readFile("/proc/" + pid + "/stat").split(' ');
        if (stat.value(1) == "(skyglass)" && stat.value(3).toInt() == parent)
            viewers << pid.toInt();
    }
    return viewers;
}

class LauncherEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void viewPanoramaOpensTheViewerWindow();
    void failedStartShowsTheViewersReason_data();
    void failedStartShowsTheViewersReason();
    void boxOutlastsAKeyHeldFromTheLastOne();
    void cleanup();

private:
    // Starts the launcher in a new run folder with these settings; the sample,
    // in a folder whose name holds a blank and a comma, is the last path.
    void startLauncher(const QByteArray& settings);
    void pressViewPanorama(); // at 0, 416, 193 x 41; no file is chosen
    // Presses "View panorama" on settings the viewer refuses: the launcher's box.
    x11testing::Window waitForRefusalBox();
    void closeLauncher();

    x11testing::Connection x;
    std::unique_ptr<ScratchFolder> run;
    QDir runFolder;
    QString picture;
    std::unique_ptr<QProcess> launcher;
    x11testing::Window launcherWindow = 0;
};

void LauncherEndToEndTest::initTestCase()
{
    QVERIFY2(x.isOpen(), "no X display");
    // A viewer that outlives the launcher becomes this process's child, so
    // that its exit status can be seen.
    QCOMPARE(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
}

void LauncherEndToEndTest::startLauncher(const QByteArray& settings)
{
    run = std::make_unique<ScratchFolder>();
    runFolder.setPath(QString::fromStdString(run->path()));
    const QString media = QStringLiteral(SKYGLASS_RUN_DIR "/media");
    QVERIFY(QFile::link(media, runFolder.filePath("media")));
    QVERIFY(runFolder.mkdir("Alps, 2020"));
    picture = runFolder.filePath("Alps, 2020/sample pano.jpg");
    QVERIFY(QFile::copy(media + "/sample-panorama.jpg", picture));
    QVERIFY(writeFile(runFolder.filePath("paths.ini"), picture.toUtf8() + "\r\n"));
    QVERIFY(writeFile(runFolder.filePath("config.cfg"), settings));

    const std::vector<x11testing::Window> before = x.topLevelWindows();
    launcher = std::make_unique<QProcess>();
    launcher->setWorkingDirectory(runFolder.path());
    launcher->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    launcher->start(QStringLiteral(SKYGLASS_GUI_EXECUTABLE), {});
    launcherWindow = x.waitForNewWindow(before);
    QVERIFY2(launcherWindow != 0, "the launcher's window did not appear");
}

void LauncherEndToEndTest::pressViewPanorama()
{
    x.movePointer(launcherWindow, 96, 436);
    x.click(1);
}

x11testing::Window LauncherEndToEndTest::waitForRefusalBox()
{
    const std::vector<x11testing::Window> before = x.topLevelWindows();
    pressViewPanorama();
    const x11testing::Window box = x.waitForNewWindow(before);
    if (box != 0 && x.title(box) != "Viewer did not start")
        return 0;
    return box;
}

void LauncherEndToEndTest::closeLauncher()
{
    x.sendDeleteWindow(launcherWindow);
    QVERIFY(launcher->waitForFinished(60000));
    QCOMPARE(launcher->exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher->exitCode(), 0);
}

void LauncherEndToEndTest::viewPanoramaOpensTheViewerWindow()
{
    // OpenGL, 320 x 240, and a tail that must survive.
    const QByteArray settings = settingsFile(5, 320, 240) + '\x2a';
    startLauncher(settings);

    std::vector<x11testing::Window> before = x.topLevelWindows();
    pressViewPanorama();
    const x11testing::Window first = x.waitForNewWindow(before);
    QVERIFY2(first != 0, "the viewer's window did not appear");
    int width = 0;
    int height = 0;
    QVERIFY(x11testing::waitUntil(
        [&] { return x.size(first, width, height) && width == 320 && height == 240; }));
    // The picture is on screen: the window is not one flat colour.
    QVERIFY(x11testing::waitUntil([&] {
        const x11testing::Image image = x.grab(first);
        return !image.empty() &&
               std::count(image.pixels.begin(), image.pixels.end(), image.pixels.front()) <
                   std::ptrdiff_t(image.pixels.size());
    }));

    // Closed by its user, the viewer ends without a box, which would keep the
    // next press from starting another viewer.
    const QList<pid_t> firstViewer = viewersOf(pid_t(launcher->processId()));
    QCOMPARE(firstViewer.size(), 1);
    x.sendDeleteWindow(first);
    QVERIFY(x11testing::waitUntil([&] { return kill(firstViewer.first(), 0) != 0; }));
    before = x.topLevelWindows();
    pressViewPanorama();
    const x11testing::Window second = x.waitForNewWindow(before);
    QVERIFY2(second != 0, "the second viewer's window did not appear");
    QCOMPARE(x.title(second), std::string()); // the viewer's window has no title, a box has

    // Closing the launcher leaves the viewer running, until its own window closes.
    closeLauncher();
    QCOMPARE(readFile(runFolder.filePath("paths.ini")), picture.toUtf8() + "\r\n");
    QCOMPARE(readFile(runFolder.filePath("config.cfg")), settings);
    const QList<pid_t> orphans = viewersOf(getpid());
    QCOMPARE(orphans.size(), 1);
    QVERIFY(x.exists(second));
    x.sendDeleteWindow(second);
    int status = -1;
    QVERIFY(x11testing::waitUntil(
        [&] { return waitpid(orphans.first(), &status, WNOHANG) == orphans.first(); }));
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void LauncherEndToEndTest::failedStartShowsTheViewersReason_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("Direct3D 9") << settingsFile(4, 320, 240)
                                << QByteArray("skyglass: config.cfg chooses renderer 4 (Direct3D "
                                              "9), which this system does not have; choose "
                                              "OpenGL, BurningsVideo or Software in Skyglass GUI");
    QTest::newRow("width 0") << settingsFile(5, 0, 240)
                             << QByteArray("skyglass: the window size 0 x 240 in config.cfg "
                                           "cannot be used");
    // Shown as renderer NULL at 0 x 0 and saved so.
    QTest::newRow("empty") << QByteArray()
                           << QByteArray("skyglass: config.cfg chooses no renderer with a window");
}

void LauncherEndToEndTest::failedStartShowsTheViewersReason()
{
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, reason);

    startLauncher(settings);
    const x11testing::Window box = waitForRefusalBox();
    QVERIFY2(box != 0, "no box \"Viewer did not start\" appeared");
    // The box's text also goes to the launcher's standard error.
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += launcher->readAllStandardError()).contains(reason), 30000);
    QVERIFY2(errors.contains("skyglass-gui: Viewer did not start:\n" + reason), errors.constData());

    x.sendDeleteWindow(box);
    QVERIFY(x11testing::waitUntil([&] { return !x.exists(box); }));
    closeLauncher();
}

// Two launchers one after the other in one X server. Enter, pressed on the
// first one's box, closes it and stays down; the server repeats it into the
// window with the focus, which the second launcher's box takes. Those repeats
// must not answer the box; a new key does.
void LauncherEndToEndTest::boxOutlastsAKeyHeldFromTheLastOne()
{
    startLauncher(settingsFile(4, 320, 240));
    x11testing::Window box = waitForRefusalBox();
    QVERIFY2(box != 0, "the first launcher's box did not appear");
    QVERIFY(x11testing::waitUntil([&] { return x.focus() == box; }));
    x.key(XK_Return, true);
    QVERIFY(x11testing::waitUntil([&] { return !x.exists(box); }));
    closeLauncher();

    startLauncher(settingsFile(5, 0, 480));
    box = waitForRefusalBox();
    QVERIFY2(box != 0, "the second launcher's box did not appear");
    QVERIFY(x.waitForKeyRepeat(box, XK_Return));
    QVERIFY2(x.waitUntilHandled(box) && x.viewable(box), "a repeat of the held key closed the box");

    // Pressed by XTest, a release and a press can come in the same millisecond,
    // as a repeat does; another key is plainly new.
    x.key(XK_Return, false);
    x.key(XK_Escape, true);
    x.key(XK_Escape, false);
    QVERIFY(x11testing::waitUntil([&] { return !x.exists(box); }));
    closeLauncher();
}

void LauncherEndToEndTest::cleanup()
{
    // A key left down would repeat into the next test's windows.
    x.key(XK_Return, false);
    launcher.reset(); // ends a launcher that a failure left running
}

QTEST_GUILESS_MAIN(LauncherEndToEndTest)
#include "launcher_e2e_test.moc"
