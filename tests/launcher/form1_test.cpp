#include "browser.h"
#include "desktop.h"
#include "form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include <unistd.h>

namespace {

struct Warning
{
    QString title;
    QString text;
};

struct Start
{
    QString program;
    QStringList arguments;
};

// Stands in for the desktop: a chosen list of volumes, and a record of every
// warning and program start instead of showing or starting anything.
class FakeDesktop : public Desktop
{
public:
    QList<Volume> volumeList{{QStringLiteral("/"), QString()}};
    QList<Warning> warnings;
    QList<Start> starts;
    std::function<void()> onWarn;

    QList<Volume> volumes() override { return volumeList; }
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        starts.append({program, arguments});
        return true;
    }
    void warn(QWidget*, const QString& title, const QString& text) override
    {
        warnings.append({title, text});
        if (onWarn)
            onWarn();
    }
};

using Bytes = QList<int>;

QByteArray toBytes(const Bytes& values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
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
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void touch(const QString& name)
{
    writeFile(name, QByteArray());
}

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowIsLaidOutFromTwips();
    void tabOrderFollowsTheLayout();
    void firstStartShowsTheWorkingDirectory();
    void restoresTheLastPathWithoutAClick();
    void emptyLastPathOpensTheParentOfTheWorkingDirectory();
    void pathWithoutSeparatorIsIgnoredSilently();
    void missingDriveOrFolderIsReported_data();
    void missingDriveOrFolderIsReported();
    void unlistableFolderIsReported();
    void unavailableDeviceIsReportedAndUndone();
    void volumesRememberTheirLastFolder();
    void clickingAFileSetsTheLastPathOnly();
    void joinAtAVolumeRootKeepsBothSeparators();
    void loadingShowsEachValueUntilAFailure_data();
    void loadingShowsEachValueUntilAFailure();
    void unreadableSettingsFileIsAConfigurationError();
    void savedBytes_data();
    void savedBytes();
    void refusedValueWritesNothing_data();
    void refusedValueWritesNothing();
    void unwritableSettingsFileIsReported();
    void grayedCheckBoxRoundTrips();
    void foldOutWritesOnlyWhenFoldingIn();
    void toggleTestsTheCurrentWidth();
    void closingSavesSettingsButNotThePath();
    void closingStillClosesWhenAValueIsRefused();
    void viewPanoramaStartsTheViewer_data();
    void viewPanoramaStartsTheViewer();
    void twoPressesStartTwoViewers();
    void refusedValueStartsNoViewer();
    void missingViewerIsReportedAfterBothFilesAreWritten();

private:
    std::unique_ptr<Form1> createForm();
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
    void clickFile(const QString& name);

    QString originalDirectory;
    QTemporaryDir binDirectory;
    QTemporaryDir emptyDirectory;
    std::unique_ptr<QTemporaryDir> workDirectory;
    QString work; // the working directory of the current test
    std::unique_ptr<FakeDesktop> desktop;
    std::unique_ptr<Form1> form;
};

void Form1Test::initTestCase()
{
    originalDirectory = QDir::currentPath();
    // A stand-in viewer on the search path; the real one is never started here.
    const QString viewer = binDirectory.filePath("skyglass");
    writeFile(viewer, "#!/bin/sh\nexit 0\n");
    QVERIFY(QFile::setPermissions(viewer, QFile::permissions(viewer) | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(binDirectory.path()));
}

void Form1Test::init()
{
    workDirectory = std::make_unique<QTemporaryDir>();
    QVERIFY(workDirectory->isValid());
    QVERIFY(QDir::setCurrent(workDirectory->path()));
    work = QDir::currentPath();
    desktop = std::make_unique<FakeDesktop>();
    qputenv("PATH", QFile::encodeName(binDirectory.path()));
}

void Form1Test::cleanup()
{
    form.reset();
    desktop.reset();
    QDir::setCurrent(originalDirectory);
    workDirectory.reset();
}

std::unique_ptr<Form1> Form1Test::createForm()
{
    auto created = std::make_unique<Form1>(desktop.get());
    created->show();
    if (!QTest::qWaitForWindowExposed(created.get()))
        qWarning("window not exposed");
    return created;
}

void Form1Test::clickFile(const QString& name)
{
    auto* files = control<FileList>("File1");
    const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    files->scrollToItem(items.first());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(items.first()).center());
}

