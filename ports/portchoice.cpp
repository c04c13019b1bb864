#include "ports/portchoice.h"

#include <algorithm>

namespace {

int lastIndexOfName(const QList<PortInfo> &ports, const QString &name)
{
    for (int i = ports.size() - 1; i >= 0; --i) {
        if (ports.at(i).portName == name)
            return i;
    }
    return -1;
}

bool isUsbPort(const PortInfo &port)
{
    return !UsbIdentity::ofPort(port).isEmpty();
}

bool isSamePort(const PortInfo &left, const PortInfo &right)
{
    return left.portName == right.portName && left.vendorId == right.vendorId &&
           left.productId == right.productId && left.serialNumber == right.serialNumber;
}

bool hasAppeared(const PortInfo &port, const QList<PortInfo> &oldPorts)
{
    // Against an empty list every port would be new; at the start none is.
    return !oldPorts.isEmpty() &&
           std::none_of(oldPorts.begin(), oldPorts.end(),
                        [&](const PortInfo &old) { return isSamePort(old, port); });
}

int firstAppearedUsbPort(const QList<PortInfo> &oldPorts, const QList<PortInfo> &newPorts)
{
    for (int i = 0; i < newPorts.size(); ++i) {
        if (isUsbPort(newPorts.at(i)) && hasAppeared(newPorts.at(i), oldPorts))
            return i;
    }
    return -1;
}

int identifiedPort(const QList<PortInfo> &ports, const UsbIdentity &identity)
{
    QList<int> matches;
    for (int i = 0; i < ports.size(); ++i) {
        if (identity.matches(ports.at(i)))
            matches.append(i);
    }
    // Without a serial number, two of the same model cannot be told apart.
    const bool found = identity.serialNumber.isEmpty() ? matches.size() == 1 : !matches.isEmpty();
    return found ? matches.first() : -1;
}

} // namespace

int choosePort(const QList<PortInfo> &oldPorts, const QList<PortInfo> &newPorts,
               const QString &currentName, const QString &storedName,
               const UsbIdentity &storedIdentity)
{
    const int current = lastIndexOfName(newPorts, currentName);
    const int identified = identifiedPort(newPorts, storedIdentity);
    if (identified >= 0 && (current < 0 || hasAppeared(newPorts.at(identified), oldPorts)))
        return identified;
    const int appeared = firstAppearedUsbPort(oldPorts, newPorts);
    if (appeared >= 0 && (current < 0 || !isUsbPort(newPorts.at(current))))
        return appeared;
    if (current >= 0)
        return current;
    const int stored = lastIndexOfName(newPorts, storedName);
    if (stored >= 0)
        return stored;
    return newPorts.isEmpty() ? -1 : 0;
}
