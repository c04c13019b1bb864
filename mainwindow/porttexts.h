#ifndef PORTTEXTS_H
#define PORTTEXTS_H

#include "ports/portinfo.h"

#include <QString>

// What the window says about a port. No window is needed for these rules.

// The port's description from the system, then its USB ids and serial number; empty when the
// system gives neither.
QString portToolTip(const PortInfo &port);

// Why a port did not open, from the system error code of the open and the group whose members
// may use the port (empty when no group is what keeps the user out).
QString connectionFailureCause(quint32 openError, const QString &deniedGroup);

#endif
