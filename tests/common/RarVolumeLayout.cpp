#include "RarVolumeLayout.h"

#include <algorithm>

namespace {

RarVolumeLayout singleVolume(const QList<qsizetype>& packedSizes)
{
    QList<RarPart> parts;
    for (qsizetype entry = 0; entry < packedSizes.size(); ++entry)
        parts.append({ entry, 0, packedSizes[entry], false, false });
    return { parts };
}

} // namespace

RarVolumeLayout layoutVolumes(const QList<qsizetype>& packedSizes, const QList<qsizetype>& headerSizes,
                              qsizetype volumeOverhead, qsizetype volumeSize)
{
    if (volumeSize <= 0)
        return singleVolume(packedSizes);

    RarVolumeLayout volumes(1);
    qsizetype used = volumeOverhead;
    for (qsizetype entry = 0; entry < packedSizes.size(); ++entry) {
        const qsizetype total = packedSizes[entry];
        qsizetype offset = 0;
        for (;;) {
            const qsizetype remaining = total - offset;
            const qsizetype room = volumeSize - used - headerSizes[entry];
            // Empty entries need room for their header only; others for at least a byte.
            if (room < std::min<qsizetype>(remaining, 1) && !volumes.last().isEmpty()) {
                volumes.append(QList<RarPart>());
                used = volumeOverhead;
                continue;
            }
            const qsizetype size = std::min(remaining, std::max<qsizetype>(room, 1));
            volumes.last().append({ entry, offset, size, offset > 0, offset + size < total });
            used += headerSizes[entry] + size;
            offset += size;
            if (offset >= total)
                break;
        }
    }
    return volumes;
}
