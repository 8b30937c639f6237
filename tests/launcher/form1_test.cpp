#include "browser.h"
#include "desktop.h"
#include "form1.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// Stands in for the desktop: chosen volumes, and a record of every warning and
// program start instead of showing or starting anything.
class FakeDesktop : public Desktop
{
public:
    QList<Volume> volumeList{{QStringLiteral("/"), QString()}};
    QStringList warnings;      // title, then text
    QList<QStringList> starts; // program, then arguments
    std::function<void()> onWarn;

    QList<Volume> volumes() override { return volumeList; }
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        starts.append(QStringList{program} + arguments);
        return true;
    }
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

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savedBytes_data();
    void savedBytes();
    void depth24AndTheTailSurviveASave();
    void loadingFailureKeepsTheLaidOutControls_data();
    void loadingFailureKeepsTheLaidOutControls();
    void foldOutWritesOnlyWhenFoldingIn();
    void firstStartLaunchesWithAnEmptyPath();
    void restoresAPathWithACommaWithoutAClick();
    void deletedFolderIsReported();
    void joinAtAVolumeRootKeepsBothSeparators();
    void unavailableDeviceIsReportedAndUndone();
    void missingViewerIsReportedAfterBothFilesAreWritten();

private:
    void createForm()
    {
        form = std::make_unique<Form1>(desktop.get());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
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

    std::unique_ptr<QTemporaryDir> workDirectory;
    QString work;
    std::unique_ptr<FakeDesktop> desktop;
    std::unique_ptr<Form1> form;
};

void Form1Test::init()
{
    workDirectory = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(workDirectory->path()));
    work = QDir::currentPath();
    desktop = std::make_unique<FakeDesktop>();
    // A stand-in viewer on the search path; the real one is never started here.
    QVERIFY(QDir().mkdir("bin"));
    writeFile("bin/skyglass", "#!/bin/sh\n");
    QVERIFY(QFile::setPermissions("bin/skyglass", QFile::ReadOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(work + "/bin"));
}

void Form1Test::cleanup()
{
    form.reset();
    workDirectory.reset();
}

void Form1Test::savedBytes_data()
{
    QTest::addColumn<QStringList>("size"); // width and height as typed
    QTest::addColumn<QByteArray>("saved"); // empty: refused, the file stays as it was

    QTest::newRow("800 x 600") << QStringList{"800", "600"}
                               << bytes({5, 3, 32, 2, 88, 32, 0, 0, 0});
    QTest::newRow("half to even") << QStringList{"1024.5", "1025.5"}
                                  << bytes({5, 4, 0, 4, 2, 32, 0, 0, 0});
    QTest::newRow("32767, -0.4") << QStringList{" 32767", "-0.4 "}
                                 << bytes({5, 127, 255, 0, 0, 32, 0, 0, 0});
    for (const char* refused : {"32768", "-1", "255.5", "1e3", "nan", "inf", "0x10", "12abc", ""})
        QTest::newRow(*refused ? refused : "empty") << QStringList{"800", refused} << QByteArray();
}

void Form1Test::savedBytes()
{
    QFETCH(QStringList, size);
    QFETCH(QByteArray, saved);

    const QByteArray before = bytes({5, 0, 0, 0, 0, 32, 0, 0, 0});
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

void Form1Test::depth24AndTheTailSurviveASave()
{
    writeFile("config.cfg", bytes({5, 3, 32, 2, 88, 24, 0, 0, 0, 0xaa, 0xbb, 0xcc}));
    createForm();
    QVERIFY(control<QRadioButton>("rdb32bit")->isChecked());
    QVERIFY(form->close());
    QCOMPARE(desktop->warnings, QStringList());
    QCOMPARE(readFile("config.cfg"), bytes({5, 3, 32, 2, 88, 32, 0, 0, 0, 0xaa, 0xbb, 0xcc}));
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

void Form1Test::firstStartLaunchesWithAnEmptyPath()
{
    createForm();
    QCOMPARE(desktop->warnings, QStringList());
    QCOMPARE(form->lastPath(), QString());
    QCOMPARE(control<FolderList>("Dir1")->path(), work);

    click("cmdLaunchWithCurrent");
    QCOMPARE(desktop->starts, QList<QStringList>({{work + "/bin/skyglass", ""}}));
    QCOMPARE(control<QLineEdit>("Text1")->text(), QString("skyglass \"\""));
    QCOMPARE(readFile("paths.ini"), QByteArray("\r\n"));
}

void Form1Test::restoresAPathWithACommaWithoutAClick()
{
    const QString folder = work + "/Alps, 2020";
    QVERIFY(QDir().mkpath(folder + "/folder.jpg"));
    for (const char* name : {"pano.jpg", "PANO2.JPG", "c.png", "d.Bmp", "e.gif", "f.jpeg", "jpg"})
        writeFile(folder + '/' + name, {});
    const QString restored = folder + "/pano.jpg";
    writeFile("paths.ini", restored.toUtf8() + "\r\n");
    createForm();

    QCOMPARE(desktop->warnings, QStringList());
    QCOMPARE(form->lastPath(), restored);
    QCOMPARE(control<FolderList>("Dir1")->path(), folder);
    auto* files = control<FileList>("File1");
    QStringList listed;
    for (int i = 0; i < files->count(); ++i)
        listed << files->item(i)->text();
    QCOMPARE(listed, QStringList({"c.png", "d.Bmp", "pano.jpg", "PANO2.JPG"}));

    // The path, blanks and comma included, is the viewer's one argument; no shell.
    click("cmdLaunchWithCurrent");
    QCOMPARE(desktop->starts, QList<QStringList>({{work + "/bin/skyglass", restored}}));
    QCOMPARE(control<QLineEdit>("Text1")->text(), "skyglass \"" + restored + '"');
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

void Form1Test::missingViewerIsReportedAfterBothFilesAreWritten()
{
    qputenv("PATH", QFile::encodeName(work));
    writeFile("pano.jpg", {});
    createForm();
    clickFile("pano.jpg");

    QByteArray written;
    desktop->onWarn = [&] { written = readFile("paths.ini") + readFile("config.cfg"); };
    click("cmdLaunchWithCurrent");

    QCOMPARE(desktop->warnings,
             QStringList({"Skyglass executable not found",
                          "skyglass not found.\nPlease place this program into the same "
                          "directory as the main program."}));
    QVERIFY(desktop->starts.isEmpty());
    QCOMPARE(written, (work + "/pano.jpg\r\n").toUtf8() + bytes({0, 0, 0, 0, 0, 32, 0, 0, 0}));
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
