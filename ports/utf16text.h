#ifndef UTF16TEXT_H
#define UTF16TEXT_H

#include <QByteArray>
#include <QString>

// The little-endian UTF-16 text in a buffer that the system filled with bytesReturned bytes:
// up to the first NUL, never past the buffer or the bytes returned, a stray odd byte ignored.
QString textUpToFirstNul(const QByteArray &buffer, qint64 bytesReturned);

#endif
