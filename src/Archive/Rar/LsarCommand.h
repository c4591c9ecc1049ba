#pragma once

#include "Archive/Rar/LsarListing.h"

#include <QString>

#include <optional>

// Runs `lsar -j` on an archive. lsar asks for a password only on a terminal;
// here its input is empty, so an archive whose names are encrypted ends the
// listing early instead of waiting.
class LsarCommand
{
public:
    LsarCommand() = delete;

    struct Result
    {
        LsarListing listing;
        int exitCode = 0;
    };

    // Empty when lsar is missing, could not run or did not finish in time.
    static std::optional<Result> list(const QString& archivePath);
};
