#pragma once

#include "volumes.h"

#include <QList>
#include <QString>

class QWidget;

// What the launcher asks of the desktop it runs on: the mounted volumes and
// warnings. Tests put their own in its place.
class Desktop
{
public:
    virtual ~Desktop() = default;

    virtual QList<Volume> volumes();
    // A modal box with the warning icon and a single OK button.
    virtual void warn(QWidget* parent, const QString& title, const QString& text);

    // The viewer beside this program's own executable, else on the search path;
    // empty when there is none.
    static QString findProgram(const QString& name);
};
