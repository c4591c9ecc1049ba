#pragma once

#include <QString>

class RarCatalog;

// Whatever engine extracted, the staging folder must hold every file the
// catalogue lists, each with its size: an engine that cannot decode an entry
// may skip it without a word, and a success with less than the archive holds
// must never reach the user. Directories and links are not checked (links
// that lead outside are deliberately not made), nor sizes the archive does
// not know; libarchive and unar compare CRCs themselves as they write.
class RarStagingCheck
{
public:
    RarStagingCheck() = delete;

    // Files are looked for under the names the extraction gives them; those
    // an engine renamed its own way (unar's "__Parent__") are matched by size
    // among the files no catalogue name accounts for.
    static bool holdsEverything(const QString& folder, const RarCatalog& catalog);
};
