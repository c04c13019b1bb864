#include "ports/sysfsports_linux.h"

#include "ports/portnaming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegExp>
#include <QStringList>

#include <algorithm>

namespace {

// A sysfs attribute never holds more than a page.
const qint64 maxAttributeBytes = 4096;

// One device on the way from a tty up towards the root of the device tree.
struct SysfsDevice
{
    QString path;
    QString bus;
};

// The first line of an attribute file, trimmed; empty when it cannot be read.
QString readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray content = file.read(maxAttributeBytes);
    for (int i = 0; i < content.size(); ++i) {
        if (content.at(i) == '\n' || content.at(i) == '\0') {
            content.truncate(i);
            break;
        }
    }
    return QString::fromUtf8(content).trimmed();
}

// Where a sysfs link leads; empty when it is missing or dangling.
QString linkTarget(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString busOf(const QString &devicePath)
{
    const QString subsystem = linkTarget(devicePath + QStringLiteral("/subsystem"));
    return subsystem.isEmpty() ? QString() : QFileInfo(subsystem).fileName();
}

// The device and its ancestors, as long as each belongs to a bus.
QList<SysfsDevice> deviceChain(const QString &devicePath)
{
    QList<SysfsDevice> chain;
    QDir dir(devicePath);
    for (QString bus = busOf(dir.path()); !bus.isEmpty(); bus = busOf(dir.path())) {
        chain.append({dir.path(), bus});
        if (!dir.cdUp())
            break;
    }
    return chain;
}

// The kernel's serial layers sit between a port and the bus its hardware is on.
bool isSerialLayer(const QString &bus)
{
    return bus == QLatin1String("usb-serial") || bus == QLatin1String("serial-base");
}

QString hardwareBus(const QList<SysfsDevice> &chain)
{
    for (const SysfsDevice &device : chain) {
        if (!isSerialLayer(device.bus))
            return device.bus;
    }
    return QString();
}

// The USB device itself, above the interface that the serial driver binds to.
QString usbDevicePath(const QList<SysfsDevice> &chain)
{
    for (const SysfsDevice &device : chain) {
        if (device.bus == QLatin1String("usb") &&
            QFileInfo::exists(device.path + QStringLiteral("/idVendor")))
            return device.path;
    }
    return QString();
}

// An id as a hardware id part; anything but word characters would spill into the next part.
QString hardwareIdPart(const QString &attribute)
{
    return QRegExp(QStringLiteral("\\w+")).exactMatch(attribute) ? attribute : QStringLiteral("0");
}

UsbIds usbIds(const QString &usbDevice)
{
    const QString hardwareId =
        QStringLiteral("USB\\VID_") +
        hardwareIdPart(readAttribute(usbDevice + QStringLiteral("/idVendor"))) +
        QStringLiteral("&PID_") +
        hardwareIdPart(readAttribute(usbDevice + QStringLiteral("/idProduct")));
    return usbIdsFromHardwareId(hardwareId);
}

QString usbFriendlyName(const QString &usbDevice)
{
    QStringList parts;
    parts << readAttribute(usbDevice + QStringLiteral("/manufacturer"))
          << readAttribute(usbDevice + QStringLiteral("/product"));
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

// An 8250 slot that no hardware answered to reports its port type as unknown (0).
bool isPlaceholderUart(const QString &ttyPath)
{
    bool ok = false;
    const int type = readAttribute(ttyPath + QStringLiteral("/type")).toInt(&ok, 10);
    return ok && type == 0;
}

bool isRealSerialDevice(const QString &ttyPath, const QString &devicePath)
{
    return !devicePath.isEmpty() && !linkTarget(devicePath + QStringLiteral("/driver")).isEmpty() &&
           !isPlaceholderUart(ttyPath);
}

PortInfo describePort(const QString &name, const QString &devicePath, const QString &nodePath)
{
    PortInfo info;
    info.portName = name;
    info.devicePath = info.openPath = nodePath;
    info.physicalName = devicePath;
    const QList<SysfsDevice> chain = deviceChain(devicePath);
    info.enumeratorName = hardwareBus(chain);
    const QString usbDevice = usbDevicePath(chain);
    if (!usbDevice.isEmpty()) {
        info.friendlyName = usbFriendlyName(usbDevice);
        const UsbIds ids = usbIds(usbDevice);
        info.vendorId = ids.vendorId;
        info.productId = ids.productId;
        info.serialNumber = readAttribute(usbDevice + QStringLiteral("/serial"));
    }
    return info;
}

} // namespace

void enumerateSysfsPorts(QList<PortInfo> &ports, const QString &ttyClassPath,
                         const QString &deviceRoot)
{
    QStringList names =
        QDir(ttyClassPath).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), naturalPortNameLessThan);
    for (const QString &name : names) {
        const QString ttyPath = ttyClassPath + QLatin1Char('/') + name;
        const QString devicePath = linkTarget(ttyPath + QStringLiteral("/device"));
        const QString nodePath = deviceRoot + QLatin1Char('/') + name;
        // Without its node the port cannot be opened (a container may show the host's sysfs).
        if (isRealSerialDevice(ttyPath, devicePath) && QFileInfo::exists(nodePath))
            ports.append(describePort(name, devicePath, nodePath));
    }
}
