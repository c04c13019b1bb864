#include "ports/portwatcher.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include <cstddef>
#include <dbt.h>

namespace {

// GUID_DEVINTERFACE_COMPORT, spelled out so that no source needs INITGUID for ntddser.h.
const GUID comPortInterface = {
    0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

bool isComPortInterface(const DEV_BROADCAST_HDR &header)
{
    if (header.dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header.dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name))
        return false;
    const auto &deviceInterface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W &>(header);
    return deviceInterface.dbcc_classguid == comPortInterface;
}

// A COM port arrived or left: as a device interface for the window that registered, or as the
// port broadcast that every top-level window gets.
bool isPortNotice(const MSG &message)
{
    if (message.message != WM_DEVICECHANGE || message.lParam == 0 ||
        (message.wParam != DBT_DEVICEARRIVAL && message.wParam != DBT_DEVICEREMOVECOMPLETE))
        return false;
    const auto &header = *reinterpret_cast<const DEV_BROADCAST_HDR *>(message.lParam);
    return header.dbch_devicetype == DBT_DEVTYP_PORT || isComPortInterface(header);
}

bool isWindowsMessage(const QByteArray &eventType)
{
    return eventType == "windows_generic_MSG" || eventType == "windows_dispatcher_MSG";
}

} // namespace

// Taken out of the application's event dispatcher by its own destructor.
struct PortWatcher::SystemWatch : public QAbstractNativeEventFilter
{
    explicit SystemWatch(PortWatcher *watcher) : watcher(watcher) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (isWindowsMessage(eventType) && isPortNotice(*static_cast<const MSG *>(message)))
            watcher->takeSystemNotice();
        // The window may want the message as well.
        return false;
    }

    PortWatcher *watcher;
    HDEVNOTIFY notification = nullptr;
};

PortWatcher::PortWatcher(quintptr window, const QString &, QObject *parent)
    : QObject(parent), systemWatch(new SystemWatch(this))
{
    setUpSettleTimer();
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = comPortInterface;
    systemWatch->notification = RegisterDeviceNotificationW(reinterpret_cast<HANDLE>(window),
                                                            &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    QCoreApplication::instance()->installNativeEventFilter(systemWatch.get());
}

PortWatcher::~PortWatcher()
{
    if (systemWatch->notification)
        UnregisterDeviceNotification(systemWatch->notification);
}

bool PortWatcher::isWatching() const
{
    return systemWatch->notification != nullptr;
}

void PortWatcher::takeSystemNotice()
{
    settleSoon();
}
