#ifndef PORTINFO_H
#define PORTINFO_H

#include <QString>

// One serial port present on the machine.
struct PortInfo
{
    QString portName;
    QString devicePath;
    QString openPath;
    QString physicalName;
    QString friendlyName;
    QString enumeratorName;
    int vendorId = 0;
    int productId = 0;
    // The USB device's serial number; empty off USB or when the device reports none. The
    // initialiser spares brace lists that end at the ids from having to name it.
    QString serialNumber{};
};

#endif
