#include "browser.h"
#include "desktop.h"
#include "form1.h"
#include "savedsettings.h"
#include "scratch_folder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <memory>

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Stands in for the desktop: chosen volumes, and a record of every warning
// instead of showing it.
class FakeDesktop : public Desktop
{
public:
    QList<Volume> volumeList{{QStringLiteral("/"), QString()}};
    QStringList warnings; // title, then text
    std::function<void()> onWarn;

    QList<Volume> volumes() override { return volumeList; }
    void warn(QWidget*, const QString& title, const QString& text) override
    {
        warnings << title << text;
        if (onWarn)
            onWarn();
    }
};

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(char(value));
    return result;
}

void writeFile(const QString& name, const QByteArray& contents)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), contents.size());
}

QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A stand-in viewer on the search path: a shell script that first notes its
// process id in "pid", then runs "body".
void writeViewer(const QByteArray& body, const QByteArray& interpreter = "#!/bin/sh")
{
    QFile::remove("bin/skyglass");
    writeFile("bin/skyglass", interpreter + "\nPATH=/usr/bin:/bin\necho $$ > pid\n" + body + '\n');
    QVERIFY(QFile::setPermissions("bin/skyglass", QFile::ReadOwner | QFile::ExeOwner));
}

// Waits until the stand-in viewer has ended and the launcher has seen it end.
void waitForViewerEnd()
{
    QTRY_VERIFY(QFile::exists("pid"));
    const pid_t pid = readFile("pid").trimmed().toInt();
    QTRY_VERIFY_WITH_TIMEOUT(kill(pid, 0) != 0, 30000);
    QTest::qWait(50); // the end may be reported after the process has gone
}

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savedBytes_data();
    void savedBytes();
    void loadingFailureKeepsTheLaidOutControls_data();
    void loadingFailureKeepsTheLaidOutControls();
    void foldOutWritesOnlyWhenFoldingIn();
    void launchesWithTheRestoredPath_data();
    void launchesWithTheRestoredPath();
    void deletedFolderIsReported();
    void joinAtAVolumeRootKeepsBothSeparators();
    void unavailableDeviceIsReportedAndUndone();
    void viewerNotFoundIsReportedAfterBothFilesAreWritten_data();
    void viewerNotFoundIsReportedAfterBothFilesAreWritten();
    void viewerEndIsReported_data();
    void viewerEndIsReported();
    void closingLeavesTheViewersRunning();
    void savingWritesInPlaceWhereTheFolderTakesNoNewFile();

private:
    void createForm()
    {
        form = std::make_unique<Form1>(desktop.get());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    static void expectReportOnStandardError(const QString& start)
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression('^' + QRegularExpression::escape(
                                                                        "skyglass-gui: " + start)));
    }
    template <typename T> T* control(const char* name)
    {
        T* widget = form->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    void click(const char* button)
    {
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    }
    void clickFile(const QString& name)
    {
        auto* files = control<FileList>("File1");
        const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(items.first()).center());
    }

    std::unique_ptr<ScratchFolder> workDirectory;
    QString work;
    std::unique_ptr<FakeDesktop> desktop;
    std::unique_ptr<Form1> form;
};

void Form1Test::init()
{
    workDirectory = std::make_unique<ScratchFolder>();
    QVERIFY(QDir::setCurrent(QString::fromStdString(workDirectory->path())));
    work = QDir::currentPath();
    desktop = std::make_unique<FakeDesktop>();
    // The real viewer is never started here; this one notes how it was started.
    QVERIFY(QDir().mkdir("bin"));
    writeViewer("printf '%s\\n' \"$0\" \"$@\" > started");
    qputenv("PATH", QFile::encodeName(work + "/bin"));
}

void Form1Test::cleanup()
{
    form.reset();
    workDirectory.reset();
}

void Form1Test::savedBytes_data()
{
    QTest::addColumn<QByteArray>("before"); // "config.cfg" when the launcher starts
    QTest::addColumn<QStringList>("size");  // width and height as typed
    QTest::addColumn<QByteArray>("saved");  // empty: refused, the file stays as it was

    const QByteArray before = bytes({5, 0, 0, 0, 0, 32, 0, 0, 0});
    QTest::newRow("800 x 600") << before << QStringList{"800", "600"}
                               << bytes({5, 3, 32, 2, 88, 32, 0, 0, 0});
    QTest::newRow("half to even") << before << QStringList{"1024.5", "1025.5"}
                                  << bytes({5, 4, 0, 4, 2, 32, 0, 0, 0});
    QTest::newRow("32767, -0.4") << before << QStringList{" 32767", "-0.4 "}
                                 << bytes({5, 127, 255, 0, 0, 32, 0, 0, 0});
    QTest::newRow("depth 24 and a tail")
        << bytes({5, 0, 0, 0, 0, 24, 0, 0, 0, 0xaa, 0xbb, 0xcc}) << QStringList{"800", "600"}
        << bytes({5, 3, 32, 2, 88, 32, 0, 0, 0, 0xaa, 0xbb, 0xcc});
    for (const char* refused : {"32768", "-1", "255.5", "1e3", "nan", "inf", "0x10", "12abc", ""})
        QTest::newRow(*refused ? refused : "empty")
            << before << QStringList{"800", refused} << QByteArray();
}

