#pragma once

// The window, its alerts and the file managers' batch window live in a
// library of their own, loaded only when a window is asked for: the command
// line then starts without Qt Widgets and the rest of the desktop stack,
// which used to cost every `kestrel-archive extract` several milliseconds.
class WindowLibrary
{
public:
    // What the library exports: the windowed half of main().
    using Entry = int (*)(int argc, char* argv[]);
    static constexpr char entryName[] = "kestrel_window_main";

    // Loads the library and hands it the process; one clear line on standard
    // error and exit code 1 when it cannot be loaded.
    static int run(int argc, char* argv[]);
};
