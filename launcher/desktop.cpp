#include "desktop.h"

#include "warningbox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWidget>

QList<Volume> Desktop::volumes()
{
    return mountedVolumes();
}

void Desktop::warn(QWidget* parent, const QString& title, const QString& text)
{
    WarningBox box(title, text, parent && parent->isVisible() ? parent : nullptr);
    box.exec();
}

QString Desktop::findProgram(const QString& name)
{
    const QFileInfo beside(QCoreApplication::applicationDirPath() + u'/' + name);
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}
