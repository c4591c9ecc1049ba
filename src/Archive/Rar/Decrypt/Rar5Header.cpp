#include "Archive/Rar/Decrypt/Rar5Header.h"

#include "Archive/Rar/Decrypt/Rar5KeyDerivation.h"
#include "Archive/Rar/Decrypt/RarAesCbc.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/Decrypt/RarFieldReader.h"

using namespace RarFieldWriter;

std::optional<Rar5Header> Rar5Header::parse(QByteArrayView body)
{
    RarFieldReader reader(body);
    Rar5Header header;
    header.type = reader.vint();
    header.flags = reader.vint();
    const quint64 extraSize = (header.flags & hasExtraArea) ? reader.vint() : 0;
    if (header.flags & hasDataArea)
        header.dataSize = reader.vint();
    if (!reader.ok() || extraSize > quint64(reader.remaining()))
        return std::nullopt;
    const QByteArrayView rest = body.sliced(reader.position());
    header.fields = rest.chopped(qsizetype(extraSize)).toByteArray();
    header.extra = rest.last(qsizetype(extraSize)).toByteArray();
    return header;
}

// The CRC-32 covers the size field and everything after it.
QByteArray Rar5Header::serialize() const
{
    QByteArray body;
    appendVint(body, type);
    appendVint(body,
               (flags & ~(hasExtraArea | hasDataArea)) | (extra.isEmpty() ? 0 : hasExtraArea)
                   | (dataSize ? hasDataArea : 0));
    if (!extra.isEmpty())
        appendVint(body, quint64(extra.size()));
    if (dataSize)
        appendVint(body, *dataSize);
    body += fields + extra;
    QByteArray checked;
    appendVint(checked, quint64(body.size()));
    checked += body;
    QByteArray out;
    appendLe32(out, RarCrc32::of(checked));
    return out + checked;
}

std::optional<Rar5Header::FileFields> Rar5Header::FileFields::parse(QByteArrayView fields)
{
    RarFieldReader reader(fields);
    FileFields file;
    file.flags = reader.vint();
    file.unpackedSize = reader.vint();
    file.attributes = reader.vint();
    if (file.flags & hasTime)
        file.mtime = reader.le32();
    if (file.flags & hasCrc)
        file.crc = reader.le32();
    file.compression = reader.vint();
    file.hostOs = reader.vint();
    file.name = reader.bytes(qsizetype(reader.vint())).toByteArray();
    if (!reader.ok())
        return std::nullopt;
    file.trailing = fields.sliced(reader.position()).toByteArray();
    return file;
}

QByteArray Rar5Header::FileFields::serialize() const
{
    QByteArray out;
    appendVint(out, flags);
    appendVint(out, unpackedSize);
    appendVint(out, attributes);
    if (flags & hasTime)
        appendLe32(out, mtime);
    if (flags & hasCrc)
        appendLe32(out, crc);
    appendVint(out, compression);
    appendVint(out, hostOs);
    appendVint(out, quint64(name.size()));
    return out + name + trailing;
}

std::optional<QList<Rar5Header::ExtraRecord>> Rar5Header::ExtraRecord::parseAll(QByteArrayView extra)
{
    QList<ExtraRecord> records;
    RarFieldReader reader(extra);
    while (reader.ok() && reader.remaining() > 0) {
        const qsizetype start = reader.position();
        const QByteArrayView content = reader.bytes(qsizetype(reader.vint()));
        RarFieldReader inner(content);
        ExtraRecord record;
        record.type = inner.vint();
        if (!reader.ok() || !inner.ok())
            return std::nullopt;
        record.data = content.sliced(inner.position()).toByteArray();
        record.whole = extra.sliced(start, reader.position() - start).toByteArray();
        records.append(record);
    }
    if (!reader.ok())
        return std::nullopt;
    return records;
}

std::optional<Rar5Header::FileEncryption> Rar5Header::FileEncryption::parse(QByteArrayView data)
{
    RarFieldReader reader(data);
    FileEncryption encryption;
    encryption.version = reader.vint();
    encryption.flags = reader.vint();
    encryption.log2Count = reader.byte();
    encryption.salt = reader.bytes(Rar5KeyDerivation::saltSize).toByteArray();
    encryption.iv = reader.bytes(RarAesCbc::blockSize).toByteArray();
    if (encryption.flags & hasPasswordCheck)
        encryption.checkValue = reader.bytes(Rar5KeyDerivation::checkValueSize).toByteArray();
    if (!reader.ok())
        return std::nullopt;
    return encryption;
}

std::optional<Rar5Header::ArchiveEncryption> Rar5Header::ArchiveEncryption::parse(QByteArrayView fields)
{
    RarFieldReader reader(fields);
    ArchiveEncryption encryption;
    encryption.version = reader.vint();
    const quint64 flags = reader.vint();
    encryption.log2Count = reader.byte();
    encryption.salt = reader.bytes(Rar5KeyDerivation::saltSize).toByteArray();
    if (flags & FileEncryption::hasPasswordCheck)
        encryption.checkValue = reader.bytes(Rar5KeyDerivation::checkValueSize).toByteArray();
    if (!reader.ok())
        return std::nullopt;
    return encryption;
}
