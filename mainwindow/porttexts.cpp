#include "mainwindow/porttexts.h"

#include "ports/usbidentity.h"
#include "serial/commapi.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// As the system's device manager writes USB ids.
QString usbId(int id)
{
    return QString::number(id, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

QString usbLine(const PortInfo &port)
{
    const QString vendor = usbId(port.vendorId);
    const QString product = usbId(port.productId);
    if (port.serialNumber.isEmpty())
        return QCoreApplication::translate("MainWindow", "USB %1:%2").arg(vendor, product);
    return QCoreApplication::translate("MainWindow", "USB %1:%2, serial %3")
        .arg(vendor, product, port.serialNumber);
}

} // namespace

QString portToolTip(const PortInfo &port)
{
    QStringList lines;
    if (!port.friendlyName.isEmpty())
        lines.append(port.friendlyName);
    if (!UsbIdentity::ofPort(port).isEmpty())
        lines.append(usbLine(port));
    return lines.join(QLatin1Char('\n'));
}

QString connectionFailureCause(quint32 openError, const QString &deniedGroup)
{
    switch (openError) {
    case ERROR_ACCESS_DENIED:
        if (!deniedGroup.isEmpty())
            return QCoreApplication::translate(
                       "MainWindow",
                       "Access to the port is denied: only members of the group \"%1\" may use "
                       "it. Join the group with \"sudo usermod -aG %1 $USER\", then log in again.")
                .arg(deniedGroup);
        return QCoreApplication::translate("MainWindow", "The port is in use by another program.");
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return QCoreApplication::translate("MainWindow",
                                           "The port is not there: the tester may be unplugged.");
    default:
        return QCoreApplication::translate("MainWindow",
                                           "The port could not be opened (system error %1).")
            .arg(openError);
    }
}
