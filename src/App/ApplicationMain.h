#pragma once

class BatchArguments;

// Process entry: picks the command-line mode, a file manager's batch or the
// window, and keeps a single window per user.
class ApplicationMain
{
public:
    static int run(int argc, char* argv[]);

private:
    static int runCommandLine(int argc, char* argv[]);
    static int runBatch(int argc, char* argv[], const BatchArguments& batch);
    static int runWindow(int argc, char* argv[]);
    static void describeGuiApplication();
    static bool hasDisplay(int argc, char* argv[]);
};
