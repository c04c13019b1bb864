#include "mainwindow/downloadeddata.h"

#include "mainwindow/inplacesave.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace {

// Converted and written a block at a time: no copy of the whole download is made.
const int saveBlockSize = 64 * 1024;

bool writeConverted(QFileDevice &file, const QByteArray &received, bool european)
{
    QByteArray block;
    for (int pos = 0; pos < received.size(); pos += saveBlockSize) {
        block = received.mid(pos, saveBlockSize);
        convertForSaving(block.data(), block.size(), european);
        if (file.write(block) != block.size())
            return false;
    }
    // Without this a buffered write that fails would go unnoticed.
    return file.flush();
}

// Keeps what the failed call left as the reason; always false.
bool failed(const QFileDevice &file, QString *reason)
{
    *reason = file.errorString();
    return false;
}

// The old bytes are written over, not truncated first, once the new ones are sure to fit;
// the file is cut to its new length last.
bool overwriteInPlace(const QString &path, const QByteArray &received, bool european,
                      QString *reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failed(file, reason);
    const qint64 oldSize = file.size();
    if (!reserveFileSize(file, received.size(), reason)) {
        file.resize(oldSize);
        return false;
    }
    if (!writeConverted(file, received, european) || !file.resize(received.size()))
        return failed(file, reason);
    // Network file systems report a failed write as late as this.
    file.close();
    return file.error() == QFileDevice::NoError || failed(file, reason);
}

} // namespace

QString paneText(const QByteArray &chunk)
{
    const int length = int(qstrnlen(chunk.constData(), uint(chunk.size())));
    QString text = QString::fromUtf8(chunk.constData(), length);
    text.remove(QLatin1Char('\r'));
    return text;
}

bool localeWritesDecimalComma()
{
    return QLocale().toString(0.5, 'g', 6).contains(QLatin1Char(','));
}

bool isCsvFileName(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
}

// Byte by byte, the same as first turning every comma into a semicolon and then every
// full stop into a comma; the other order would make decimal points semicolons.
void convertForSaving(char *bytes, qint64 size, bool european)
{
    for (qint64 i = 0; i < size; ++i) {
        char byte = char(bytes[i] & 0x7F);
        if (european && byte == ',')
            byte = ';';
        else if (european && byte == '.')
            byte = ',';
        bytes[i] = byte;
    }
}

bool writeSavedFile(const QString &path, const QByteArray &received, bool european, QString *reason)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly))
        return (writeConverted(file, received, european) && file.commit()) || failed(file, reason);
    // A writable file in a folder where this user may make no temporary file.
    if (QFile::exists(path) && refusesNewFiles(QFileInfo(path).absolutePath()))
        return overwriteInPlace(path, received, european, reason);
    return failed(file, reason);
}
