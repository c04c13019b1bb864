#include "ports/utf16text.h"

#include <QtEndian>

QString textUpToFirstNul(const QByteArray &buffer, qint64 bytesReturned)
{
    const qint64 usableBytes = qBound<qint64>(0, bytesReturned, buffer.size());
    const int unitCount = int(usableBytes / 2);
    QString text;
    text.reserve(unitCount);
    for (int i = 0; i < unitCount; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(buffer.constData() + 2 * i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}
