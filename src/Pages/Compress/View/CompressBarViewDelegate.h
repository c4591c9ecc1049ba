#pragma once

#include "Archive/ArchiveType.h"

// The owner of a CompressBarView, told when the user asks for an archive.
class CompressBarViewDelegate
{
public:
    virtual ~CompressBarViewDelegate() = default;

    // Start packing the selected entries into a new archive of `type`.
    virtual void startCompress(ArchiveType type) = 0;
};
