#ifndef PORTNAMING_H
#define PORTNAMING_H

#include <QString>

#include <functional>

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

// The serial number of the USB device behind a port, from the port's device instance id, such as
// USB\VID_1A2B&PID_3C4D\A12345 or FTDIBUS\VID_0403+PID_6001+A12345B\0000, or from its parent's
// when the port is one interface of a composite device (USB\VID_1A2B&PID_3C4D&MI_00\...).
// An id that ends in a location Windows made up (6&1a2b3c&0&2) carries none.
QString usbSerialNumber(const QString &instanceId,
                        const std::function<QString()> &parentInstanceId);

// Orders names as people count: ttyUSB2 before ttyUSB10.
bool naturalPortNameLessThan(const QString &left, const QString &right);

#endif
