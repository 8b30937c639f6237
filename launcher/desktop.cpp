#include "desktop.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

QList<Volume> Desktop::volumes()
{
    return mountedVolumes();
}

bool Desktop::startDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

void Desktop::warn(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent && parent->isVisible() ? parent : nullptr, title, text);
}

QString Desktop::findProgram(const QString& name)
{
    const QFileInfo beside(QCoreApplication::applicationDirPath() + u'/' + name);
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}
