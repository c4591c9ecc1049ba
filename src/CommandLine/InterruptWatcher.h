#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the main thread while it
// lives, so a running job can be cancelled and cleaned up instead of the
// process dying with partial output on disk. Blocking reads are interrupted
// rather than restarted. One instance at a time.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

    // The first signal caught, or 0.
    int caughtSignal() const { return m_caughtSignal; }

signals:
    void interrupted(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
    int m_caughtSignal = 0;
};