void Form1Test::savedBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, size);
    QFETCH(QByteArray, saved);

    writeFile("config.cfg", before);
    createForm();
    click("cmdConfigure");
    control<QLineEdit>("txtResX")->setText(size[0]);
    control<QLineEdit>("txtResY")->setText(size[1]);
    click("cmdConfigure");

    if (saved.isEmpty()) {
        QCOMPARE(desktop->warnings.value(0), QString("Settings not saved"));
        QCOMPARE(readFile("config.cfg"), before);
    } else {
        QCOMPARE(desktop->warnings, QStringList());
        QCOMPARE(readFile("config.cfg"), saved);
    }
}

void Form1Test::loadingFailureKeepsTheLaidOutControls_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("renderer 6") << bytes({6, 3, 32, 2, 88, 16, 1, 1, 1});
    QTest::newRow("width high byte 128") << bytes({5, 128, 0, 2, 88, 16, 1, 1, 1});
}

void Form1Test::loadingFailureKeepsTheLaidOutControls()
{
    QFETCH(QByteArray, file);
    writeFile("config.cfg", file);
    createForm();

    QCOMPARE(desktop->warnings, QStringList({"Configuration error", "Configuration error"}));
    QCOMPARE(control<QLineEdit>("txtResX")->text(), QString());
    QCOMPARE(control<QLineEdit>("txtResY")->text(), QString());
    QVERIFY(!control<QRadioButton>("rdb16bit")->isChecked());
    QVERIFY(!control<QRadioButton>("rdb32bit")->isChecked());
    for (const char* box : {"chkFullScreen", "chkStencilBuffer", "chkVsync"})
        QCOMPARE(control<QCheckBox>(box)->checkState(), Qt::Unchecked);

    // Closing refuses to save the half-loaded values, and still closes.
    QVERIFY(form->close());
    QCOMPARE(desktop->warnings.value(2), QString("Settings not saved"));
    QCOMPARE(readFile("config.cfg"), file);
}

void Form1Test::foldOutWritesOnlyWhenFoldingIn()
{
    createForm();
    QVERIFY(QFile::remove("config.cfg"));
    click("cmdConfigure");
    QCOMPARE(form->width(), 502);
    QCOMPARE(control<QPushButton>("cmdConfigure")->text(), QString("Configure <<"));
    QVERIFY(!QFile::exists("config.cfg"));

    click("cmdConfigure");
    QCOMPARE(form->width(), 324);
    QCOMPARE(control<QPushButton>("cmdConfigure")->text(), QString("Configure >>"));
    QCOMPARE(readFile("config.cfg"), bytes({0, 0, 0, 0, 0, 32, 0, 0, 0}));
}

void Form1Test::launchesWithTheRestoredPath_data()
{
    QTest::addColumn<bool>("restore"); // whether "paths.ini" names a picture in "Alps, 2020"
    QTest::newRow("first start") << false;
    QTest::newRow("blanks and a comma") << true;
}

void Form1Test::launchesWithTheRestoredPath()
{
    QFETCH(bool, restore);
    const QString folder = work + "/Alps, 2020";
    QVERIFY(QDir().mkpath(folder + "/folder.jpg"));
    for (const char* name : {"pano.jpg", "PANO2.JPG", "c.png", "d.Bmp", "e.gif", "f.jpeg", "jpg"})
        writeFile(folder + '/' + name, {});
    const QString restored = restore ? folder + "/pano.jpg" : QString();
    if (restore)
        writeFile("paths.ini", restored.toUtf8() + "\r\n");
    createForm();

    QCOMPARE(desktop->warnings, QStringList());
    QCOMPARE(form->lastPath(), restored);
    QCOMPARE(control<FolderList>("Dir1")->path(), restore ? folder : work);
    auto* files = control<FileList>("File1");
    QStringList listed;
    for (int i = 0; i < files->count(); ++i)
        listed << files->item(i)->text();
    QCOMPARE(listed,
             restore ? QStringList({"c.png", "d.Bmp", "pano.jpg", "PANO2.JPG"}) : QStringList());

    // The path, blanks and comma included, is the viewer's one argument; no shell.
    click("cmdLaunchWithCurrent");
    QCOMPARE(control<QLineEdit>("Text1")->text(), "skyglass \"" + restored + '"');
    QTRY_COMPARE(readFile("started"), (work + "/bin/skyglass\n" + restored + '\n').toUtf8());
    QCOMPARE(readFile("paths.ini"), restored.toUtf8() + "\r\n");
}

