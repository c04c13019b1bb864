#include "mainwindow/inplacesave.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// access() also sees a folder only the administrator can open up again, such as an
// immutable one, which refuses even root.
bool refusesNewFiles(const QString &folder)
{
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return false;
    return errno == EACCES || errno == EPERM;
}

// Beyond the blocks of a full disk or a quota, this meets the file-size limit too.
bool reserveFileSize(QFile &file, qint64 size, QString *reason)
{
    if (size == 0)
        return true;
    const int error = ::posix_fallocate(file.handle(), 0, off_t(size));
    if (error == 0)
        return true;
    *reason = qt_error_string(error);
    return false;
}
