#pragma once

#include "RarFixture.h"
#include "RarVolumeLayout.h"

// RAR5 archives as RARLAB's "RAR 5.0 archive format" describes them (its
// general archive structure, main archive header, file header and end of
// archive header): the 8-byte signature, a main archive header (type 1), a
// file header (type 2) before each entry's data or volume slice, end of
// archive header (type 5). No extra areas, no service headers. Host OS is
// Unix and attributes are mode bits, as rar for Linux writes them.
class Rar5Writer
{
public:
    Rar5Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options);

    QList<QByteArray> build(qsizetype volumeSize) const;

private:
    QByteArray volume(const QList<RarPart>& parts, int index, bool isVolumeSet, bool isLast) const;
    QByteArray mainHeader(bool isVolumeSet, int index) const;
    QByteArray fileHeader(const RarPart& part) const;

    QList<RarFixtureEntry> m_entries;
    RarFixtureOptions m_options;
};
