#pragma once

#include "settings_record.h"

#include <QByteArray>
#include <QString>
#include <Qt>

#include <optional>

struct ResolutionBytes
{
    quint8 hi;
    quint8 lo;
};

// Decimal notation with an optional sign and fraction, blanks around it allowed.
std::optional<double> textToNumber(const QString& text);

// High part truncated toward zero (0 to 127), low part rounded half to even (0 to 255).
std::optional<ResolutionBytes> splitResolution(double value);

// high * 256 + low as a signed 16-bit value: a high byte of 128 or more does not fit.
std::optional<int> joinResolution(quint8 hi, quint8 lo);

// Settings bytes 0, 1 and 2 mean clear, checked and grayed; anything else is refused.
std::optional<Qt::CheckState> checkStateFromByte(quint8 value);
quint8 byteFromCheckState(Qt::CheckState state);

// The path stored in "paths.ini": the whole first line, leading blanks skipped; a
// line starting with a double quote ends at the next double quote. An empty file
// holds no path at all.
std::optional<QString> lastPathFromFile(const QByteArray& contents);

// Writes the path and CR LF as the one line of "fileName", all or nothing where
// the folder allows it, else over the existing file in place.
bool writeLastPathFile(const QString& fileName, const QString& path, QString* errorString);

// Writes the record over the first nine bytes of "fileName", keeping those from
// the tenth on, all or nothing where the folder allows it, else over the
// existing file in place.
bool writeSettingsRecord(const QString& fileName, const SettingsRecord& record,
                         QString* errorString);
