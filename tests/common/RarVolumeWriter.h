#pragma once

#include <QByteArray>
#include <QList>

// A slice of one entry's packed data, as one volume holds it.
struct RarPart
{
    qsizetype entry = 0; // index into the entry list
    qsizetype offset = 0; // into the entry's packed data
    qsizetype size = 0;
    bool splitBefore = false; // continues a slice from the previous volume
    bool splitAfter = false; // continues in the next volume
};

// What both format writers share: each volume is its start, a file header
// before each slice of packed data, and its end. Which slice of each entry
// goes into which volume is decided here; the formats supply the blocks.
class RarVolumeWriter
{
public:
    virtual ~RarVolumeWriter() = default;

    // With `volumeSize` 0 everything lands, unsplit, in one volume. Otherwise
    // no volume exceeds `volumeSize` unless it is too small for a header and
    // one byte of data, which a volume always carries.
    QList<QByteArray> build(qsizetype volumeSize) const;

protected:
    // The signature and archive headers; the size may not shrink with `index`.
    virtual QByteArray volumeStart(int index, bool isVolumeSet) const = 0;
    virtual QByteArray fileHeader(const RarPart& part) const = 0; // sealed, when headers are encrypted
    virtual QByteArray volumeEnd(bool isVolumeSet, bool isLast) const = 0;

    QList<QByteArray> m_packed; // per entry: its data, encrypted when the entry is

private:
    QList<QList<RarPart>> layout(qsizetype volumeSize) const;
};