void Form1Test::windowIsLaidOutFromTwips()
{
    form = createForm();
    QCOMPARE(form->windowTitle(), QString("Corvane's Skyglass GUI"));
    QCOMPARE(form->size(), QSize(324, 460));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));

    QCOMPARE(control<QLabel>("Image1")->geometry(), QRect(0, 0, 326, 130));
    QCOMPARE(control<QLabel>("Image1")->pixmap().size(), QSize(326, 130));
    QCOMPARE(control<QLabel>("Label1")->geometry(), QRect(0, 136, 297, 17));
    QCOMPARE(control<QComboBox>("Drive1")->geometry(), QRect(0, 152, 321, 24));
    QCOMPARE(control<QWidget>("Dir1")->geometry(), QRect(0, 176, 321, 114));
    QCOMPARE(control<QPushButton>("cmdLaunchWithCurrent")->geometry(), QRect(0, 416, 193, 41));
    QCOMPARE(control<QPushButton>("cmdConfigure")->geometry(), QRect(200, 416, 121, 41));
    QCOMPARE(control<QLineEdit>("Text1")->geometry(), QRect(0, 504, 321, 73));
    QCOMPARE(control<QGroupBox>("fraConfiguration")->geometry(), QRect(328, 152, 169, 161));
    QCOMPARE(control<QCheckBox>("chkVsync")->geometry(), QRect(8, 136, 89, 17));

    // The captions fit their controls in the layout's font.
    const auto* launch = control<QPushButton>("cmdLaunchWithCurrent");
    QCOMPARE(launch->text(), QString("View panorama"));
    QCOMPARE(launch->font().family(), QString("Liberation Sans"));
    QCOMPARE(launch->font().pointSizeF(), 18.0);
    QVERIFY(launch->font().bold());
    QVERIFY(launch->fontMetrics().horizontalAdvance(launch->text()) < launch->width() - 8);
    const auto* label = control<QLabel>("Label1");
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    QCOMPARE(control<QLabel>("Label2")->font().pointSizeF(), 8.0);
}

void Form1Test::tabOrderFollowsTheLayout()
{
    form = createForm();
    const QStringList expected = {"Drive1",
                                  "Dir1",
                                  "File1",
                                  "Text1",
                                  "cmdLaunchWithCurrent",
                                  "cboRenderer",
                                  "txtResX",
                                  "txtResY",
                                  "rdb16bit",
                                  "rdb32bit",
                                  "chkFullScreen",
                                  "chkStencilBuffer",
                                  "chkVsync",
                                  "cmdConfigure"};
    QStringList order;
    QWidget* widget = control<QWidget>("Drive1");
    for (int i = 0; i < expected.size(); ++i) {
        order << widget->objectName();
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus) || widget->objectName().isEmpty());
    }
    QCOMPARE(order, expected);
}

void Form1Test::firstStartShowsTheWorkingDirectory()
{
    touch("pano.jpg");
    form = createForm();

    QVERIFY(desktop->warnings.isEmpty());
    QCOMPARE(form->lastPath(), QString());
    QCOMPARE(control<QComboBox>("Drive1")->currentText(), QString("/"));
    QCOMPARE(control<FolderList>("Dir1")->path(), work);
    QCOMPARE(control<FileList>("File1")->count(), 1);
    QCOMPARE(control<QPushButton>("cmdConfigure")->text(), QString("Configure >>"));

    // The missing settings file is created empty and shows as zeros.
    QCOMPARE(readFile("config.cfg"), QByteArray());
    QCOMPARE(control<QComboBox>("cboRenderer")->currentText(), QString("NULL"));
    QCOMPARE(control<QLineEdit>("txtResX")->text(), QString("0"));
    QCOMPARE(control<QLineEdit>("txtResY")->text(), QString("0"));
    QVERIFY(control<QRadioButton>("rdb32bit")->isChecked());
    QCOMPARE(control<QCheckBox>("chkFullScreen")->checkState(), Qt::Unchecked);
    QVERIFY(!QFile::exists("paths.ini"));
}

