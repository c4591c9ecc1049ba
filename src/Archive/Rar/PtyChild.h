#pragma once

#include "Archive/Extraction/FileDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// A child process whose standard streams and controlling terminal are a new
// pseudo-terminal, for tools that read a password only from a terminal. The
// terminal neither echoes, nor edits lines, nor turns bytes into signals:
// what is written reaches the child unchanged, and only "\n" ends a line.
// The child sees nothing of the parent's descriptors. Dropping a running
// child stops it.
class PtyChild
{
public:
    PtyChild() = default;
    ~PtyChild();
    PtyChild(const PtyChild&) = delete;
    PtyChild& operator=(const PtyChild&) = delete;

    // `program` is an absolute path. False when it could not be started.
    bool start(const QString& program, const QStringList& arguments);
    pid_t pid() const { return m_pid; }

    enum class ReadResult
    {
        data,
        timeout,
        // The child closed the terminal (it ended) or reading failed.
        closed,
    };
    // Waits up to `timeoutMs` for output and appends what arrived to `output`.
    ReadResult read(QByteArray& output, int timeoutMs);
    bool write(QByteArrayView data);

    // Waits for the child to end: its exit code, or -1 when a signal ended it.
    int wait();
    // The same without waiting: false while the child runs.
    bool tryWait(int& exitCode);
    // SIGTERM, then SIGKILL when it has not ended after a short grace period;
    // the child is reaped either way.
    void stop();

private:
    FileDescriptor m_terminal;
    pid_t m_pid = -1;
};
