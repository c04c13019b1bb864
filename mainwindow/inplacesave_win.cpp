#include "mainwindow/inplacesave.h"

#include <QDir>
#include <QFile>

#include <windows.h>

// Asked the way the save asks: by creating a file there, which goes again on closing.
bool refusesNewFiles(const QString &folder)
{
    const QString probe = QDir::toNativeSeparators(
        QStringLiteral("%1/~ldl%2.tmp").arg(folder, QString::number(GetCurrentProcessId())));
    const HANDLE handle =
        CreateFileW(reinterpret_cast<LPCWSTR>(probe.utf16()), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(handle);
    return false;
}

// Moving the end of a file allocates its clusters, so a full disk or a quota shows here.
bool reserveFileSize(QFile &file, qint64 size, QString *reason)
{
    if (size <= file.size() || file.resize(size))
        return true;
    *reason = file.errorString();
    return false;
}