void Form1Test::deletedFolderIsReported()
{
    writeFile("paths.ini", (work + "/gone/pano.jpg\r\n").toUtf8());
    writeFile("config.cfg", bytes({1, 4, 0, 3, 0}));
    createForm();

    QCOMPARE(desktop->warnings,
             QStringList({"Directory error", "Directory " + work +
                                                 "/gone/ not found.\nPlease check the path and "
                                                 "try again."}));
    // The settings are loaded after the message.
    QCOMPARE(control<QLineEdit>("txtResX")->text(), QString("1024"));
}

void Form1Test::joinAtAVolumeRootKeepsBothSeparators()
{
    const QString volume = work + "/media";
    QVERIFY(QDir().mkpath(volume));
    writeFile(volume + "/pano.jpg", {});
    desktop->volumeList.append(Volume{volume, QString()});
    writeFile("paths.ini", (volume + "/pano.jpg\r\n").toUtf8());
    createForm();

    QCOMPARE(control<FolderList>("Dir1")->path(), volume + '/');
    clickFile("pano.jpg");
    QCOMPARE(form->lastPath(), volume + "//pano.jpg");
}

void Form1Test::unavailableDeviceIsReportedAndUndone()
{
    desktop->volumeList.append(Volume{"/skyglass-no-medium", "DISC"});
    createForm();
    auto* drives = control<DriveList>("Drive1");
    drives->setCurrentIndex(1);

    QCOMPARE(desktop->warnings,
             QStringList({"Device unavailable", "Device /skyglass-no-medium [DISC] is "
                                                "unavailable.\nPlease check the device and "
                                                "try again."}));
    QCOMPARE(drives->currentText(), QString("/"));
}

void Form1Test::viewerNotFoundIsReportedAfterBothFilesAreWritten_data()
{
    QTest::addColumn<bool>("onPath"); // a viewer on the search path that cannot be run
    QTest::newRow("none on the path") << false;
    QTest::newRow("cannot be run") << true;
}

void Form1Test::viewerNotFoundIsReportedAfterBothFilesAreWritten()
{
    QFETCH(bool, onPath);
    if (onPath)
        writeViewer("", "#!/nonexistent/interpreter");
    else
        qputenv("PATH", QFile::encodeName(work));
    writeFile("pano.jpg", {});
    createForm();
    clickFile("pano.jpg");

    QByteArray written;
    desktop->onWarn = [&] { written = readFile("paths.ini") + readFile("config.cfg"); };
    click("cmdLaunchWithCurrent");

    QTRY_COMPARE(desktop->warnings,
                 QStringList({"Skyglass executable not found",
                              "skyglass not found.\nPlease place this program into the same "
                              "directory as the main program."}));
    QCOMPARE(written, (work + "/pano.jpg\r\n").toUtf8() + bytes({0, 0, 0, 0, 0, 32, 0, 0, 0}));
}

void Form1Test::viewerEndIsReported_data()
{
    QTest::addColumn<QByteArray>("viewer"); // what the stand-in viewer does
    QTest::addColumn<QStringList>("warnings");

    const QString didNotStart = QStringLiteral("Viewer did not start");
    QTest::newRow("closed by its user")
        << QByteArray("echo 'Irrlicht Engine'; echo 'skyglass: cannot load \"a\": b' >&2; exit 0")
        << QStringList();
    QTest::newRow("refusal on standard error")
        << QByteArray("echo 'Irrlicht Engine'; echo 'skyglass: one' >&2; echo 'skyglass: two' >&2; "
                      "exit 1")
        << QStringList{didNotStart, "skyglass: one\nskyglass: two"};
    QTest::newRow("only standard output")
        << QByteArray("echo 'Irrlicht Engine'; echo 'Need running XServer'; echo; exit 3")
        << QStringList{didNotStart, "Need running XServer"};
    QTest::newRow("silent") << QByteArray("exit 2")
                            << QStringList{didNotStart, "The viewer ended with exit code 2."};
    // Asked to end, by kill, Ctrl+C, a hang-up, a logout or a shutdown: no box.
    // Had the signal not ended it, the exit code would bring one up.
    for (const char* signal : {"TERM", "INT", "HUP"})
        QTest::newRow(signal) << "echo 'skyglass: X error ignored' >&2; kill -" +
                                     QByteArray(signal) + " $$; exit 1"
                              << QStringList();
    // Crashed: the box, the signal named first.
    const QList<std::pair<const char*, const char*>> crashes = {{"SEGV", "Segmentation fault"},
                                                                {"ABRT", "Aborted"}};
    for (auto [signal, description] : crashes)
        QTest::newRow(signal) << "echo 'skyglass: X error ignored' >&2; kill -" +
                                     QByteArray(signal) + " $$"
                              << QStringList{
                                     "Viewer stopped",
                                     QStringLiteral("The viewer was ended by the signal "
                                                    "SIG%1 (%2).\nskyglass: X error ignored")
                                         .arg(signal, description)};
    // What the kernel sends the program it ends when memory runs out.
    QTest::newRow("KILL") << QByteArray("echo 'skyglass: X error ignored' >&2; kill -KILL $$")
                          << QStringList{"Viewer stopped",
                                         "The viewer was ended by the signal SIGKILL (Killed).\n"
                                         "The system may have ended the viewer because it ran out "
                                         "of memory.\nskyglass: X error ignored"};

    // 40 lines of 200 bytes and a last one: 4 KiB from the end lies in line 19.
    QString tail;
    for (int i = 20; i < 40; ++i)
        tail +=
            QStringLiteral("line %1 ").arg(i, 3, 10, QLatin1Char('0')) + QString(190, u'0') + u'\n';
    QTest::newRow("long output, its end from a line's start")
        << QByteArray("i=0; while [ $i -lt 40 ]; do printf 'line %03d %0190d\\n' $i 0 >&2; "
                      "i=$((i+1)); done; echo 'skyglass: last' >&2; exit 1")
        << QStringList{didNotStart, tail + "skyglass: last"};
}

