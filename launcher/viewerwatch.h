#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Starts viewers without waiting for them and watches each until it ends.
// A viewer runs in a session of its own and writes to files, not pipes, so
// that it runs on, and can still write, when the launcher has gone; running
// viewers are left running when the watch is destroyed.
//
// A viewer that ends with a non-zero exit code or by a signal is reported
// with its own reason: its standard-error lines, else its last line on
// standard output, of the last 4 KiB of each; a signal is named first. A
// viewer closed by its user (exit code 0) is not reported, nor one that a
// signal asked to end (SIGTERM, SIGINT, SIGHUP).
class ViewerWatch : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void start(const QString& program, const QStringList& arguments);

signals:
    void failedToStart();
    void viewerFailed(const QString& title, const QString& text);
};
