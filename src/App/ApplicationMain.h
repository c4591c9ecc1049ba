#pragma once

class BatchArguments;

// The windowed half of the process: a file manager's batch or the window,
// with a single window per user. The command-line mode never gets here.
class ApplicationMain
{
public:
    static int run(int argc, char* argv[]);

private:
    static int runBatch(int argc, char* argv[], const BatchArguments& batch);
    static int runWindow(int argc, char* argv[]);
    static void describeGuiApplication();
    static bool hasDisplay(int argc, char* argv[]);
};
