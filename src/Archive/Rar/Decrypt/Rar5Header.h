#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// One RAR5 header, split into the parts a rewrite changes: the general fields
// every header has, its type-specific fields and its extra area. The nested
// types read the file (and service) header fields, the extra area's records
// and the file encryption record.
struct Rar5Header
{
    enum Type : quint64
    {
        mainType = 1,
        fileType = 2,
        serviceType = 3,
        encryptionType = 4, // archive encryption: every later header is encrypted
        endType = 5,
    };

    // General flags
    static constexpr quint64 hasExtraArea = 0x0001;
    static constexpr quint64 hasDataArea = 0x0002;
    static constexpr quint64 splitBefore = 0x0008;
    static constexpr quint64 splitAfter = 0x0010;

    quint64 type = 0;
    quint64 flags = 0; // serialize() derives hasExtraArea and hasDataArea itself
    QByteArray fields;
    QByteArray extra;
    std::optional<quint64> dataSize;

    // `body` is what follows the CRC and the size field: type, flags, ...
    static std::optional<Rar5Header> parse(QByteArrayView body);
    // The whole header: CRC-32, size, body.
    QByteArray serialize() const;

    struct FileFields
    {
        static constexpr quint64 hasTime = 0x0002;
        static constexpr quint64 hasCrc = 0x0004;
        static constexpr quint64 sizeUnknown = 0x0008;

        quint64 flags = 0;
        quint64 unpackedSize = 0;
        quint64 attributes = 0;
        quint32 mtime = 0;
        quint32 crc = 0;
        quint64 compression = 0;
        quint64 hostOs = 0;
        QByteArray name;
        QByteArray trailing; // nothing yet follows the name; kept should a later RAR add fields

        static std::optional<FileFields> parse(QByteArrayView fields);
        QByteArray serialize() const;
        bool isStored() const { return ((compression >> 7) & 7) == 0; }
    };

    struct ExtraRecord
    {
        static constexpr quint64 encryptionType = 0x01;
        static constexpr quint64 hashType = 0x02;

        quint64 type = 0;
        QByteArray data; // after the type field
        QByteArray whole; // as stored, size field included

        static std::optional<QList<ExtraRecord>> parseAll(QByteArrayView extra);
    };

    struct FileEncryption
    {
        static constexpr quint64 hasPasswordCheck = 0x0001;
        static constexpr quint64 usesMac = 0x0002;

        quint64 version = 0;
        quint64 flags = 0;
        int log2Count = 0;
        QByteArray salt;
        QByteArray iv;
        QByteArray checkValue; // empty without hasPasswordCheck

        static std::optional<FileEncryption> parse(QByteArrayView data);
    };

    // The archive encryption header's fields: like the file record without an IV.
    struct ArchiveEncryption
    {
        quint64 version = 0;
        int log2Count = 0;
        QByteArray salt;
        QByteArray checkValue;

        static std::optional<ArchiveEncryption> parse(QByteArrayView fields);
    };
};
