#include "desktop.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWidget>

QList<Volume> Desktop::volumes()
{
    return mountedVolumes();
}

void Desktop::warn(QWidget* parent, const QString& title, const QString& text)
{
    // Paths are shown as they are, never read as markup.
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok,
                    parent && parent->isVisible() ? parent : nullptr);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString Desktop::findProgram(const QString& name)
{
    const QFileInfo beside(QCoreApplication::applicationDirPath() + u'/' + name);
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}
