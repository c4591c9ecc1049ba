#pragma once

// Process entry: picks the command-line mode or the window, and keeps a
// single window per user.
class ApplicationMain
{
public:
    static int run(int argc, char* argv[]);

private:
    static int runCommandLine(int argc, char* argv[]);
    static int runWindow(int argc, char* argv[]);
    static bool hasDisplay(int argc, char* argv[]);
};
