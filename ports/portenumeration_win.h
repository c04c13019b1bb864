#ifndef PORTENUMERATION_WIN_H
#define PORTENUMERATION_WIN_H

#include <QString>

#include <windows.h>

#include <setupapi.h>

// A string-valued device property, or the empty string when it is absent or unreadable.
QString readDeviceProperty(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, DWORD property);

#endif
