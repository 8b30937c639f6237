#pragma once

#include "savedsettings.h"
#include "volumes.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class Desktop;
class DriveList;
class FileList;
class FolderList;
class ViewerWatch;

// The launcher's window: an image browser, the fold-out settings panel and the
// button that starts the viewer on the chosen image.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // Builds the window and runs Form_Load. "desktop" must outlive the window;
    // by default the real one is used.
    explicit Form1(Desktop* desktop = nullptr, QWidget* parent = nullptr);

    const QString& lastPath() const { return lastpath; }

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void cmdConfigure_Click();
    void cmdLaunchWithCurrent_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void reportViewerNotFound();
    void reportViewerFailure(const QString& title, const QString& text);

private:
    // Client widths with the settings panel folded in and out, and the height.
    static constexpr int narrowWidth = 324;
    static constexpr int wideWidth = 502;
    static constexpr int clientHeight = 460;

    void createBrowser();
    void createSettingsPanel();
    void createButtons();
    void chainTabOrder();

    void Form_Load();
    void Form_Unload();
    void loadSettings();
    bool SaveSettings();
    SettingsRecord settingsBytes() const;
    bool writeLastPath();
    QString drivePartOf(const QString& path) const;
    void setClientWidth(int width);
    void warn(const QString& title, const QString& text);

    Desktop* desktop;
    VolumeTable volumeTable;
    ViewerWatch* viewers;

    QLabel* Image1;
    QLabel* Label1;
    DriveList* Drive1;
    FolderList* Dir1;
    FileList* File1;
    QPushButton* cmdLaunchWithCurrent;
    QPushButton* cmdConfigure;
    QLineEdit* Text1;
    QGroupBox* fraConfiguration;
    QLabel* Label2;
    QComboBox* cboRenderer;
    QLabel* Label3;
    QLineEdit* txtResX;
    QLineEdit* txtResY;
    QLabel* Label4;
    QRadioButton* rdb16bit;
    QRadioButton* rdb32bit;
    QCheckBox* chkFullScreen;
    QCheckBox* chkStencilBuffer;
    QCheckBox* chkVsync;

    QString lastpath;
    quint8 renderer = 0;
    quint8 resx_hi = 0;
    quint8 resx_lo = 0;
    quint8 resy_hi = 0;
    quint8 resy_lo = 0;
    quint8 bitdepth = 0;
    quint8 fullscreen = 0;
    quint8 stencilbuffer = 0;
    quint8 vsync = 0;
};
