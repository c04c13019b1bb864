#include "ports/portenumeration_win.h"
#include "ports/portenumeration.h"
#include "ports/portnaming.h"
#include "ports/utf16text.h"

#include <cfgmgr32.h>

namespace {

// The Ports device class, spelled out so that no source needs INITGUID for devguid.h.
const GUID portsClassGuid = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Far above any port name or device property; a larger size is not a name.
const DWORD maxTextBytes = 1024 * 1024;

// Room for the longest device instance id and its NUL.
const int instanceIdBytes = (MAX_DEVICE_ID_LEN + 1) * int(sizeof(WCHAR));

QString readInstanceId(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData)
{
    QByteArray buffer(instanceIdBytes, '\0');
    if (!SetupDiGetDeviceInstanceIdW(deviceInfoSet, deviceInfoData,
                                     reinterpret_cast<PWSTR>(buffer.data()),
                                     DWORD(buffer.size() / sizeof(WCHAR)), nullptr))
        return QString();
    return textUpToFirstNul(buffer, buffer.size());
}

QString parentInstanceId(DEVINST device)
{
    DEVINST parent = 0;
    QByteArray buffer(instanceIdBytes, '\0');
    if (CM_Get_Parent(&parent, device, 0) != CR_SUCCESS ||
        CM_Get_Device_IDW(parent, reinterpret_cast<PWCHAR>(buffer.data()),
                          ULONG(buffer.size() / sizeof(WCHAR)), 0) != CR_SUCCESS)
        return QString();
    return textUpToFirstNul(buffer, buffer.size());
}

QString readPortNameValue(HKEY key)
{
    const wchar_t *valueName = L"PortName";
    DWORD size = 0;
    if (RegQueryValueExW(key, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return QString();
    if (size == 0 || size > maxTextBytes)
        return QString();
    QByteArray buffer(int(size), '\0');
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return QString();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return QString();
    return textUpToFirstNul(buffer, size);
}

QString readPortName(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData)
{
    const HKEY key = SetupDiOpenDevRegKey(deviceInfoSet, deviceInfoData, DICS_FLAG_GLOBAL, 0,
                                          DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return QString();
    const QString portName = readPortNameValue(key);
    RegCloseKey(key);
    return portName;
}

PortInfo describeDevice(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData)
{
    PortInfo info;
    info.friendlyName = readDeviceProperty(deviceInfoSet, deviceInfoData, SPDRP_FRIENDLYNAME);
    info.physicalName =
        readDeviceProperty(deviceInfoSet, deviceInfoData, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
    info.enumeratorName = readDeviceProperty(deviceInfoSet, deviceInfoData, SPDRP_ENUMERATOR_NAME);
    // A list of strings; reading up to the first NUL keeps the first one.
    const QString hardwareId = readDeviceProperty(deviceInfoSet, deviceInfoData, SPDRP_HARDWAREID);
    info.portName = readPortName(deviceInfoSet, deviceInfoData);
    info.devicePath = info.openPath = openPathForPortName(info.portName);
    const UsbIds ids = usbIdsFromHardwareId(hardwareId);
    info.vendorId = ids.vendorId;
    info.productId = ids.productId;
    info.serialNumber =
        usbSerialNumber(readInstanceId(deviceInfoSet, deviceInfoData),
                        [deviceInfoData] { return parentInstanceId(deviceInfoData->DevInst); });
    return info;
}

bool nextDevice(HDEVINFO deviceInfoSet, DWORD index, SP_DEVINFO_DATA &deviceInfoData)
{
    deviceInfoData = SP_DEVINFO_DATA();
    deviceInfoData.cbSize = sizeof(SP_DEVINFO_DATA);
    return SetupDiEnumDeviceInfo(deviceInfoSet, index, &deviceInfoData);
}

} // namespace

QString readDeviceProperty(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, DWORD property)
{
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(deviceInfoSet, deviceInfoData, property, nullptr, nullptr, 0,
                                      &size);
    if (size == 0 || size > maxTextBytes)
        return QString();
    QByteArray buffer(int(size), '\0');
    DWORD returned = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(deviceInfoSet, deviceInfoData, property, nullptr,
                                           reinterpret_cast<PBYTE>(buffer.data()), size, &returned))
        return QString();
    return textUpToFirstNul(buffer, returned);
}

void enumeratePorts(QList<PortInfo> &ports)
{
    const HDEVINFO deviceInfoSet =
        SetupDiGetClassDevsW(&portsClassGuid, nullptr, nullptr, DIGCF_PRESENT);
    if (deviceInfoSet == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA deviceInfoData;
    for (DWORD index = 0; nextDevice(deviceInfoSet, index, deviceInfoData); ++index) {
        const PortInfo info = describeDevice(deviceInfoSet, &deviceInfoData);
        if (isListedPortName(info.portName))
            ports.append(info);
    }
    SetupDiDestroyDeviceInfoList(deviceInfoSet);
}
