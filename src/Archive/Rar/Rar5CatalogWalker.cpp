#include "Archive/Rar/Rar5CatalogWalker.h"

#include "Archive/Rar/Decrypt/Rar5Header.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/Decrypt/RarFieldReader.h"
#include "Archive/Rar/RarCatalog.h"

#include <QFile>
#include <QtEndian>

#include <limits>

namespace {

// The format caps a header at 2 MiB, so its size takes at most three vint bytes.
constexpr qsizetype maxHeaderSize = 2 * 1024 * 1024;
constexpr int maxSizeBytes = 3;

constexpr quint64 archiveVolume = 0x0001;
constexpr quint64 archiveSolid = 0x0004;
constexpr quint64 endNotLastVolume = 0x0001;
constexpr quint64 fileDirectory = 0x0001;
constexpr quint64 solidCompression = 0x0040;
constexpr quint64 redirectionType = 0x05;

} // namespace

Rar5CatalogWalker::Rar5CatalogWalker(QFile& file, RarCatalog& catalog)
    : m_file(file)
    , m_catalog(catalog)
    , m_size(file.size())
{
}

RarVolumeWalk Rar5CatalogWalker::walk()
{
    RarVolumeWalk result;
    for (;;) {
        const std::optional<Rar5Header> header = readHeader();
        if (!header)
            return result;
        switch (header->type) {
        case Rar5Header::encryptionType:
            result.end = RarVolumeWalk::End::namesEncrypted;
            return result;
        case Rar5Header::mainType: {
            RarFieldReader fields(header->fields);
            const quint64 flags = fields.vint();
            result.isVolume = flags & archiveVolume;
            m_catalog.setSolid(flags & archiveSolid);
            break;
        }
        case Rar5Header::endType: {
            RarFieldReader fields(header->fields);
            result.end = (fields.vint() & endNotLastVolume) ? RarVolumeWalk::End::nextVolume
                                                            : RarVolumeWalk::End::lastVolume;
            return result;
        }
        case Rar5Header::fileType:
            if (!addFile(*header))
                return result;
            break;
        default:
            break;
        }
        if (!skipData(*header))
            return result;
    }
}

std::optional<Rar5Header> Rar5CatalogWalker::readHeader()
{
    const QByteArray crc = m_file.read(4);
    if (crc.size() != 4)
        return std::nullopt;
    QByteArray checked;
    quint64 size = 0;
    for (int index = 0;; ++index) {
        char part = 0;
        if (index == maxSizeBytes || !m_file.getChar(&part))
            return std::nullopt;
        checked.append(part);
        size |= quint64(quint8(part) & 0x7f) << (7 * index);
        if (!(quint8(part) & 0x80))
            break;
    }
    if (size == 0 || size > quint64(maxHeaderSize))
        return std::nullopt;
    const QByteArray body = m_file.read(qint64(size));
    if (body.size() != qsizetype(size))
        return std::nullopt;
    checked += body;
    if (RarCrc32::of(checked) != qFromLittleEndian<quint32>(crc.constData()))
        return std::nullopt;
    return Rar5Header::parse(body);
}

bool Rar5CatalogWalker::addFile(const Rar5Header& header)
{
    const std::optional<Rar5Header::FileFields> file = Rar5Header::FileFields::parse(header.fields);
    const std::optional<QList<Rar5Header::ExtraRecord>> records
        = Rar5Header::ExtraRecord::parseAll(header.extra);
    if (!file || !records || file->unpackedSize > quint64(std::numeric_limits<qint64>::max()))
        return false;
    m_catalog.setSolid(file->compression & solidCompression);
    bool encrypted = false;
    bool link = false;
    for (const Rar5Header::ExtraRecord& record : *records) {
        encrypted = encrypted || record.type == Rar5Header::ExtraRecord::encryptionType;
        link = link || record.type == redirectionType;
    }
    // With encryption, rar stores a MAC in place of the CRC.
    const bool hasCrc = (file->flags & Rar5Header::FileFields::hasCrc) && !encrypted;

    if (header.flags & Rar5Header::splitBefore) {
        RarCatalog::Entry* entry = m_catalog.lastEntry();
        if (!entry)
            return false;
        if (!(header.flags & Rar5Header::splitAfter))
            entry->crc = file->crc;
        return true;
    }
    RarCatalog::Entry entry;
    entry.name = file->name;
    entry.size = qint64(file->unpackedSize);
    entry.crc = file->crc;
    entry.flags = ((file->flags & fileDirectory) ? RarCatalog::Entry::directory : 0)
        | (link ? RarCatalog::Entry::linked : 0) | (encrypted ? RarCatalog::Entry::encrypted : 0)
        | (hasCrc ? RarCatalog::Entry::hasCrc : 0)
        | ((file->flags & Rar5Header::FileFields::sizeUnknown) ? RarCatalog::Entry::sizeUnknown : 0);
    m_catalog.addEntry(std::move(entry));
    return true;
}

bool Rar5CatalogWalker::skipData(const Rar5Header& header)
{
    const quint64 size = header.dataSize.value_or(0);
    if (size > quint64(m_size - m_file.pos()))
        return false;
    return size == 0 || m_file.seek(m_file.pos() + qint64(size));
}