void Form1Test::restoresTheLastPathWithoutAClick()
{
    const QString folder = work + "/Alps, 2020";
    QVERIFY(QDir().mkpath(folder + "/Sub"));
    for (const char* name :
         {"pano.jpg", "PANO2.JPG", "c.png", "d.Bmp", "e.gif", "f.tga", "jpg", "g.jpeg"})
        touch(folder + '/' + name);
    QVERIFY(QDir().mkpath(folder + "/folder.jpg"));
    const QString restored = folder + "/pano.jpg";
    writeFile("paths.ini", restored.toUtf8() + "\r\n");
    writeFile("config.cfg", toBytes({5, 3, 32, 2, 88, 16, 1, 0, 1}));

    form = createForm();

    QVERIFY(desktop->warnings.isEmpty());
    QCOMPARE(form->lastPath(), restored);
    QCOMPARE(control<QComboBox>("Drive1")->currentText(), QString("/"));
    QCOMPARE(control<FolderList>("Dir1")->path(), folder);
    auto* files = control<FileList>("File1");
    QStringList listed;
    for (int i = 0; i < files->count(); ++i)
        listed << files->item(i)->text();
    QCOMPARE(listed, QStringList({"c.png", "d.Bmp", "pano.jpg", "PANO2.JPG"}));
    QCOMPARE(files->fileName(), QString());
    QCOMPARE(control<QLineEdit>("txtResX")->text(), QString("800"));

    // Pressing "View panorama" without a click starts the viewer on the restored path.
    click("cmdLaunchWithCurrent");
    QCOMPARE(desktop->starts.size(), 1);
    QCOMPARE(desktop->starts.first().arguments, QStringList{restored});
}

void Form1Test::emptyLastPathOpensTheParentOfTheWorkingDirectory()
{
    writeFile("paths.ini", "\r\n");
    form = createForm();
    QVERIFY(desktop->warnings.isEmpty());
    QCOMPARE(form->lastPath(), work);
    QCOMPARE(control<FolderList>("Dir1")->path(), QFileInfo(work).path());
}

void Form1Test::pathWithoutSeparatorIsIgnoredSilently()
{
    touch("pano.jpg");
    writeFile("paths.ini", "pano.jpg\r\n");
    form = createForm();
    QVERIFY(desktop->warnings.isEmpty());
    QCOMPARE(form->lastPath(), QString("pano.jpg"));
    QCOMPARE(control<FolderList>("Dir1")->path(), work);
    QCOMPARE(control<FileList>("File1")->count(), 1);
}

void Form1Test::missingDriveOrFolderIsReported_data()
{
    QTest::addColumn<QString>("restored");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("deleted folder")
        << "%1/gone/pano.jpg"
        << "Directory error"
        << "Directory %1/gone/ not found.\nPlease check the path and try again.";
    QTest::newRow("unplugged volume")
        << "/skyglass-unplugged/pics/pano.jpg"
        << "Drive error"
        << "Drive /skyglass-unplugged/ not found.\nPlease check the path and try again.";
    QTest::newRow("relative path")
        << "pics/pano.jpg"
        << "Drive error"
        << "Drive pics/ not found.\nPlease check the path and try again.";
}

