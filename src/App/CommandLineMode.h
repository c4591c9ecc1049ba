#pragma once

#include <QStringList>

class QTextStream;

// The application's window-less mode: everything that is asked for on the
// command line and answered on the terminal.
class CommandLineMode
{
public:
    // Whether `arguments` (without the program name) ask for this mode rather
    // than the window.
    static bool handles(const QStringList& arguments);

    // Runs the request and returns the process exit code.
    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

    static QString usage();
};
