#include "CommandLine/CommandLineMode.h"

#include "Archive/ArchiveType.h"
#include "Archive/Job/ArchiveJob.h"
#include "Archive/Plumbing/Diagnostics.h"
#include "Archive/Plumbing/PathText.h"
#include "CommandLine/InterruptWatcher.h"
#include "CommandLine/TerminalPasswordPrompt.h"
#include "CommandLine/TerminalProgressBar.h"
#include "KestrelConfig.h"
#include "Resources/ApplicationIdentity.h"
#include "Resources/LocalizedText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const QString kExtract = u"extract"_s;
const QString kCompress = u"compress"_s;

bool isVersionRequest(const QString& argument)
{
    return argument == "--version"_L1 || argument == "-v"_L1;
}

bool isHelpRequest(const QString& argument)
{
    return argument == "--help"_L1 || argument == "-h"_L1;
}

QString absolute(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

// Both modes give their job's output as an absolute path, however the user
// wrote the folder.
QString absoluteFolder(const QString& path)
{
    return path.isEmpty() ? path : absolute(path);
}
} // namespace

CommandLineMode::CommandLineMode(Terminal terminal)
    : m_terminal(terminal)
{
}

QStringList CommandLineMode::argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int CommandLineMode::runProcess(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    describeApplication();
    installTranslations(QLocale::system());
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLineMode mode({ out, err, STDIN_FILENO, bool(isatty(STDIN_FILENO)), bool(isatty(STDERR_FILENO)) });
    return mode.run(argumentsOf(argc, argv));
}

bool CommandLineMode::handles(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString& first = arguments.first();
    return isVersionRequest(first) || isHelpRequest(first) || first == kExtract || first == kCompress;
}

int CommandLineMode::run(const QStringList& arguments)
{
    const QString first = arguments.value(0);
    if (isVersionRequest(first)) {
        m_terminal.out << "kestrel-archive " << QLatin1StringView(KestrelConfig::applicationVersion)
                       << Qt::endl;
        return success;
    }
    if (isHelpRequest(first)) {
        m_terminal.out << usage();
        m_terminal.out.flush();
        return success;
    }

    QCommandLineParser parser;
    parser.addPositionalArgument(u"command"_s, u"extract or compress"_s);
    parser.addOption({ u"to"_s, u"Folder that receives the output."_s, u"DIR"_s });
    parser.addOption({ u"password-stdin"_s, u"Read the password as one line from standard input."_s });
    parser.addOption({ u"format"_s, u"Archive format to create: zip or 7z."_s, u"FORMAT"_s, u"zip"_s });
    if (!parser.parse(QStringList { u"kestrel-archive"_s } + arguments))
        return reportUsageError(parser.errorText());

    if (first == kExtract)
        return runExtract(parser);
    if (first == kCompress)
        return runCompress(parser);
    return reportUsageError(u"unknown command '%1'"_s.arg(first));
}

int CommandLineMode::runExtract(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments().mid(1);
    if (positional.size() != 1)
        return reportUsageError(u"extract takes exactly one ARCHIVE"_s);
    if (!parser.isSet(u"to"_s))
        return reportUsageError(u"extract needs --to DIR"_s);
    if (parser.isSet(u"format"_s))
        return reportUsageError(u"--format is for compress"_s);

    const QString archivePath = absolute(positional.first());
    const std::optional<ArchiveType> type
        = ArchiveType::fromRawValue(PathText::pathExtension(archivePath).toLower());
    if (!type) {
        return reportFailure(localizedText("file_selection_unsupport_format") + u" ("_s
                             + ArchiveErrorType(ArchiveErrorType::unsupported).localizedMessage() + u')');
    }
    m_passwordFromInput = parser.isSet(u"password-stdin"_s);
    const QString target = absoluteFolder(parser.value(u"to"_s));
    return runJob(*type, [&](ArchiveJob& job) { job.decompress(target, archivePath); });
}

int CommandLineMode::runCompress(const QCommandLineParser& parser)
{
    QStringList files = parser.positionalArguments().mid(1);
    if (files.isEmpty())
        return reportUsageError(u"compress needs at least one FILE"_s);
    if (!parser.isSet(u"to"_s))
        return reportUsageError(u"compress needs --to DIR"_s);
    if (parser.isSet(u"password-stdin"_s))
        return reportUsageError(u"--password-stdin is for extract"_s);

    const QString format = parser.value(u"format"_s);
    const std::optional<ArchiveType> type = ArchiveType::fromRawValue(format);
    if (!type || !ArchiveType::compressTypes().contains(*type))
        return reportUsageError(u"--format must be zip or 7z, not '%1'"_s.arg(format));
    for (QString& file : files) {
        if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
            return reportFailure(localizedText("compress_failed") + u": "_s + file);
        file = absolute(file);
    }
    const QString target = absoluteFolder(parser.value(u"to"_s));
    m_compressing = true;
    // The window passes an empty password; so does the command line.
    return runJob(*type, [&](ArchiveJob& job) { job.compress(target, files, QString()); });
}

