#include "browser.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStyle>

#include <dirent.h>

static QString withoutTrailingSlash(const QString& folder)
{
    QString cleaned = QDir::cleanPath(folder);
    while (cleaned.size() > 1 && cleaned.endsWith(u'/'))
        cleaned.chop(1);
    return cleaned;
}

static bool canShowFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isAbsolute() && info.isDir();
}

// Whether the folder's entries can be read, which access() cannot tell for root.
static bool canListFolder(const QString& folder)
{
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    closedir(dir);
    return true;
}

DriveList::DriveList(VolumeTable* volumeTable, QWidget* parent)
    : QComboBox(parent), table(volumeTable)
{
    fill();
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::driveChanged);
}

void DriveList::showPopup()
{
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

void DriveList::fill()
{
    const QSignalBlocker blocker(this);
    clear();
    for (const Volume& volume : table->volumes())
        addItem(volume.text(), volume.mountPoint);
}

QString DriveList::drive() const
{
    return currentText();
}

QString DriveList::mountPoint() const
{
    return currentData().toString();
}

bool DriveList::setDrive(const QString& drivePart)
{
    const QString mountPoint = withoutTrailingSlash(drivePart);
    const int index = table->indexOfMountPoint(mountPoint);
    if (!drivePart.endsWith(u'/') || index < 0 || !canShowFolder(mountPoint))
        return false;
    setCurrentIndex(index);
    return true;
}

void DriveList::showVolumeOf(const QString& path)
{
    const int index = table->indexOfPath(path);
    if (index < 0)
        return;
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
}

void DriveList::refresh(const QList<Volume>& volumes)
{
    const QString current = mountPoint();
    table->setVolumes(volumes);
    fill();
    const QSignalBlocker blocker(this);
    int index = table->indexOfMountPoint(current);
    if (index < 0)
        index = table->indexOfPath(current);
    setCurrentIndex(index);
}

FolderList::FolderList(const VolumeTable* volumeTable, QWidget* parent)
    : QTreeWidget(parent), table(volumeTable)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(12);
    connect(this, &QTreeWidget::itemActivated, this, &FolderList::openEntry);
}

QString FolderList::path() const
{
    if (currentFolder != QLatin1String("/") && table->isMountPoint(currentFolder))
        return currentFolder + u'/';
    return currentFolder;
}

bool FolderList::setPath(const QString& folder)
{
    if (!canShowFolder(folder))
        return false;
    const QString cleaned = withoutTrailingSlash(folder);
    const bool changed = cleaned != currentFolder;
    currentFolder = cleaned;
    const int volume = table->indexOfPath(currentFolder);
    if (volume >= 0)
        lastFolderOnVolume.insert(table->volumes().at(volume).mountPoint, currentFolder);
    fill();
    if (changed)
        emit pathChanged();
    return true;
}

bool FolderList::showVolume(const QString& mountPoint)
{
    const QString last = lastFolderOnVolume.value(mountPoint);
    if (!last.isEmpty() && canShowFolder(last))
        return setPath(last);
    return setPath(mountPoint);
}

void FolderList::fill()
{
    clear();
    const int volume = table->indexOfPath(currentFolder);
    const QString root = volume >= 0 ? table->volumes().at(volume).mountPoint : QString("/");

    // The chain of folders from the volume's root down to the current one, each
    // inside the one before it.
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    auto* current = new QTreeWidgetItem(this, {root});
    current->setIcon(0, openIcon);
    current->setData(0, Qt::UserRole, root);
    QString folder = root;
    for (const QString& name : currentFolder.mid(root.size()).split(u'/', Qt::SkipEmptyParts)) {
        folder = folder == QLatin1String("/") ? u'/' + name : folder + u'/' + name;
        current = new QTreeWidgetItem(current, {name});
        current->setIcon(0, openIcon);
        current->setData(0, Qt::UserRole, folder);
    }

    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QDir dir(currentFolder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                                             QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QTreeWidgetItem(current, {name});
        item->setIcon(0, closedIcon);
        item->setData(0, Qt::UserRole, dir.filePath(name));
    }

    expandAll();
    setCurrentItem(current);
}

void FolderList::openEntry(QTreeWidgetItem* item)
{
    // Opening rebuilds the tree, which must not happen inside the view's own signal.
    if (item) {
        const QString folder = item->data(0, Qt::UserRole).toString();
        QMetaObject::invokeMethod(
            this, [this, folder] { setPath(folder); }, Qt::QueuedConnection);
    }
}

FileList::FileList(const QString& pattern, QWidget* parent)
    : QListWidget(parent), patterns(pattern.split(u';', Qt::SkipEmptyParts))
{
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            emit fileClicked();
    });
    connect(this, &QListWidget::itemClicked, this, &FileList::fileClicked);
}

bool FileList::setPath(const QString& folder)
{
    const QSignalBlocker blocker(this);
    clear();
    if (!canShowFolder(folder) || !canListFolder(folder))
        return false;
    QDir dir(folder);
    dir.setNameFilters(patterns);
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    addItems(dir.entryList());
    return true;
}

QString FileList::fileName() const
{
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}
