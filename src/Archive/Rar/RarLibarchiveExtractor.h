#pragma once

#include "Archive/Extraction/ExtractionTree.h"
#include "Archive/Extraction/LibarchiveEntryLoop.h"
#include "Archive/Rar/RarOutcome.h"

#include <QString>
#include <QStringList>

class RarProgressMeter;

// Extracts an unencrypted RAR archive (all volumes of a set at once) with
// libarchive, in process, into an empty folder. Names are sanitised, links
// that would point outside are not created, nothing is written through a
// link, and a second entry of a name already taken is skipped.
class RarLibarchiveExtractor
{
public:
    // `expectedEntries`: how many entries the catalogue lists; reading fewer is a failure,
    // as libarchive ends "successfully" when volumes are missing.
    RarLibarchiveExtractor(RarProgressMeter& meter, qsizetype expectedEntries, qint64 totalBytes);

    RarOutcome extract(const QStringList& volumes, const QString& folder);

private:
    RarOutcome outcomeOf(const LibarchiveEntryLoop::Result& result) const;

    RarProgressMeter& m_meter;
    qsizetype m_expectedEntries;
    qint64 m_totalBytes;
    ExtractionTree m_tree;
};
