#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Child processes of the tests: tools run to their end (7zz, zip, bsdtar,
// python3, unar, the command-line binary), and the children the product
// starts, found and watched through /proc.
namespace ChildProcess {

// Runs `program` to its end and returns its exit code; -1 when it could not
// start, crashed or ran for two minutes. Standard input gets `input` and then
// end of file (so a prompt gets end of file); standard output goes to `output`
// when given, standard error to the test's own.
int run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
        const QString& workingDirectory = {}, const QByteArray& input = {});

struct Info
{
    qint64 pid = 0;
    QByteArray commandLine; // arguments, each ended by '\0'
    QByteArray environment;
};

// A child of `parent` (this process when 0) running the executable named
// `name`, not yet ended.
std::optional<Info> find(const QString& name, qint64 parent = 0);

// Gone, or ended and waiting to be reaped.
bool hasEnded(qint64 pid);

// SIGKILL, then waits until the kernel has torn the process down (its pipes
// are closed once it has ended).
bool kill(qint64 pid);

} // namespace ChildProcess
