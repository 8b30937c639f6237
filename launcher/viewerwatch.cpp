#include "viewerwatch.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

#include <csignal>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

// The last bytes of each output that are kept for the report.
constexpr qint64 keptOutput = 4096;

// What the launcher tells the user about a viewer that has ended.
struct ViewerReport
{
    QString title;
    QString text;
};

// The last bytes written to "file", from the start of a line.
QByteArray lastBytes(QFile* file)
{
    if (!file->isOpen())
        return {};
    const qint64 size = file->size();
    if (!file->seek(qMax<qint64>(0, size - keptOutput)))
        return {};
    QByteArray bytes = file->read(keptOutput);
    if (size > keptOutput)
        bytes.remove(0, bytes.indexOf('\n') + 1);
    return bytes;
}

QString lastLine(const QByteArray& output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return QString::fromUtf8(lines.last().trimmed());
}

// The signals that ask a program to end: kill's own, Ctrl+C and a hang-up, and
// what a logout or a shutdown sends. A viewer that heeds one did as asked.
bool askedToEnd(int signal)
{
    return signal == SIGTERM || signal == SIGINT || signal == SIGHUP;
}

QString signalSentence(int signal)
{
    const char* name = sigabbrev_np(signal);
    if (!name)
        return QStringLiteral("The viewer was ended by the signal %1.").arg(signal);
    return QStringLiteral("The viewer was ended by the signal SIG%1 (%2).")
        .arg(QString::fromUtf8(name), QString::fromUtf8(sigdescr_np(signal)));
}

// Nothing for a viewer closed by its user or asked to end; otherwise its own
// reason. With a crash, "exitCode" is the signal.
std::optional<ViewerReport> reportViewerEnd(int exitCode, bool crashed, const QByteArray& errors,
                                            const QByteArray& output)
{
    if (crashed ? askedToEnd(exitCode) : exitCode == 0)
        return std::nullopt;

    QStringList parts;
    if (crashed) {
        parts << signalSentence(exitCode);
        // No program can catch SIGKILL; the kernel sends it to the program it
        // ends when memory runs out, such as a viewer on a very large picture.
        if (exitCode == SIGKILL)
            parts << QStringLiteral("The system may have ended the viewer because it ran out of "
                                    "memory.");
    }
    if (!errors.trimmed().isEmpty())
        parts << QString::fromUtf8(errors.trimmed());
    else if (!output.trimmed().isEmpty())
        parts << lastLine(output);
    else if (!crashed)
        parts << QStringLiteral("The viewer ended with exit code %1.").arg(exitCode);

    return ViewerReport{crashed ? QStringLiteral("Viewer stopped")
                                : QStringLiteral("Viewer did not start"),
                        parts.join(u'\n')};
}

} // namespace

void ViewerWatch::start(const QString& program, const QStringList& arguments)
{
    // Destroying a QProcess ends its program, so no object owns this one: it
    // deletes itself once the viewer has ended, and outlives the watch.
    auto* process = new QProcess;
    auto* output = new QTemporaryFile(process);
    auto* errors = new QTemporaryFile(process);

    // A session of its own spares the viewer the hang-up of the launcher's terminal.
    process->setChildProcessModifier([] { ::setsid(); });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(output->open() ? output->fileName() : QProcess::nullDevice());
    process->setStandardErrorFile(errors->open() ? errors->fileName() : QProcess::nullDevice());

    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        emit failedToStart();
    });
    connect(process, &QProcess::finished, this,
            [this, output, errors](int exitCode, QProcess::ExitStatus status) {
                const std::optional<ViewerReport> report = reportViewerEnd(
                    exitCode, status == QProcess::CrashExit, lastBytes(errors), lastBytes(output));
                if (report)
                    emit viewerFailed(report->title, report->text);
            });
    connect(process, &QProcess::finished, process, &QObject::deleteLater);

    process->start(program, arguments);

    // Both sides hold the files open now; without names they vanish with the
    // last of them.
    for (QTemporaryFile* file : {output, errors}) {
        if (file->isOpen())
            QFile::remove(file->fileName());
    }
}
