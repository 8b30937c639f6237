#include "form1.h"

#include "browser.h"
#include "desktop.h"
#include "viewerwatch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {

const QString configFileName = QStringLiteral("config.cfg");
const QString pathsFileName = QStringLiteral("paths.ini");
const QString imagePattern = QStringLiteral("*.bmp;*.jpg;*.png");
const QString viewerProgram = QStringLiteral("skyglass");

// Makes a control of "parent", names it and places it at "twips" (left, top,
// width, height), 15 twips to a pixel.
template <typename Control, typename... Arguments>
Control* placed(QWidget* parent, const char* name, const QRect& twips,
                const Arguments&... arguments)
{
    auto* control = new Control(arguments..., parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    return control;
}

QFont boldFont(qreal pointSize)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

// A click toggles between clear and checked, also from the grayed state.
class SettingCheckBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        setTristate(false);
    }
};

Desktop* realDesktop()
{
    static Desktop desktop;
    return &desktop;
}

} // namespace

Form1::Form1(Desktop* givenDesktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      desktop(givenDesktop ? givenDesktop : realDesktop()), volumeTable(desktop->volumes()),
      viewers(new ViewerWatch(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Corvane's Skyglass GUI"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.0);
    setFont(font);
    setClientWidth(wideWidth);

    createBrowser();
    createButtons();
    createSettingsPanel();
    chainTabOrder();

    connect(viewers, &ViewerWatch::failedToStart, this, &Form1::reportViewerNotFound);
    connect(viewers, &ViewerWatch::viewerFailed, this, &Form1::reportViewerFailure);

    Form_Load();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void Form1::createBrowser()
{
    Image1 = placed<QLabel>(this, "Image1", {0, 0, 4890, 1950});
    Image1->setPixmap(QPixmap(QStringLiteral(":/launcher/banner.png")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label1 = placed<QLabel>(this, "Label1", {0, 2040, 4455, 255},
                            QStringLiteral("Select panoramic image (BMP, JPG, PNG)"));
    Drive1 = placed<DriveList>(this, "Drive1", {0, 2280, 4815, 360}, &volumeTable);
    Dir1 = placed<FolderList>(this, "Dir1", {0, 2640, 4815, 1710}, &volumeTable);
    File1 = placed<FileList>(this, "File1", {0, 4320, 4815, 1770}, imagePattern);
    for (QWidget* control : QList<QWidget*>{Label1, Drive1, Dir1, File1})
        control->setFont(boldFont(9.75));

    // The lists open at the working directory; Form_Load may move them on.
    const QString workingDirectory = QDir::currentPath();
    Drive1->showVolumeOf(workingDirectory);
    Dir1->setPath(workingDirectory);
    File1->setPath(workingDirectory);

    connect(Drive1, &DriveList::driveChanged, this, &Form1::Drive1_Change);
    connect(Drive1, &DriveList::aboutToShowPopup, this,
            [this] { Drive1->refresh(desktop->volumes()); });
    connect(Dir1, &FolderList::pathChanged, this, &Form1::Dir1_Change);
    connect(Dir1, &FolderList::pathChanged, this, [this] { Drive1->showVolumeOf(Dir1->path()); });
    connect(File1, &FileList::fileClicked, this, &Form1::File1_Click);
}

void Form1::createButtons()
{
    cmdLaunchWithCurrent = placed<QPushButton>(this, "cmdLaunchWithCurrent", {0, 6240, 2895, 615},
                                               QStringLiteral("View panorama"));
    cmdLaunchWithCurrent->setFont(boldFont(18.0));
    connect(cmdLaunchWithCurrent, &QPushButton::clicked, this, &Form1::cmdLaunchWithCurrent_Click);

    cmdConfigure = placed<QPushButton>(this, "cmdConfigure", {3000, 6240, 1815, 615},
                                       QStringLiteral("Configure >>"));
    cmdConfigure->setFont(boldFont(12.0));
    connect(cmdConfigure, &QPushButton::clicked, this, &Form1::cmdConfigure_Click);

    Text1 = placed<QLineEdit>(this, "Text1", {0, 7560, 4815, 1095});
}

void Form1::createSettingsPanel()
{
    fraConfiguration = placed<QGroupBox>(this, "fraConfiguration", {4920, 2280, 2535, 2415},
                                         QStringLiteral("Configuration"));
    QWidget* frame = fraConfiguration;

    Label2 = placed<QLabel>(frame, "Label2", {120, 360, 735, 255}, QStringLiteral("Renderer"));
    cboRenderer = placed<QComboBox>(frame, "cboRenderer", {960, 360, 1455, 315});
    cboRenderer->addItems({QStringLiteral("NULL"), QStringLiteral("Software"),
                           QStringLiteral("BurningsVideo"), QStringLiteral("Direct3D 8"),
                           QStringLiteral("Direct3D 9"), QStringLiteral("OpenGL")});
    cboRenderer->setCurrentIndex(-1);

    Label3 = placed<QLabel>(frame, "Label3", {120, 720, 855, 255}, QStringLiteral("Resolution"));
    txtResX = placed<QLineEdit>(frame, "txtResX", {960, 720, 735, 285});
    txtResY = placed<QLineEdit>(frame, "txtResY", {1680, 720, 735, 285});

    Label4 = placed<QLabel>(frame, "Label4", {120, 1200, 735, 255}, QStringLiteral("Bit depth"));
    rdb16bit = placed<QRadioButton>(frame, "rdb16bit", {960, 1080, 615, 195}, QStringLiteral("16"));
    rdb32bit = placed<QRadioButton>(frame, "rdb32bit", {960, 1320, 615, 255}, QStringLiteral("32"));

    chkFullScreen = placed<SettingCheckBox>(frame, "chkFullScreen", {120, 1560, 1095, 195},
                                            QStringLiteral("Full screen"));
    chkStencilBuffer = placed<SettingCheckBox>(frame, "chkStencilBuffer", {120, 1800, 1335, 255},
                                               QStringLiteral("Stencil buffer"));
    chkVsync = placed<SettingCheckBox>(frame, "chkVsync", {120, 2040, 1335, 255},
                                       QStringLiteral("Vertical sync"));
}

void Form1::chainTabOrder()
{
    const QList<QWidget*> order = {
        Drive1,   Dir1,        File1,    Text1,    cmdLaunchWithCurrent, cboRenderer,
        txtResX,  txtResY,     rdb16bit, rdb32bit, chkFullScreen,        chkStencilBuffer,
        chkVsync, cmdConfigure};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

SettingsRecord Form1::settingsBytes() const
{
    SettingsRecord record;
    record[ESO_RENDERER] = renderer;
    record[ESO_WIDTH_HIGH] = resx_hi;
    record[ESO_WIDTH_LOW] = resx_lo;
    record[ESO_HEIGHT_HIGH] = resy_hi;
    record[ESO_HEIGHT_LOW] = resy_lo;
    record[ESO_BIT_DEPTH] = bitdepth;
    record[ESO_FULL_SCREEN] = fullscreen;
    record[ESO_STENCIL] = stencilbuffer;
    record[ESO_VSYNC] = vsync;
    return record;
}

void Form1::setClientWidth(int width)
{
    setFixedSize(width, clientHeight);
}

void Form1::warn(const QString& title, const QString& text)
{
    desktop->warn(this, title, text);
}

QString Form1::drivePartOf(const QString& path) const
{
    const int volume = path.startsWith(u'/') ? volumeTable.indexOfPath(path) : -1;
    if (volume < 0)
        return path.left(path.indexOf(u'/') + 1);
    const QString& mountPoint = volumeTable.volumes().at(volume).mountPoint;
    return mountPoint.endsWith(u'/') ? mountPoint : mountPoint + u'/';
}

void Form1::Form_Load()
{
    setClientWidth(narrowWidth);

    int stage = 0;
    QString drivePart;
    QString folderPart;
    const bool restored = [&] {
        QFile file(pathsFileName);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const std::optional<QString> path = lastPathFromFile(file.readAll());
        file.close();
        if (!path)
            return false;
        lastpath = *path;
        if (lastpath.isEmpty())
            lastpath = QDir::currentPath();
        if (!lastpath.contains(u'/'))
            return false;
        drivePart = drivePartOf(lastpath);
        folderPart = lastpath.left(lastpath.lastIndexOf(u'/') + 1);

        stage = 1;
        if (!Drive1->setDrive(drivePart))
            return false;
        stage = 2;
        if (!Dir1->setPath(folderPart))
            return false;
        stage = 3;
        return File1->setPath(folderPart);
    }();

    if (!restored) {
        const QString advice = QStringLiteral("\nPlease check the path and try again.");
        switch (stage) {
        case 1:
            warn(QStringLiteral("Drive error"),
                 QStringLiteral("Drive ") + drivePart + QStringLiteral(" not found.") + advice);
            break;
        case 2:
            warn(QStringLiteral("Directory error"), QStringLiteral("Directory ") + folderPart +
                                                        QStringLiteral(" not found.") + advice);
            break;
        case 3:
            warn(QStringLiteral("Directory error"), QStringLiteral("Directory ") + folderPart +
                                                        QStringLiteral(" cannot be listed.") +
                                                        advice);
            break;
        default:
            break;
        }
    }

    loadSettings();
}

void Form1::loadSettings()
{
    QFile file(configFileName);
    const bool opened =
        file.exists() ? file.open(QIODevice::ReadOnly) : file.open(QIODevice::ReadWrite);
    // Bytes beyond the end of the file read as 0.
    SettingsRecord record = {};
    if (opened)
        file.read(reinterpret_cast<char*>(record.data()), qint64(record.size()));
    file.close();

    // Each value is shown as soon as it is taken; the first one refused ends the loading.
    const auto loaded = [&] {
        if (!opened)
            return false;
        renderer = record[ESO_RENDERER];
        if (renderer >= cboRenderer->count())
            return false;
        cboRenderer->setCurrentIndex(renderer);

        for (auto [hi, lo, offset, box] :
             {std::tuple{&resx_hi, &resx_lo, ESO_WIDTH_HIGH, txtResX},
              std::tuple{&resy_hi, &resy_lo, ESO_HEIGHT_HIGH, txtResY}}) {
            *hi = record[offset];
            *lo = record[offset + 1];
            const std::optional<int> value = joinResolution(*hi, *lo);
            if (!value)
                return false;
            box->setText(QString::number(*value));
        }

        bitdepth = record[ESO_BIT_DEPTH];
        (bitdepth == 16 ? rdb16bit : rdb32bit)->setChecked(true);

        for (auto [byte, offset, box] : {std::tuple{&fullscreen, ESO_FULL_SCREEN, chkFullScreen},
                                         std::tuple{&stencilbuffer, ESO_STENCIL, chkStencilBuffer},
                                         std::tuple{&vsync, ESO_VSYNC, chkVsync}}) {
            *byte = record[offset];
            const std::optional<Qt::CheckState> state = checkStateFromByte(*byte);
            if (!state)
                return false;
            box->setCheckState(*state);
        }
        return true;
    }();

    if (!loaded)
        warn(QStringLiteral("Configuration error"), QStringLiteral("Configuration error"));
}

bool Form1::SaveSettings()
{
    const QString title = QStringLiteral("Settings not saved");
    if (cboRenderer->currentIndex() < 0) {
        warn(title, QStringLiteral("No renderer is chosen.\nPlease choose a renderer."));
        return false;
    }
    renderer = quint8(cboRenderer->currentIndex());

    for (auto [text, hi, lo, what] :
         {std::tuple{txtResX->text(), &resx_hi, &resx_lo, QStringLiteral("width")},
          std::tuple{txtResY->text(), &resy_hi, &resy_lo, QStringLiteral("height")}}) {
        const std::optional<double> value = textToNumber(text);
        const std::optional<ResolutionBytes> bytes = value ? splitResolution(*value) : std::nullopt;
        if (!bytes) {
            warn(title, QStringLiteral("The ") + what + QStringLiteral(" \"") + text +
                            QStringLiteral("\" is not a number from 0 to 32767.\nPlease "
                                           "correct it and try again."));
            return false;
        }
        *hi = bytes->hi;
        *lo = bytes->lo;
    }

    bitdepth = rdb16bit->isChecked() ? 16 : 32;
    fullscreen = byteFromCheckState(chkFullScreen->checkState());
    stencilbuffer = byteFromCheckState(chkStencilBuffer->checkState());
    vsync = byteFromCheckState(chkVsync->checkState());

    QString reason;
    if (!writeSettingsRecord(configFileName, settingsBytes(), &reason)) {
        warn(title, QStringLiteral("The settings cannot be written to ") +
                        QDir::toNativeSeparators(QDir::current().absoluteFilePath(configFileName)) +
                        QStringLiteral(".\n") + reason);
        return false;
    }
    return true;
}

bool Form1::writeLastPath()
{
    QString reason;
    if (writeLastPathFile(pathsFileName, lastpath, &reason))
        return true;
    warn(QStringLiteral("Path not saved"),
         QStringLiteral("The image path cannot be written to ") +
             QDir::toNativeSeparators(QDir::current().absoluteFilePath(pathsFileName)) +
             QStringLiteral(".\n") + reason);
    return false;
}

void Form1::Drive1_Change()
{
    if (Dir1->showVolume(Drive1->mountPoint()))
        return;
    const QString unavailable = Drive1->drive();
    Drive1->setDrive(drivePartOf(Dir1->path()));
    warn(QStringLiteral("Device unavailable"),
         QStringLiteral("Device ") + unavailable +
             QStringLiteral(" is unavailable.\nPlease check the device and try again."));
}

void Form1::Dir1_Change()
{
    File1->setPath(Dir1->path());
}

void Form1::File1_Click()
{
    const QString fileName = File1->fileName();
    if (!fileName.isEmpty())
        lastpath = Dir1->path() + u'/' + fileName;
}

void Form1::cmdConfigure_Click()
{
    if (width() == narrowWidth) {
        setClientWidth(wideWidth);
        cmdConfigure->setText(QStringLiteral("Configure <<"));
        fraConfiguration->setVisible(true);
        return;
    }
    // A refused value keeps the panel out, so that it can be corrected.
    if (!SaveSettings())
        return;
    setClientWidth(narrowWidth);
    cmdConfigure->setText(QStringLiteral("Configure >>"));
    fraConfiguration->setVisible(false);
}

void Form1::cmdLaunchWithCurrent_Click()
{
    writeLastPath();
    if (!SaveSettings())
        return;

    Text1->setText(viewerProgram + QStringLiteral(" \"") + lastpath + u'"');

    // The path goes to the viewer as one argument, exactly as it is.
    const QString program = Desktop::findProgram(viewerProgram);
    if (program.isEmpty())
        reportViewerNotFound();
    else
        viewers->start(program, {lastpath});
}

void Form1::reportViewerNotFound()
{
    warn(QStringLiteral("Skyglass executable not found"),
         viewerProgram + QStringLiteral(" not found.\nPlease place this program into the "
                                        "same directory as the main program."));
}

void Form1::reportViewerFailure(const QString& title, const QString& text)
{
    // Also for the console the launcher may have been started from.
    qWarning().noquote() << QStringLiteral("skyglass-gui: ") + title + QStringLiteral(":\n") + text;
    warn(title, text);
}

void Form1::Form_Unload()
{
    SaveSettings();
}

void Form1::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}
