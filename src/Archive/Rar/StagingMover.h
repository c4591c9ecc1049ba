#pragma once

#include "Archive/Extraction/ExtractionTree.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Moves what an engine extracted into a staging folder on to the extraction
// folder, as safely as extracting there directly: nothing is replaced or
// written through a link, links that would lead outside the extraction
// folder are not recreated, and devices or pipes are left behind.
class StagingMover
{
public:
    // False with error() set when the file system refused; what was moved
    // until then stays in `destination`. `stagedSafely`: the engine wrote the
    // staging folder as safely as an extraction into the destination (no
    // outward links, no devices, no set-id bits), so into an empty
    // destination each top-level entry moves whole, one rename for a tree.
    bool move(const QString& staging, const QString& destination, bool stagedSafely = false);
    int error() const { return m_error; }

private:
    bool moveFolder(int folder, const QString& prefix);
    // Renames the top-level entries whole where it can; moveFolder takes the rest.
    void moveWhole(int folder, int destination);
    bool moveEntry(int folder, const QByteArray& name, const QString& path);
    bool moveSubfolder(int folder, const QByteArray& name, const QString& path, const struct stat& status);
    bool recreateLink(int folder, const QByteArray& name, const QString& path, const struct stat& status);
    bool removeOutwardLinks(const QString& destination);
    bool fail(int error);

    ExtractionTree m_tree;
    QStringList m_links;
    int m_error = 0;
};
