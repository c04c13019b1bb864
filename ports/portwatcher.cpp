#include "ports/portwatcher.h"

#include <QTimer>

namespace {

// A device brings several notices at once; this lists it once and well within a second.
const int settleMs = 200;

} // namespace

void PortWatcher::setUpSettleTimer()
{
    settleTimer = new QTimer(this);
    settleTimer->setSingleShot(true);
    settleTimer->setInterval(settleMs);
    connect(settleTimer, SIGNAL(timeout()), this, SIGNAL(portsMayHaveChanged()));
}

void PortWatcher::settleSoon()
{
    // Not restarted by later notices, so that a steady stream of them still gets listed.
    if (!settleTimer->isActive())
        settleTimer->start();
}
