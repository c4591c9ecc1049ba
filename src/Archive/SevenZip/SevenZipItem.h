#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// One entry of a 7z archive as 7zz lists it.
struct SevenZipItem
{
    // Position in the listing, from 0.
    int index = -1;
    // As stored, "/"-separated. 7zz lists control characters as "_", so a
    // name holding one differs from what extraction writes.
    QString path;
    quint64 size = 0;
    // Absent for entries whose data shares a solid block with an earlier one.
    std::optional<quint64> packedSize;
    std::optional<quint32> crc;
    // Invalid when the archive does not store it.
    QDateTime modificationDate;
    QDateTime creationDate;
    QDateTime accessDate;
    // 7-Zip's attribute text: Windows attribute letters ("D" folder, "A"
    // archive, "R" read-only...), then the Unix mode when one is stored, as in
    // "A -rw-r--r--".
    QString attributes;
    bool isDirectory = false;
    bool isSymbolicLink = false;
    bool isEncrypted = false;
    // Coder chain, e.g. "LZMA2:12 7zAES:19"; empty for folders.
    QString method;
    // Solid block holding the data; absent for entries without data.
    std::optional<int> block;

    // The last component of `path`.
    QString fileName() const;

    bool operator==(const SevenZipItem&) const = default;
};
