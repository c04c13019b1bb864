#include "ports/portnaming.h"

#include <QRegExp>
#include <QStringList>

namespace {

QRegExp comPortPattern()
{
    return QRegExp(QStringLiteral("^COM(\\d+)"), Qt::CaseSensitive, QRegExp::RegExp);
}

int hexValue(const QString &digits)
{
    bool ok = false;
    const int value = digits.toInt(&ok, 16);
    return ok ? value : 0;
}

bool matchesPattern(const QString &text, const QString &pattern, QString *captured = nullptr)
{
    QRegExp regExp(pattern, Qt::CaseInsensitive, QRegExp::RegExp);
    if (regExp.indexIn(text) == -1)
        return false;
    if (captured)
        *captured = regExp.cap(1);
    return true;
}

QString serialNumberInInstanceId(const QString &instanceId)
{
    QString serialNumber;
    if (matchesPattern(instanceId, QStringLiteral(R"(^USB\\VID_\w+&PID_\w+\\([^\\&]+)$)"),
                       &serialNumber) ||
        matchesPattern(instanceId, QStringLiteral(R"(^FTDIBUS\\VID_\w+\+PID_\w+\+([^\\]+)\\)"),
                       &serialNumber))
        return serialNumber;
    return QString();
}

bool isUsbInterfaceInstanceId(const QString &instanceId)
{
    return matchesPattern(instanceId, QStringLiteral(R"(^USB\\VID_\w+&PID_\w+&MI_\w+\\)"));
}

// Splits a name into runs of digits and runs of everything else.
QStringList naturalChunks(const QString &name)
{
    QStringList chunks;
    for (const QChar c : name) {
        if (chunks.isEmpty() || chunks.last().at(0).isDigit() != c.isDigit())
            chunks.append(QString());
        chunks.last().append(c);
    }
    return chunks;
}

// Compares two runs of digits by value, however long they are.
int compareNumbers(QString left, QString right)
{
    while (left.size() > 1 && left.at(0) == QLatin1Char('0'))
        left.remove(0, 1);
    while (right.size() > 1 && right.at(0) == QLatin1Char('0'))
        right.remove(0, 1);
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    return QString::compare(left, right);
}

int naturalCompare(const QString &left, const QString &right)
{
    const QStringList leftChunks = naturalChunks(left);
    const QStringList rightChunks = naturalChunks(right);
    for (int i = 0; i < leftChunks.size() && i < rightChunks.size(); ++i) {
        const QString &a = leftChunks.at(i);
        const QString &b = rightChunks.at(i);
        const bool bothNumbers = a.at(0).isDigit() && b.at(0).isDigit();
        const int order = bothNumbers ? compareNumbers(a, b) : QString::compare(a, b);
        if (order != 0)
            return order;
    }
    return leftChunks.size() - rightChunks.size();
}

} // namespace

bool isListedPortName(const QString &portName)
{
    return comPortPattern().indexIn(portName) == 0;
}

int portNumber(const QString &portName)
{
    QRegExp pattern = comPortPattern();
    if (pattern.indexIn(portName) != 0)
        return 0;
    bool ok = false;
    const int number = pattern.cap(1).toInt(&ok, 10);
    return ok ? number : 0;
}

QString openPathForPortName(const QString &portName)
{
    if (portNumber(portName) > 9)
        return QStringLiteral("\\\\.\\") + portName;
    return portName;
}

UsbIds usbIdsFromHardwareId(const QString &hardwareId)
{
    UsbIds ids;
    QRegExp pattern(QStringLiteral("VID_(\\w+)&PID_(\\w+)"), Qt::CaseSensitive, QRegExp::RegExp);
    if (pattern.indexIn(hardwareId.toUpper()) != -1) {
        ids.vendorId = hexValue(pattern.cap(1));
        ids.productId = hexValue(pattern.cap(2));
    }
    return ids;
}

QString usbSerialNumber(const QString &instanceId, const std::function<QString()> &parentInstanceId)
{
    if (isUsbInterfaceInstanceId(instanceId))
        return serialNumberInInstanceId(parentInstanceId());
    return serialNumberInInstanceId(instanceId);
}

bool naturalPortNameLessThan(const QString &left, const QString &right)
{
    const int order = naturalCompare(left, right);
    // Names equal by value (ttyS01, ttyS1) still need a fixed order.
    return order != 0 ? order < 0 : QString::compare(left, right) < 0;
}
