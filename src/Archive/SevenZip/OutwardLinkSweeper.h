#pragma once

#include <QString>

// Checks a finished extraction folder for symbolic links that lead outside
// it, and removes them: such a link would let the next write into the folder
// land anywhere.
class OutwardLinkSweeper
{
public:
    OutwardLinkSweeper() = delete;

    // Walks `root` without following links and removes every link that leads
    // outside it. True when there was none (or `root` is gone).
    static bool sweep(const QString& root);

    // Where the link at `linkPath` leads, judged as the kernel would follow
    // it today: links met on the way are followed, the part of the path that
    // does not exist yet is taken literally. True when that is outside
    // `canonicalRoot` (a symlink-free absolute path) or cannot be told.
    static bool leadsOutside(const QString& linkPath, const QString& canonicalRoot);
};
