#ifndef DEVICELOSS_H
#define DEVICELOSS_H

#include <QtGlobal>

namespace Ow {

// Whether a port read, write or flush on an open handle that failed with this system error code
// means the device has gone (unplugged, or its driver gave it up), rather than a single call gone
// wrong. Our own cancel (ERROR_OPERATION_ABORTED) and a drain that ran out of time
// (ERROR_SEM_TIMEOUT) are not.
bool isDeviceGoneError(quint32 code);

} // namespace Ow

#endif
