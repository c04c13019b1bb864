#include "ports/portwatcher.h"

#include <QFile>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

struct PortWatcher::SystemWatch
{
    int descriptor = -1;
    QSocketNotifier *notifier = nullptr;
};

namespace {

// Nodes made, removed or renamed; opening or writing one changes no port.
const uint32_t nodeEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

int watchFolder(const QString &folder)
{
    const int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor >= 0 &&
        inotify_add_watch(descriptor, QFile::encodeName(folder).constData(), nodeEvents) < 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

void discardEvents(int descriptor)
{
    char events[4096];
    while (read(descriptor, events, sizeof events) > 0)
        continue;
}

} // namespace

PortWatcher::PortWatcher(quintptr, const QString &deviceRoot, QObject *parent)
    : QObject(parent), systemWatch(new SystemWatch)
{
    setUpSettleTimer();
    systemWatch->descriptor = watchFolder(deviceRoot);
    if (systemWatch->descriptor < 0)
        return;
    systemWatch->notifier =
        new QSocketNotifier(systemWatch->descriptor, QSocketNotifier::Read, this);
    connect(systemWatch->notifier, SIGNAL(activated(int)), this, SLOT(takeSystemNotice()));
}

PortWatcher::~PortWatcher()
{
    // The notifier goes before the descriptor that it watches.
    delete systemWatch->notifier;
    if (systemWatch->descriptor >= 0)
        close(systemWatch->descriptor);
}

bool PortWatcher::isWatching() const
{
    return systemWatch->descriptor >= 0;
}

void PortWatcher::takeSystemNotice()
{
    // Which node it was does not matter: the whole list is made again.
    discardEvents(systemWatch->descriptor);
    settleSoon();
}