void Form1Test::missingDriveOrFolderIsReported()
{
    QFETCH(QString, restored);
    QFETCH(QString, title);
    QFETCH(QString, text);

    desktop->volumeList.append(Volume{"/skyglass-unplugged", "USB"});
    writeFile("paths.ini", restored.arg(work).toUtf8() + "\r\n");
    writeFile("config.cfg", toBytes({1, 4, 0, 3, 0}));
    form = createForm();

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, title);
    QCOMPARE(desktop->warnings.first().text, text.arg(work));
    QCOMPARE(form->lastPath(), restored.arg(work));
    QCOMPARE(control<QComboBox>("Drive1")->currentText(), QString("/"));
    QCOMPARE(control<FolderList>("Dir1")->path(), work);
    // The settings are loaded after the message.
    QCOMPARE(control<QLineEdit>("txtResX")->text(), QString("1024"));
}

void Form1Test::unlistableFolderIsReported()
{
    if (geteuid() == 0)
        QSKIP("every folder can be listed by root");
    QVERIFY(QDir().mkpath("locked"));
    QVERIFY(QFile::setPermissions("locked", QFile::ExeOwner));
    writeFile("paths.ini", (work + "/locked/pano.jpg\r\n").toUtf8());
    form = createForm();
    QFile::setPermissions("locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Directory error"));
    QCOMPARE(desktop->warnings.first().text,
             "Directory " + work +
                 "/locked/ cannot be listed.\nPlease check the path and try again.");
}

void Form1Test::unavailableDeviceIsReportedAndUndone()
{
    desktop->volumeList.append(Volume{"/skyglass-no-medium", "DISC"});
    form = createForm();
    auto* drives = control<DriveList>("Drive1");
    QCOMPARE(drives->count(), 2);

    QString driveWhileWarning;
    desktop->onWarn = [&] { driveWhileWarning = drives->currentText(); };
    drives->setCurrentIndex(1);

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Device unavailable"));
    QCOMPARE(desktop->warnings.first().text,
             QString("Device /skyglass-no-medium [DISC] is unavailable.\n"
                     "Please check the device and try again."));
    QCOMPARE(driveWhileWarning, QString("/"));
    QCOMPARE(drives->currentText(), QString("/"));
    QCOMPARE(control<FolderList>("Dir1")->path(), work);
}

void Form1Test::volumesRememberTheirLastFolder()
{
    const QString volume = work + "/stick";
    QVERIFY(QDir().mkpath(volume + "/trip"));
    touch(volume + "/trip/pano.png");
    desktop->volumeList.append(Volume{volume, "STICK"});
    form = createForm();
    auto* drives = control<DriveList>("Drive1");
    auto* folders = control<FolderList>("Dir1");
    auto* files = control<FileList>("File1");

    // A volume chosen for the first time opens at its root.
    drives->setCurrentIndex(1);
    QCOMPARE(folders->path(), volume + '/');
    folders->setPath(volume + "/trip");
    QCOMPARE(files->count(), 1);

    drives->setCurrentIndex(0);
    QCOMPARE(folders->path(), work);
    QCOMPARE(files->count(), 0);
    drives->setCurrentIndex(1);
    QCOMPARE(folders->path(), volume + "/trip");

    // Moving into another volume's folder makes the drive list follow it.
    drives->setCurrentIndex(0);
    QVERIFY(folders->setPath(volume + "/trip"));
    QCOMPARE(drives->currentText(), volume + " [STICK]");
    QVERIFY(desktop->warnings.isEmpty());
}

