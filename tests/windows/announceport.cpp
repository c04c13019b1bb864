// announceport PORT: tells the program's windows that a USB serial port arrived, as Windows does
// when the tester is plugged in: WM_DEVICECHANGE with DBT_DEVICEARRIVAL and the port's device
// interface of the COM port class, for the test's USB ids with the port's name as serial number.
#include <windows.h>

#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const GUID comPortInterface = {
    0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

int windowsReached = 0;

BOOL CALLBACK announceTo(HWND window, LPARAM notice)
{
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    DWORD_PTR result = 0;
    if (std::wstring(title).rfind(L"Ormwick DataLogger", 0) == 0 &&
        SendMessageTimeoutW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, notice, SMTO_ABORTIFHUNG,
                            5000, &result))
        ++windowsReached;
    return TRUE;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    const std::string port = argv[1];
    const std::wstring name = L"\\\\?\\USB#VID_1A2B&PID_3C4D#LDL" +
                              std::wstring(port.begin(), port.end()) +
                              L"#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
    const size_t size =
        offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t);
    std::vector<char> buffer(size);
    auto *notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(buffer.data());
    notice->dbcc_size = DWORD(size);
    notice->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    notice->dbcc_classguid = comPortInterface;
    name.copy(notice->dbcc_name, name.size());
    EnumWindows(announceTo, reinterpret_cast<LPARAM>(notice));
    std::printf("announceport: %s announced to %d window(s)\n", port.c_str(), windowsReached);
    return windowsReached > 0 ? 0 : 1;
}
