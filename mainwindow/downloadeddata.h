#ifndef DOWNLOADEDDATA_H
#define DOWNLOADEDDATA_H

#include <QByteArray>
#include <QString>

// What becomes of the bytes a download received: the text the pane shows and the
// file a save writes. No window is needed for these rules.

// The text of a chunk up to its first NUL byte, without carriage returns.
QString paneText(const QByteArray &chunk);

// True when the default locale writes 0.5 with a decimal comma.
bool localeWritesDecimalComma();

// True for a name whose suffix is "csv" in any case; "x.csv.txt" is not.
bool isCsvFileName(const QString &path);

// Clears bit 7 of every byte and, in European format, turns field commas into
// semicolons and decimal points into commas.
void convertForSaving(char *bytes, qint64 size, bool european);

// Writes the received bytes, converted, through a temporary file, or over the file itself
// where no temporary file may be made, so that a failed save leaves an existing file whole;
// false with the system's reason when the file could not be written.
bool writeSavedFile(const QString &path, const QByteArray &received, bool european,
                    QString *reason);

#endif
