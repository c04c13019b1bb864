#ifndef SYSFSPORTS_LINUX_H
#define SYSFSPORTS_LINUX_H

#include "ports/portinfo.h"

#include <QList>
#include <QString>

// Appends one record per real serial device found under a sysfs tty class folder
// (/sys/class/tty on a running system), in natural name order; each is opened as
// the node of the same name under deviceRoot.
void enumerateSysfsPorts(QList<PortInfo> &ports, const QString &ttyClassPath,
                         const QString &deviceRoot = QStringLiteral("/dev"));

#endif