void Form1Test::viewerEndIsReported()
{
    QFETCH(QByteArray, viewer);
    QFETCH(QStringList, warnings);

    writeViewer(viewer);
    createForm();
    // The report also goes to standard error, for a launcher started from a console;
    // without one, nothing does.
    if (!warnings.isEmpty())
        expectReportOnStandardError(warnings.at(0) + ":\n" + warnings.at(1));
    else
        QTest::failOnWarning(QRegularExpression("^skyglass-gui: "));
    click("cmdLaunchWithCurrent");
    waitForViewerEnd();
    QCOMPARE(desktop->warnings, warnings);
}

void Form1Test::closingLeavesTheViewersRunning()
{
    // Two run at once. Each notes its session (the launcher's would hang it up
    // with its terminal) and writes after the launcher has gone (through a pipe
    // that would kill it).
    writeViewer("cut -d ' ' -f 6 /proc/$$/stat > session.$$\n"
                "while [ ! -e go ]; do sleep 0.02; done\n"
                "echo 'skyglass: still here' >&2; echo 'still here'; : > finished.$$");
    createForm();
    click("cmdLaunchWithCurrent");
    click("cmdLaunchWithCurrent");
    const QDir folder(".");
    QTRY_COMPARE(folder.entryList({"session.*"}).size(), 2);
    for (const QString& session : folder.entryList({"session.*"}))
        QTRY_VERIFY(!readFile(session).isEmpty() && readFile(session).toInt() != getsid(0));

    QVERIFY(form->close());
    form.reset();
    writeFile("go", {});
    QTRY_COMPARE(folder.entryList({"finished.*"}).size(), 2);
    QVERIFY(desktop->warnings.isEmpty());
}

void Form1Test::savingWritesInPlaceWhereTheFolderTakesNoNewFile()
{
    // A folder that takes no new file, holding files anyone may write: as root,
    // whom permissions do not stop, the saving runs as another user.
    const QString folder = work + "/fixed";
    QVERIFY(QDir().mkdir(folder));
    const QString config = folder + "/config.cfg";
    const QString paths = folder + "/paths.ini";
    writeFile(config, bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0xaa, 0xbb}));
    writeFile(paths, "old path\r\n");
    for (auto [name, mode] : {std::pair{config, 0666}, {paths, 0666}, {work, 0755}, {folder, 0555}})
        QCOMPARE(chmod(QFile::encodeName(name).constData(), mode_t(mode)), 0);

    const pid_t child = fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
             setresuid(nobody, nobody, nobody) != 0))
            _exit(2);
        QString reason;
        const bool saved = writeSettingsRecord(config, {5, 3, 32, 2, 88, 32, 0, 1, 0}, &reason) &&
                           writeLastPathFile(paths, "/pictures/pano.jpg", &reason);
        if (!saved)
            fprintf(stderr, "%s\n", qPrintable(reason));
        _exit(saved ? 0 : 1);
    }
    int status = -1;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0755), 0);
    QCOMPARE(status, 0);
    QCOMPARE(readFile(config), bytes({5, 3, 32, 2, 88, 32, 0, 1, 0, 0xaa, 0xbb}));
    QCOMPARE(readFile(paths), QByteArray("/pictures/pano.jpg\r\n"));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"config.cfg", "paths.ini"}));
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
