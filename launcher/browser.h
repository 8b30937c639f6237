#pragma once

#include "volumes.h"

#include <QComboBox>
#include <QHash>
#include <QListWidget>
#include <QStringList>
#include <QTreeWidget>

// The mounted volumes; the selected one is the current drive.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    DriveList(VolumeTable* volumeTable, QWidget* parent = nullptr);

    // The text of the selected entry: mount point, then the label if there is one.
    QString drive() const;
    QString mountPoint() const;

    // Selects the volume whose mount point, with a trailing "/", is "drivePart".
    // Fails when no volume has it or its folder cannot be shown.
    bool setDrive(const QString& drivePart);

    // Selects the volume holding "path" without reporting a change.
    void showVolumeOf(const QString& path);

    // Lists "volumes" instead, keeping the selection where it can.
    void refresh(const QList<Volume>& volumes);

    void showPopup() override;

signals:
    void driveChanged();
    // Before the list drops down, so that volumes plugged in meanwhile appear.
    void aboutToShowPopup();

private:
    void fill();

    VolumeTable* table;
};

// The folder tree of the current volume: the folders from the volume's root down
// to the current folder, then the current folder's subfolders. Activating an entry
// (double click or Enter) makes it the current folder.
class FolderList : public QTreeWidget
{
    Q_OBJECT

public:
    FolderList(const VolumeTable* volumeTable, QWidget* parent = nullptr);

    // The current folder's full path, ending in "/" only at the root of a volume.
    QString path() const;
    // Fails when "folder" is not an existing folder given by its full path.
    bool setPath(const QString& folder);
    // Shows the folder last shown on that volume in this run, or its root.
    bool showVolume(const QString& mountPoint);

signals:
    void pathChanged();

protected:
    // The tree never folds, so it draws no branch marks.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void fill();
    void openEntry(QTreeWidgetItem* item);

    const VolumeTable* table;
    QString currentFolder; // cleaned full path, no trailing "/" except the root
    QHash<QString, QString> lastFolderOnVolume;
};

// The files of one folder that match the pattern, matched without regard to case.
class FileList : public QListWidget
{
    Q_OBJECT

public:
    FileList(const QString& pattern, QWidget* parent = nullptr);

    // Fails when the folder cannot be listed; the list is empty then.
    bool setPath(const QString& folder);
    // The selected file's name, without folder; empty when none is selected.
    QString fileName() const;

signals:
    void fileClicked();

private:
    QStringList patterns;
};
