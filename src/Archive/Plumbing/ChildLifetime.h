#pragma once

#include <sys/types.h>

class QProcess;

// The programs we run on archives (7zz, unar) die with the thread that
// started them and waits for them. Without this, a Kestrel Archive that
// crashes or is killed leaves its child running, and a child caught in a
// loop by a hostile archive spins for ever.
class ChildLifetime
{
public:
    ChildLifetime() = delete;

    // Before `process` is started: its child gets SIGKILL when the calling
    // thread ends.
    static void tieToCaller(QProcess& process);

    // In a child made with fork(), before exec: SIGKILL when `parent` (the
    // pid before the fork) is gone; exits at once when it already is.
    static void tieToParent(pid_t parent);
};