void Form1Test::clickingAFileSetsTheLastPathOnly()
{
    QVERIFY(QDir().mkpath("My Alps/deeper"));
    touch("My Alps/pano.jpg");
    touch("My Alps/other.png");
    writeFile("config.cfg", toBytes({1, 2, 128, 1, 224, 16, 0, 0, 0, 9}));
    form = createForm();

    // Double clicking a folder entry opens it.
    auto* folders = control<FolderList>("Dir1");
    const QList<QTreeWidgetItem*> entries =
        folders->findItems("My Alps", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(entries.size(), 1);
    const QPoint at = folders->visualItemRect(entries.first()).center();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE(folders->path(), work + "/My Alps");

    clickFile("pano.jpg");
    QCOMPARE(form->lastPath(), work + "/My Alps/pano.jpg");
    clickFile("other.png");
    QCOMPARE(form->lastPath(), work + "/My Alps/other.png");

    QVERIFY(!QFile::exists("paths.ini"));
    QCOMPARE(readFile("config.cfg"), toBytes({1, 2, 128, 1, 224, 16, 0, 0, 0, 9}));
}

void Form1Test::joinAtAVolumeRootKeepsBothSeparators()
{
    const QString volume = work + "/media";
    QVERIFY(QDir().mkpath(volume));
    touch(volume + "/pano.jpg");
    desktop->volumeList.append(Volume{volume, QString()});
    writeFile("paths.ini", (volume + "/pano.jpg\r\n").toUtf8());
    form = createForm();

    QCOMPARE(control<DriveList>("Drive1")->currentText(), volume);
    QCOMPARE(control<FolderList>("Dir1")->path(), volume + '/');
    clickFile("pano.jpg");
    QCOMPARE(form->lastPath(), volume + "//pano.jpg");
}

void Form1Test::loadingShowsEachValueUntilAFailure_data()
{
    QTest::addColumn<Bytes>("file");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<int>("rendererIndex");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("depth"); // 0: neither option selected
    QTest::addColumn<Bytes>("checks");

    const Bytes clear{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked};
    QTest::newRow("all read") << Bytes{5, 3, 32, 2, 88, 16, 1, 0, 2} << false << 5 << "800"
                              << "600" << 16
                              << Bytes{Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked};
    QTest::newRow("bit depth 24 shows 32")
        << Bytes{2, 4, 0, 3, 0, 24, 0, 0, 0} << false << 2 << "1024"
        << "768" << 32 << clear;
    QTest::newRow("short file") << Bytes{1, 3, 32} << false << 1 << "800"
                                << "0" << 32 << clear;
    QTest::newRow("largest size") << Bytes{0, 127, 255, 127, 255, 32} << false << 0 << "32767"
                                  << "32767" << 32 << clear;
    QTest::newRow("renderer 6") << Bytes{6, 3, 32, 2, 88, 16, 1, 1, 1} << true << -1 << ""
                                << "" << 0 << clear;
    QTest::newRow("width high byte 128") << Bytes{5, 128, 0, 2, 88, 16, 1, 1, 1} << true << 5 << ""
                                         << "" << 0 << clear;
    QTest::newRow("height high byte 200")
        << Bytes{1, 3, 32, 200, 0, 16, 1, 1, 1} << true << 1 << "800"
        << "" << 0 << clear;
    QTest::newRow("full screen 3") << Bytes{1, 3, 32, 2, 88, 16, 3, 1, 1} << true << 1 << "800"
                                   << "600" << 16 << clear;
    QTest::newRow("vertical sync 3")
        << Bytes{1, 3, 32, 2, 88, 32, 1, 2, 3} << true << 1 << "800"
        << "600" << 32 << Bytes{Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked};
}

void Form1Test::loadingShowsEachValueUntilAFailure()
{
    QFETCH(Bytes, file);
    QFETCH(bool, failed);
    QFETCH(int, rendererIndex);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(int, depth);
    QFETCH(Bytes, checks);

    writeFile("config.cfg", toBytes(file));
    form = createForm();

    if (failed) {
        QCOMPARE(desktop->warnings.size(), 1);
        QCOMPARE(desktop->warnings.first().title, QString("Configuration error"));
        QCOMPARE(desktop->warnings.first().text, QString("Configuration error"));
    } else {
        QVERIFY(desktop->warnings.isEmpty());
    }
    QCOMPARE(control<QComboBox>("cboRenderer")->currentIndex(), rendererIndex);
    QCOMPARE(control<QLineEdit>("txtResX")->text(), width);
    QCOMPARE(control<QLineEdit>("txtResY")->text(), height);
    QCOMPARE(control<QRadioButton>("rdb16bit")->isChecked(), depth == 16);
    QCOMPARE(control<QRadioButton>("rdb32bit")->isChecked(), depth == 32);
    QCOMPARE(int(control<QCheckBox>("chkFullScreen")->checkState()), checks.at(0));
    QCOMPARE(int(control<QCheckBox>("chkStencilBuffer")->checkState()), checks.at(1));
    QCOMPARE(int(control<QCheckBox>("chkVsync")->checkState()), checks.at(2));
    QCOMPARE(readFile("config.cfg"), toBytes(file));
}

void Form1Test::unreadableSettingsFileIsAConfigurationError()
{
    QVERIFY(QDir().mkdir("config.cfg"));
    form = createForm();
    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Configuration error"));
    QCOMPARE(control<QComboBox>("cboRenderer")->currentIndex(), -1);
    QCOMPARE(control<QLineEdit>("txtResX")->text(), QString());
}

void Form1Test::savedBytes_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<Bytes>("expected");

    QTest::newRow("800 x 600") << "800"
                               << "600" << Bytes{5, 3, 32, 2, 88, 16, 1, 0, 1};
    QTest::newRow("1024.5 and 1025.5") << "1024.5"
                                       << "1025.5" << Bytes{5, 4, 0, 4, 2, 16, 1, 0, 1};
    QTest::newRow("blanks and sign") << " +640 "
                                     << "\t480.0" << Bytes{5, 2, 128, 1, 224, 16, 1, 0, 1};
}

