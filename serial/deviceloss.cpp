#include "serial/deviceloss.h"

#include "serial/commapi.h"

namespace Ow {

// The codes USB serial drivers are seen to give on the handle they still hold once their device is
// unplugged (31, 1167, 5, 22, 6), and Wine's for a terminal that has hung up (21); the others say
// so by their meaning.
bool isDeviceGoneError(quint32 code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
        return true;
    default:
        return false;
    }
}

} // namespace Ow
