#include "Archive/Plumbing/Diagnostics.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic_bool enabled { true };
}

void Diagnostics::writeLine(const char* line)
{
    if (!enabled.load())
        return;
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Diagnostics::setEnabled(bool isEnabled)
{
    enabled.store(isEnabled);
}
