#ifndef PORTNAMING_H
#define PORTNAMING_H

#include <QString>

// USB vendor and product id of a device; 0 where it has none.
struct UsbIds
{
    int vendorId = 0;
    int productId = 0;
};

// Whether a port of this name goes into the port list: COM and a number, in capitals.
bool isListedPortName(const QString &portName);

// The number after COM, or 0 when the name has none.
int portNumber(const QString &portName);

// The name to open the port with: ports above COM9 need the device namespace prefix.
QString openPathForPortName(const QString &portName);

// The vendor and product id carried by a hardware id such as USB\VID_1A2B&PID_3C4D&REV_0100.
UsbIds usbIdsFromHardwareId(const QString &hardwareId);

// Orders names as people count: ttyUSB2 before ttyUSB10.
bool naturalPortNameLessThan(const QString &left, const QString &right);

#endif
