#include "ports/usbidentity.h"

namespace {

const QChar separator(QLatin1Char(':'));

QString hexId(int id)
{
    return QString::number(id, 16).rightJustified(4, QLatin1Char('0'));
}

} // namespace

UsbIdentity UsbIdentity::ofPort(const PortInfo &port)
{
    return UsbIdentity{port.vendorId, port.productId, port.serialNumber};
}

UsbIdentity UsbIdentity::fromString(const QString &text)
{
    bool vendorRead = false;
    bool productRead = false;
    UsbIdentity identity;
    identity.vendorId = text.section(separator, 0, 0).toUShort(&vendorRead, 16);
    identity.productId = text.section(separator, 1, 1).toUShort(&productRead, 16);
    // The serial number is the rest, colons and all.
    identity.serialNumber = text.section(separator, 2);
    return vendorRead && productRead && !identity.isEmpty() ? identity : UsbIdentity();
}

QString UsbIdentity::toString() const
{
    if (isEmpty())
        return QString();
    return hexId(vendorId) + separator + hexId(productId) + separator + serialNumber;
}

bool UsbIdentity::matches(const PortInfo &port) const
{
    return !isEmpty() && port.vendorId == vendorId && port.productId == productId &&
           (serialNumber.isEmpty() || port.serialNumber == serialNumber);
}
