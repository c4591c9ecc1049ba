#pragma once

#include "Archive/ArchiveType.h"

#include <memory>

class Archiver;

// Makes a new archiver for one job of the given format.
class ArchiverFactory
{
public:
    ArchiverFactory() = delete;

    static std::unique_ptr<Archiver> make(ArchiveType type);
};