int CommandLineMode::runJob(ArchiveType type, const StartJob& start)
{
    const auto source = m_passwordFromInput ? TerminalPasswordPrompt::Source::input
        : m_terminal.inputIsTerminal        ? TerminalPasswordPrompt::Source::terminal
                                            : TerminalPasswordPrompt::Source::none;
    TerminalPasswordPrompt prompt(source, m_terminal.inputFd, m_terminal.err);
    // Standard output is for the created path alone.
    Diagnostics::setEnabled(false);
    InterruptWatcher interrupts;
    TerminalProgressBar bar(m_terminal.err, m_terminal.errorIsTerminal);
    ArchiveJob job(type, &prompt);
    QEventLoop loop;

    std::optional<std::pair<bool, ArchiveErrorType>> outcome;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &job, &ArchiveJob::cancel);
    QObject::connect(&job, &ArchiveJob::progressed, &loop, [&bar](float fraction) { bar.update(fraction); });
    QObject::connect(&job, &ArchiveJob::completed, &loop, [&](bool succeeded, ArchiveErrorType error) {
        outcome = { succeeded, error };
        loop.quit();
    });
    QObject::connect(&job, &ArchiveJob::endedWithoutResult, &loop, &QEventLoop::quit);
    start(job);
    if (job.isRunning())
        loop.exec();
    Diagnostics::setEnabled(true);
    bar.finish();

    // Nobody could be asked: the job ended without a result (zip, RAR) or as
    // cancelled (7z); either way the password was missing.
    if (prompt.lastResult() == AlertResult::fail)
        return reportFailure(u"the archive is protected by a password: pass it on standard input with "
                             u"--password-stdin, or run from a terminal"_s);
    if (!outcome || (prompt.lastResult() == AlertResult::cancel && !interrupts.caughtSignal()))
        return reportFailure(u"no password was given"_s);
    const auto [succeeded, error] = *outcome;
    if (succeeded) {
        m_terminal.out << job.outputPath().value_or(QString()) << Qt::endl;
        return success;
    }
    const QString failedText = localizedText(m_compressing ? "compress_failed" : "extract_failed");
    const int code = reportFailure(failedText + u" ("_s + error.localizedMessage() + u')');
    return error == ArchiveErrorType::cancelled && interrupts.caughtSignal() ? int(interrupted) : code;
}

int CommandLineMode::reportUsageError(const QString& problem)
{
    m_terminal.err << "kestrel-archive: " << problem << "\n\n" << usage();
    m_terminal.err.flush();
    return usageError;
}

int CommandLineMode::reportFailure(const QString& message)
{
    m_terminal.err << "kestrel-archive: " << message << Qt::endl;
    return failed;
}

QString CommandLineMode::usage()
{
    return u"Usage:\n"
           u"  kestrel-archive [FILE...]\n"
           u"      Open the window with FILEs in the working list. When Kestrel Archive\n"
           u"      is already running, FILEs are handed to its window.\n"
           u"  kestrel-archive extract ARCHIVE --to DIR [--password-stdin]\n"
           u"      Extract a zip, 7z or RAR archive into a new folder inside DIR, named\n"
           u"      after the archive (\"Holiday\", \"Holiday 1\", ... when taken).\n"
           u"      A password is read as one line from standard input with\n"
           u"      --password-stdin, or asked on the terminal without echo.\n"
           u"  kestrel-archive compress FILE... --to DIR [--format zip|7z]\n"
           u"      Pack FILEs and folders into a new archive inside DIR (default zip),\n"
           u"      named after the single input or \"Archive\" for several.\n"
           u"  kestrel-archive --extract-here ARCHIVE...\n"
           u"      Extract each archive beside itself, one after another, in a small\n"
           u"      progress window: an archive that holds one folder or one file puts it\n"
           u"      straight beside the archive, any other gets a new folder named after\n"
           u"      it. Passwords are asked in a dialog. For file-manager actions.\n"
           u"  kestrel-archive --extract-to DIR ARCHIVE...\n"
           u"      The same, into DIR instead of beside each archive.\n"
           u"  kestrel-archive --compress-here [--format zip|7z] FILE...\n"
           u"      Pack FILEs and folders into one new archive beside the first FILE.\n"
           u"  kestrel-archive --version\n"
           u"  kestrel-archive --help\n"
           u"\n"
           u"On success the created folder or archive is printed on standard output.\n"
           u"On failure one line goes to standard error and the exit code is not 0;\n"
           u"Ctrl-C cancels the job and removes its partial output.\n"
           u"Exit codes: 0 success, 1 failed, 2 wrong usage, 130 interrupted; a batch\n"
           u"exits 0 only when every job succeeded.\n"_s;
}