void Form1Test::savedBytes()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(Bytes, expected);

    writeFile("config.cfg", toBytes({5, 0, 0, 0, 0, 16, 1, 0, 1}));
    form = createForm();
    click("cmdConfigure");
    control<QLineEdit>("txtResX")->setText(width);
    control<QLineEdit>("txtResY")->setText(height);
    click("cmdConfigure");

    QVERIFY(desktop->warnings.isEmpty());
    QCOMPARE(readFile("config.cfg"), toBytes(expected));
    QCOMPARE(form->settingsBytes(),
             (SettingsRecord{quint8(expected[0]), quint8(expected[1]), quint8(expected[2]),
                             quint8(expected[3]), quint8(expected[4]), quint8(expected[5]),
                             quint8(expected[6]), quint8(expected[7]), quint8(expected[8])}));
}

void Form1Test::refusedValueWritesNothing_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("text");

    const QString width = "The width \"%1\" is not a number from 0 to 32767.\n"
                          "Please correct it and try again.";
    const QString height = "The height \"%1\" is not a number from 0 to 32767.\n"
                           "Please correct it and try again.";
    QTest::newRow("32768") << "32768"
                           << "600" << width.arg("32768");
    QTest::newRow("empty") << ""
                           << "600" << width.arg("");
    QTest::newRow("height nan") << "800"
                                << "nan" << height.arg("nan");
    QTest::newRow("height text") << "800"
                                 << "tall" << height.arg("tall");
}

void Form1Test::refusedValueWritesNothing()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, text);

    const QByteArray before = toBytes({5, 3, 32, 2, 88, 16, 1, 0, 1, 7});
    writeFile("config.cfg", before);
    form = createForm();
    click("cmdConfigure");
    control<QLineEdit>("txtResX")->setText(width);
    control<QLineEdit>("txtResY")->setText(height);
    click("cmdConfigure");

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Settings not saved"));
    QCOMPARE(desktop->warnings.first().text, text);
    QCOMPARE(readFile("config.cfg"), before);
    // The panel stays out so that the value can be corrected.
    QCOMPARE(form->width(), Form1::wideWidth);
}

void Form1Test::unwritableSettingsFileIsReported()
{
    writeFile("config.cfg", toBytes({5, 3, 32, 2, 88, 16, 1, 0, 1}));
    form = createForm();
    QVERIFY(QFile::remove("config.cfg"));
    QVERIFY(QDir().mkdir("config.cfg"));
    click("cmdConfigure");
    click("cmdConfigure");

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Settings not saved"));
    QVERIFY(desktop->warnings.first().text.startsWith("The settings cannot be written to " + work +
                                                      "/config.cfg.\n"));
    QVERIFY(QFileInfo("config.cfg").isDir());
}

