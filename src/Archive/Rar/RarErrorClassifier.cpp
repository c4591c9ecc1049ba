#include "Archive/Rar/RarErrorClassifier.h"

#include "Archive/Extraction/ErrorText.h"
#include "Archive/Rar/RarArchive.h"

int RarErrorClassifier::fromLibarchive(QByteArrayView message)
{
    if (ErrorText::containsAny(message, { "passphrase", "encrypt", "password" }))
        return RarArchive::missingPassword;
    if (ErrorText::containsAny(message, { "crc", "checksum" }))
        return RarArchive::badData;
    if (ErrorText::containsAny(message, { "allocate", "memory" }))
        return RarArchive::noMemory;
    if (ErrorText::containsAny(message, { "unsupported", "not supported" }))
        return RarArchive::unknownFormat;
    if (ErrorText::containsAny(message, { "truncated", "premature", "unexpected end" }))
        return RarArchive::badArchive;
    return RarArchive::badData;
}

int RarErrorClassifier::fromUnar(QByteArrayView reason)
{
    // "Missing or wrong password": unar cannot tell the two apart, and some
    // encrypted archives it cannot decrypt at all end the same way.
    if (ErrorText::containsAny(reason, { "password" }))
        return RarArchive::badPassword;
    if (ErrorText::containsAny(reason, { "checksum", "data is corrupted", "decrunching" }))
        return RarArchive::badData;
    if (ErrorText::containsAny(reason, { "failed to write", "could not create", "name of file exists" }))
        return RarArchive::writeFailed;
    if (ErrorText::containsAny(reason, { "not enough memory" }))
        return RarArchive::noMemory;
    if (ErrorText::containsAny(
            reason, { "not fully supported", "unknown data format", "unknown file type", "recognize" }))
        return RarArchive::unknownFormat;
    if (ErrorText::containsAny(reason, { "attempted to read", "opening file failed" }))
        return RarArchive::badArchive;
    return RarArchive::unknown;
}
