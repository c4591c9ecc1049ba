#include "RarVolumeWriter.h"

#include <algorithm>

QList<QByteArray> RarVolumeWriter::build(qsizetype volumeSize) const
{
    const QList<QList<RarPart>> volumes = layout(volumeSize);
    QList<QByteArray> out;
    for (int index = 0; index < volumes.size(); ++index) {
        QByteArray volume = volumeStart(index, volumeSize > 0);
        for (const RarPart& part : volumes[index])
            volume += fileHeader(part) + m_packed[part.entry].mid(part.offset, part.size);
        out.append(volume + volumeEnd(volumeSize > 0, index + 1 == volumes.size()));
    }
    return out;
}

QList<QList<RarPart>> RarVolumeWriter::layout(qsizetype volumeSize) const
{
    QList<QList<RarPart>> volumes(1);
    if (volumeSize <= 0) {
        for (qsizetype entry = 0; entry < m_packed.size(); ++entry)
            volumes.last().append({ entry, 0, m_packed[entry].size(), false, false });
        return volumes;
    }
    const qsizetype overhead = volumeStart(0xffff, true).size() + volumeEnd(true, false).size();
    qsizetype used = overhead;
    for (qsizetype entry = 0; entry < m_packed.size(); ++entry) {
        const qsizetype total = m_packed[entry].size();
        // The whole size is the widest data-size field any slice can need.
        const qsizetype header = fileHeader({ entry, 0, total }).size();
        qsizetype offset = 0;
        for (;;) {
            const qsizetype remaining = total - offset;
            const qsizetype room = volumeSize - used - header;
            // Empty entries need room for their header only; others for at least a byte.
            if (room < std::min<qsizetype>(remaining, 1) && !volumes.last().isEmpty()) {
                volumes.append(QList<RarPart>());
                used = overhead;
                continue;
            }
            const qsizetype size = std::min(remaining, std::max<qsizetype>(room, 1));
            volumes.last().append({ entry, offset, size, offset > 0, offset + size < total });
            used += header + size;
            offset += size;
            if (offset >= total)
                break;
        }
    }
    return volumes;
}
