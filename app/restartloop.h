#ifndef RESTARTLOOP_H
#define RESTARTLOOP_H

#include "ports/portenumeration.h"

// Runs passes of translation, main window and event loop until a window ends
// without asking for a restart. The enumerator lets tests feed their own ports.
void runRestartLoop(const PortEnumerator &enumerator = enumeratePorts);

#endif
