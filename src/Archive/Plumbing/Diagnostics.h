#pragma once

// The few diagnostic lines the application writes to standard output (a
// prompt or sheet that ended without a usable answer). The command-line mode
// turns them off: its standard output carries only the created path.
class Diagnostics
{
public:
    Diagnostics() = delete;

    static void writeLine(const char* line);
    static void setEnabled(bool enabled);
};
