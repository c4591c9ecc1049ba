#include "App/CommandLineMode.h"

#include "KestrelConfig.h"

#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {
bool isVersionRequest(const QString& argument)
{
    return argument == "--version"_L1 || argument == "-v"_L1;
}

bool isHelpRequest(const QString& argument)
{
    return argument == "--help"_L1 || argument == "-h"_L1;
}
} // namespace

bool CommandLineMode::handles(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString& first = arguments.first();
    return isVersionRequest(first) || isHelpRequest(first);
}

int CommandLineMode::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const QString first = arguments.value(0);
    if (isVersionRequest(first)) {
        out << "kestrel-archive " << QLatin1StringView(KestrelConfig::applicationVersion) << Qt::endl;
        return 0;
    }
    if (isHelpRequest(first)) {
        out << usage();
        out.flush();
        return 0;
    }
    err << "kestrel-archive: unknown request '" << first << "'\n" << usage();
    err.flush();
    return 2;
}

QString CommandLineMode::usage()
{
    return u"Usage:\n"
           u"  kestrel-archive [FILE...]   open the window, with FILEs in the working list\n"
           u"  kestrel-archive --version   print the version and exit\n"
           u"  kestrel-archive --help      print this help and exit\n"
           u"\n"
           u"When Kestrel Archive is already running, FILEs are handed to the running\n"
           u"window and this process exits.\n"_s;
}
