#include "ports/portenumeration.h"

#include "ports/sysfsports_linux.h"

void enumeratePorts(QList<PortInfo> &ports)
{
    enumerateSysfsPorts(ports, QStringLiteral("/sys/class/tty"));
}
