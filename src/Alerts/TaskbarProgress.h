#pragma once

// The progress of a running job on the application's taskbar or dock entry
// (com.canonical.Unity.LauncherEntry, read by Plasma, Dash to Dock, Plank
// and others). Signals only: where nobody listens nothing happens. Main
// thread only.
class TaskbarProgress
{
public:
    TaskbarProgress() = delete;

    // Shows `fraction` (0 to 1) on the entry.
    static void show(double fraction);
    // Takes the progress off the entry.
    static void clear();
};
