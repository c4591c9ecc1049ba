#include "Archive/Rar/PtyChild.h"

#include "Archive/Plumbing/ChildLifetime.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr auto kStopGrace = std::chrono::milliseconds(1500);
constexpr auto kStopPoll = std::chrono::milliseconds(10);

// Canonical input without any special character but the newline: no echo,
// no signals from bytes, no erase or kill characters, no end-of-file byte.
termios quietTerminal()
{
    termios settings = {};
    settings.c_iflag = IUTF8;
    settings.c_oflag = 0;
    settings.c_cflag = CS8 | CREAD | CLOCAL;
    settings.c_lflag = ICANON;
    for (cc_t& character : settings.c_cc)
        character = _POSIX_VDISABLE;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    return settings;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(pid_t parent, int terminal, const char* program, char* const* argv)
{
    ChildLifetime::tieToParent(parent);
    // A new session whose controlling terminal is ours: /dev/tty, where
    // password prompts read from, is then this terminal.
    if (setsid() < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0)
        _exit(127);
    for (int stream = 0; stream < 3; ++stream) {
        if (dup2(terminal, stream) < 0)
            _exit(127);
    }
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_UNBLOCK, &all, nullptr);
    struct sigaction defaults = {};
    defaults.sa_handler = SIG_DFL;
    for (int signal : { SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD })
        sigaction(signal, &defaults, nullptr);
    close_range(3, ~0U, 0);
    execv(program, argv);
    _exit(127);
}

} // namespace

PtyChild::~PtyChild()
{
    if (m_pid > 0)
        stop();
}

bool PtyChild::start(const QString& program, const QStringList& arguments)
{
    // Everything the child needs is prepared before fork: after it, a
    // multi-threaded parent's child may not allocate.
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> storage { path };
    for (const QString& argument : arguments)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Both ends are close-on-exec from the start, so no child that another
    // thread starts meanwhile keeps the terminal open.
    FileDescriptor terminal(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    char name[128] = {};
    if (!terminal.isValid() || grantpt(terminal.get()) != 0 || unlockpt(terminal.get()) != 0
        || ptsname_r(terminal.get(), name, sizeof name) != 0)
        return false;
    const FileDescriptor childSide(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    const termios settings = quietTerminal();
    const winsize size = { 24, 200, 0, 0 };
    if (!childSide.isValid() || tcsetattr(childSide.get(), TCSANOW, &settings) != 0
        || ioctl(childSide.get(), TIOCSWINSZ, &size) != 0)
        return false;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
        execChild(parent, childSide.get(), path.constData(), argv.data());
    m_terminal = std::move(terminal);
    m_pid = pid;
    return true;
}

PtyChild::ReadResult PtyChild::read(QByteArray& output, int timeoutMs)
{
    pollfd watched = { m_terminal.get(), POLLIN, 0 };
    const int ready = poll(&watched, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return ReadResult::timeout;
    if (ready < 0)
        return ReadResult::closed;
    char buffer[4096];
    const ssize_t count = ::read(m_terminal.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR)
        return ReadResult::timeout;
    // Linux answers EIO once the child's side of the terminal is closed.
    if (count <= 0)
        return ReadResult::closed;
    output.append(buffer, count);
    return ReadResult::data;
}

bool PtyChild::write(QByteArrayView data)
{
    while (!data.isEmpty()) {
        const ssize_t written = ::write(m_terminal.get(), data.data(), size_t(data.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data = data.sliced(written);
    }
    return true;
}

bool PtyChild::tryWait(int& exitCode)
{
    int status = 0;
    if (m_pid <= 0 || waitpid(m_pid, &status, WNOHANG) <= 0)
        return false;
    m_pid = -1;
    m_terminal.close();
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

int PtyChild::wait()
{
    int status = 0;
    pid_t result = -1;
    do {
        result = waitpid(m_pid, &status, 0);
    } while (result < 0 && errno == EINTR);
    m_pid = -1;
    m_terminal.close();
    if (result < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void PtyChild::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kStopPoll);
    }
    m_pid = -1;
    m_terminal.close();
}
