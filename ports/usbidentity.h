#ifndef USBIDENTITY_H
#define USBIDENTITY_H

#include "ports/portinfo.h"

#include <QString>

// The USB device behind a port, remembered so that the tester is found again under whatever
// name the system gives it next time. Empty for a port that is not on USB.
struct UsbIdentity
{
    int vendorId = 0;
    int productId = 0;
    QString serialNumber;

    static UsbIdentity ofPort(const PortInfo &port);
    // Reads what toString() wrote; anything else gives the empty identity.
    static UsbIdentity fromString(const QString &text);
    // One settings value, "1a2b:3c4d:SERIAL"; the empty string for the empty identity.
    QString toString() const;

    bool isEmpty() const { return vendorId == 0 && productId == 0; }
    // Same model, and the same serial number when this identity has one.
    bool matches(const PortInfo &port) const;
};

#endif
