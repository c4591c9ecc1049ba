#include "Archive/Rar/RarErrorClassifier.h"

#include "Archive/Rar/RarArchive.h"

#include <QByteArray>

#include <initializer_list>

namespace {

bool containsAny(QByteArrayView text, std::initializer_list<const char*> fragments)
{
    const QByteArray lower = text.toByteArray().toLower();
    for (const char* fragment : fragments) {
        if (lower.contains(fragment))
            return true;
    }
    return false;
}

} // namespace

int RarErrorClassifier::fromLibarchive(QByteArrayView message)
{
    if (containsAny(message, { "passphrase", "encrypt", "password" }))
        return RarArchive::missingPassword;
    if (containsAny(message, { "crc", "checksum" }))
        return RarArchive::badData;
    if (containsAny(message, { "allocate", "memory" }))
        return RarArchive::noMemory;
    if (containsAny(message, { "unsupported", "not supported" }))
        return RarArchive::unknownFormat;
    if (containsAny(message, { "truncated", "premature", "unexpected end" }))
        return RarArchive::badArchive;
    return RarArchive::badData;
}

int RarErrorClassifier::fromUnar(QByteArrayView reason)
{
    // "Missing or wrong password": unar cannot tell the two apart, and some
    // encrypted archives it cannot decrypt at all end the same way.
    if (containsAny(reason, { "password" }))
        return RarArchive::badPassword;
    if (containsAny(reason, { "checksum", "data is corrupted", "decrunching" }))
        return RarArchive::badData;
    if (containsAny(reason, { "failed to write", "could not create", "name of file exists" }))
        return RarArchive::writeFailed;
    if (containsAny(reason, { "not enough memory" }))
        return RarArchive::noMemory;
    if (containsAny(reason,
                    { "not fully supported", "unknown data format", "unknown file type", "recognize" }))
        return RarArchive::unknownFormat;
    if (containsAny(reason, { "attempted to read", "opening file failed" }))
        return RarArchive::badArchive;
    return RarArchive::unknown;
}