void Form1Test::grayedCheckBoxRoundTrips()
{
    writeFile("config.cfg", toBytes({5, 3, 32, 2, 88, 32, 2, 2, 0, 0xaa, 0xbb, 0xcc}));
    form = createForm();
    form->close();
    // Grayed stays grayed, and the three bytes after the record are kept.
    QCOMPARE(readFile("config.cfg"), toBytes({5, 3, 32, 2, 88, 32, 2, 2, 0, 0xaa, 0xbb, 0xcc}));

    form = createForm();
    click("cmdConfigure");
    auto* fullScreen = control<QCheckBox>("chkFullScreen");
    QTest::mouseClick(fullScreen, Qt::LeftButton, {}, QPoint(6, fullScreen->height() / 2));
    QCOMPARE(fullScreen->checkState(), Qt::Checked);
    QTest::mouseClick(fullScreen, Qt::LeftButton, {}, QPoint(6, fullScreen->height() / 2));
    QCOMPARE(fullScreen->checkState(), Qt::Unchecked);
    QTest::mouseClick(fullScreen, Qt::LeftButton, {}, QPoint(6, fullScreen->height() / 2));
    QCOMPARE(fullScreen->checkState(), Qt::Checked);
    click("cmdConfigure");
    QCOMPARE(readFile("config.cfg"), toBytes({5, 3, 32, 2, 88, 32, 1, 2, 0, 0xaa, 0xbb, 0xcc}));
}

void Form1Test::foldOutWritesOnlyWhenFoldingIn()
{
    form = createForm();
    auto* toggle = control<QPushButton>("cmdConfigure");
    auto* panel = control<QGroupBox>("fraConfiguration");
    QVERIFY(QFile::remove("config.cfg"));

    click("cmdConfigure");
    QCOMPARE(form->size(), QSize(Form1::wideWidth, Form1::clientHeight));
    QCOMPARE(toggle->text(), QString("Configure <<"));
    QVERIFY(panel->isVisible());
    QVERIFY(!QFile::exists("config.cfg"));

    click("cmdConfigure");
    QCOMPARE(form->size(), QSize(Form1::narrowWidth, Form1::clientHeight));
    QCOMPARE(toggle->text(), QString("Configure >>"));
    QVERIFY(!panel->isVisible());
    QCOMPARE(readFile("config.cfg"), toBytes({0, 0, 0, 0, 0, 32, 0, 0, 0}));
}

void Form1Test::toggleTestsTheCurrentWidth()
{
    form = createForm();
    QVERIFY(QFile::remove("config.cfg"));
    // Any width but the narrow one counts as folded out.
    form->setFixedSize(400, Form1::clientHeight);
    click("cmdConfigure");
    QCOMPARE(form->width(), Form1::narrowWidth);
    QVERIFY(QFile::exists("config.cfg"));
}

void Form1Test::closingSavesSettingsButNotThePath()
{
    touch("pano.jpg");
    form = createForm();
    click("cmdConfigure");
    control<QComboBox>("cboRenderer")->setCurrentIndex(5);
    control<QLineEdit>("txtResX")->setText("1920");
    control<QLineEdit>("txtResY")->setText("1080");
    QTest::mouseClick(control<QRadioButton>("rdb16bit"), Qt::LeftButton);
    clickFile("pano.jpg");
    QVERIFY(QFile::remove("config.cfg"));

    // Closed while the panel is still out.
    QVERIFY(form->close());
    QCOMPARE(readFile("config.cfg"), toBytes({5, 7, 128, 4, 56, 16, 0, 0, 0}));
    QVERIFY(!QFile::exists("paths.ini"));
}

void Form1Test::closingStillClosesWhenAValueIsRefused()
{
    form = createForm();
    control<QLineEdit>("txtResX")->setText("wide");
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(readFile("config.cfg"), QByteArray());
}

