#ifndef INPLACESAVE_H
#define INPLACESAVE_H

#include <QString>

class QFile;

// What the platform tells a save that has to write over the file itself.

// True when the folder exists but this user may not create files in it.
bool refusesNewFiles(const QString &folder);

// Claims room for size bytes in the open file before any of its bytes change, growing it
// if need be; false with the system's reason when they do not fit. The caller cuts a
// grown file back to its old size after a failure.
bool reserveFileSize(QFile &file, qint64 size, QString *reason);

#endif
