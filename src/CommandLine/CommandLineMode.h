#pragma once

#include "Archive/ArchiveErrorType.h"
#include "Archive/ArchiveType.h"

#include <QStringList>

#include <functional>

class ArchiveJob;
class QCommandLineParser;
class QTextStream;

// The window-less mode: extracts or creates one archive with the same
// archivers, naming and errors as the window, and answers on the terminal.
//
//   kestrel-archive extract ARCHIVE --to DIR [--password-stdin]
//   kestrel-archive compress FILE... --to DIR [--format zip|7z]
class CommandLineMode
{
public:
    struct Terminal
    {
        QTextStream& out;
        QTextStream& err;
        int inputFd; // where a password is read from
        bool inputIsTerminal;
        bool errorIsTerminal; // draw a progress bar there
    };

    enum ExitCode
    {
        success = 0,
        failed = 1,
        usageError = 2,
        interrupted = 130
    };

    explicit CommandLineMode(Terminal terminal);

    // The process's arguments without the program name.
    static QStringList argumentsOf(int argc, char* argv[]);

    // Whether `arguments` (without the program name) ask for this mode rather
    // than the window.
    static bool handles(const QStringList& arguments);

    // Runs the request (arguments without the program name) and returns the
    // process exit code. Waits for the job in a local event loop.
    int run(const QStringList& arguments);

    static QString usage();

    // The whole process in this mode: an application without a GUI on the
    // standard streams, then run().
    static int runProcess(int argc, char* argv[]);

private:
    using StartJob = std::function<void(ArchiveJob&)>;

    int runExtract(const QCommandLineParser& parser);
    int runCompress(const QCommandLineParser& parser);
    // Runs the job `start` starts and waits for its end in a local event loop.
    int runJob(ArchiveType type, const StartJob& start);
    int reportUsageError(const QString& problem);
    int reportFailure(const QString& message);

    Terminal m_terminal;
    bool m_passwordFromInput = false;
    bool m_compressing = false;
};
