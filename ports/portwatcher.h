#ifndef PORTWATCHER_H
#define PORTWATCHER_H

#include <QObject>
#include <QString>

#include <memory>

class QTimer;

// Says that serial ports may have come or gone, once for a burst of notices from the system,
// so that the port list is made again. On Linux it watches device nodes appear and vanish in
// deviceRoot; on Windows it registers window (a native window handle) for COM port
// notifications and picks them out of the application's native events.
class PortWatcher : public QObject
{
    Q_OBJECT

public:
    explicit PortWatcher(quintptr window, const QString &deviceRoot = QStringLiteral("/dev"),
                         QObject *parent = nullptr);
    ~PortWatcher() override;

    // False when the system refused the watch: then only Refresh lists the ports again.
    bool isWatching() const;

signals:
    void portsMayHaveChanged();

private slots:
    void takeSystemNotice();

private:
    struct SystemWatch;

    void setUpSettleTimer();
    void settleSoon();

    QTimer *settleTimer = nullptr;
    std::unique_ptr<SystemWatch> systemWatch;
};

#endif
