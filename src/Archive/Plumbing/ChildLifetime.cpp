#include "Archive/Plumbing/ChildLifetime.h"

#include <QProcess>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

void ChildLifetime::tieToCaller(QProcess& process)
{
    process.setChildProcessModifier([parent = getpid()] { tieToParent(parent); });
}

void ChildLifetime::tieToParent(pid_t parent)
{
    // Async-signal-safe calls only: this runs between fork and exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before the request was made.
    if (getppid() != parent)
        _exit(127);
}
