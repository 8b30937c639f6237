#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// What the launcher tells the user about a viewer that has ended.
struct ViewerReport
{
    QString title;
    QString text;
};

// Nothing for a viewer closed by its user (exit code 0). Otherwise the viewer's
// own reason: its standard-error lines, else its last line on standard output;
// a signal is named first. Each output is the last bytes the viewer wrote.
std::optional<ViewerReport> reportViewerEnd(int exitCode, bool crashed, const QByteArray& errors,
                                            const QByteArray& output);

// Starts viewers without waiting for them and watches each until it ends.
// A viewer runs in a session of its own and writes to files, not pipes, so
// that it runs on, and can still write, when the launcher has gone; running
// viewers are left running when the watch is destroyed.
class ViewerWatch : public QObject
{
    Q_OBJECT

public:
    // The last bytes of each output that are kept for the report.
    static constexpr qint64 keptOutput = 4096;

    using QObject::QObject;

    void start(const QString& program, const QStringList& arguments);

signals:
    void failedToStart();
    void viewerFailed(const QString& title, const QString& text);
};
