#pragma once

#include <QList>

// Decides which slice of each entry's packed data goes into which volume. The
// format writers supply the sizes; the layout knows nothing of headers.
struct RarPart
{
    qsizetype entry = 0; // index into the entry list
    qsizetype offset = 0; // into the entry's packed data
    qsizetype size = 0;
    bool splitBefore = false; // continues a slice from the previous volume
    bool splitAfter = false; // continues in the next volume
};

using RarVolumeLayout = QList<QList<RarPart>>;

// `headerSizes` are upper bounds per entry, `volumeOverhead` what every volume
// spends on its own blocks. With `volumeSize` 0 everything lands, unsplit, in
// one volume. Otherwise no volume exceeds `volumeSize` unless it is too small
// for a header and one byte of data, which a volume always carries.
RarVolumeLayout layoutVolumes(const QList<qsizetype>& packedSizes, const QList<qsizetype>& headerSizes,
                              qsizetype volumeOverhead, qsizetype volumeSize);
