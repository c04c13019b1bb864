#ifndef PORTCHOICE_H
#define PORTCHOICE_H

#include "ports/portinfo.h"
#include "ports/usbidentity.h"

#include <QList>
#include <QString>

// Which port of newPorts to make current after listing them again: its index, -1 when none.
// First the stored identity's port if it just appeared or nothing is current, then a USB port
// that just appeared if the current one is gone or not on USB, then the current port, the stored
// name (the last of that name) and the first. A change and Refresh pass the list shown until
// then and its current port; the start passes an empty old list, against which nothing appears.
int choosePort(const QList<PortInfo> &oldPorts, const QList<PortInfo> &newPorts,
               const QString &currentName, const QString &storedName,
               const UsbIdentity &storedIdentity);

#endif