void Form1Test::viewPanoramaStartsTheViewer_data()
{
    QTest::addColumn<QString>("restored"); // empty: no "paths.ini"
    QTest::addColumn<QString>("argument");

    QTest::newRow("blanks") << "%1/My Alps/pano.jpg"
                            << "%1/My Alps/pano.jpg";
    QTest::newRow("quotes and shell characters") << "%1/a \"b\" $(x); `y` & 'z'.jpg"
                                                 << "%1/a \"b\" $(x); `y` & 'z'.jpg";
    QTest::newRow("nothing picked") << QString() << QString();
}

void Form1Test::viewPanoramaStartsTheViewer()
{
    QFETCH(QString, restored);
    QFETCH(QString, argument);
    restored.replace("%1", work);
    argument.replace("%1", work);

    if (!restored.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(restored).path()));
        touch(restored);
        writeFile("paths.ini", restored.toUtf8() + "\r\n");
    }
    form = createForm();
    QVERIFY(QFile::remove("config.cfg"));
    click("cmdLaunchWithCurrent");

    QVERIFY(desktop->warnings.isEmpty());
    QCOMPARE(desktop->starts.size(), 1);
    QCOMPARE(desktop->starts.first().program, binDirectory.filePath("skyglass"));
    QCOMPARE(desktop->starts.first().arguments, QStringList{argument});
    QCOMPARE(control<QLineEdit>("Text1")->text(), "skyglass \"" + argument + '"');
    QCOMPARE(readFile("paths.ini"), argument.toUtf8() + "\r\n");
    QCOMPARE(readFile("config.cfg"), toBytes({0, 0, 0, 0, 0, 32, 0, 0, 0}));
}

void Form1Test::twoPressesStartTwoViewers()
{
    touch("pano.jpg");
    touch("other.jpg");
    form = createForm();
    clickFile("pano.jpg");
    click("cmdLaunchWithCurrent");
    clickFile("other.jpg");
    click("cmdLaunchWithCurrent");

    QCOMPARE(desktop->starts.size(), 2);
    QCOMPARE(desktop->starts.at(0).arguments, QStringList{work + "/pano.jpg"});
    QCOMPARE(desktop->starts.at(1).arguments, QStringList{work + "/other.jpg"});
    QCOMPARE(readFile("paths.ini"), (work + "/other.jpg\r\n").toUtf8());
}

void Form1Test::refusedValueStartsNoViewer()
{
    touch("pano.jpg");
    form = createForm();
    control<QLineEdit>("Text1")->setText("before");
    control<QLineEdit>("txtResY")->setText("1e9");
    clickFile("pano.jpg");
    click("cmdLaunchWithCurrent");

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Settings not saved"));
    QVERIFY(desktop->starts.isEmpty());
    QCOMPARE(control<QLineEdit>("Text1")->text(), QString("before"));
    QCOMPARE(readFile("paths.ini"), (work + "/pano.jpg\r\n").toUtf8());
    QCOMPARE(readFile("config.cfg"), QByteArray());
}

void Form1Test::missingViewerIsReportedAfterBothFilesAreWritten()
{
    qputenv("PATH", QFile::encodeName(emptyDirectory.path()));
    touch("pano.jpg");
    form = createForm();
    clickFile("pano.jpg");

    QByteArray pathsWhileWarning;
    QByteArray configWhileWarning;
    desktop->onWarn = [&] {
        pathsWhileWarning = readFile("paths.ini");
        configWhileWarning = readFile("config.cfg");
    };
    click("cmdLaunchWithCurrent");

    QCOMPARE(desktop->warnings.size(), 1);
    QCOMPARE(desktop->warnings.first().title, QString("Skyglass executable not found"));
    QCOMPARE(desktop->warnings.first().text,
             QString("skyglass not found.\n"
                     "Please place this program into the same directory as the main program."));
    QVERIFY(desktop->starts.isEmpty());
    QCOMPARE(pathsWhileWarning, (work + "/pano.jpg\r\n").toUtf8());
    QCOMPARE(configWhileWarning, toBytes({0, 0, 0, 0, 0, 32, 0, 0, 0}));
    QVERIFY(form->isVisible());
}

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
