#include "savedsettings.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#include <cmath>

std::optional<double> textToNumber(const QString& text)
{
    static const QRegularExpression decimal(
        QStringLiteral("^[ \\t]*([+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+))[ \\t]*$"));
    const QRegularExpressionMatch match = decimal.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(match.captured(1), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<ResolutionBytes> splitResolution(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double hi = std::trunc(value / 256.0);
    if (hi < 0.0 || hi > 127.0)
        return std::nullopt;
    // In the default rounding mode, which nothing here changes, a half goes to
    // the even neighbour.
    const double lo = std::nearbyint(value - hi * 256.0);
    if (lo < 0.0 || lo > 255.0)
        return std::nullopt;
    return ResolutionBytes{quint8(hi), quint8(lo)};
}

std::optional<int> joinResolution(quint8 hi, quint8 lo)
{
    if (hi > 127)
        return std::nullopt;
    return hi * 256 + lo;
}

std::optional<Qt::CheckState> checkStateFromByte(quint8 value)
{
    switch (value) {
    case 0:
        return Qt::Unchecked;
    case 1:
        return Qt::Checked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        return std::nullopt;
    }
}

quint8 byteFromCheckState(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

std::optional<QString> lastPathFromFile(const QByteArray& contents)
{
    if (contents.isEmpty())
        return std::nullopt;

    qsizetype end = contents.indexOf('\n');
    if (end < 0)
        end = contents.size();
    if (end > 0 && contents.at(end - 1) == '\r')
        --end;

    qsizetype begin = 0;
    while (begin < end && (contents.at(begin) == ' ' || contents.at(begin) == '\t'))
        ++begin;

    if (begin < end && contents.at(begin) == '"') {
        ++begin;
        const qsizetype quote = contents.indexOf('"', begin);
        if (quote >= 0 && quote < end)
            end = quote;
    }
    return QString::fromUtf8(contents.mid(begin, end - begin));
}

namespace {

// A new file replaces the old one at once, so that no reader ever sees half of
// it; where the folder takes no new file, the existing one is written in place.
bool saveFile(const QString& fileName, const QByteArray& bytes, QString* errorString)
{
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        *errorString = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *errorString = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace

bool writeLastPathFile(const QString& fileName, const QString& path, QString* errorString)
{
    return saveFile(fileName, path.toUtf8() + "\r\n", errorString);
}

bool writeSettingsRecord(const QString& fileName, const SettingsRecord& record,
                         QString* errorString)
{
    QByteArray bytes(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
    QFile existing(fileName);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            *errorString = existing.errorString();
            return false;
        }
        const QByteArray old = existing.readAll();
        if (existing.error() != QFileDevice::NoError) {
            *errorString = existing.errorString();
            return false;
        }
        bytes += old.mid(bytes.size());
    }
    return saveFile(fileName, bytes, errorString);
}
