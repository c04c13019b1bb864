#include "ports/portenumeration.h"

void enumeratePorts(QList<PortInfo> &ports)
{
    Q_UNUSED(ports)
}
