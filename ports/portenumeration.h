#ifndef PORTENUMERATION_H
#define PORTENUMERATION_H

#include "ports/portinfo.h"

#include <QList>

#include <functional>

// Appends one record per present serial port, in the system's order.
void enumeratePorts(QList<PortInfo> &ports);

// What the main window calls to list ports; tests hand in their own.
using PortEnumerator = std::function<void(QList<PortInfo> &)>;

#endif
