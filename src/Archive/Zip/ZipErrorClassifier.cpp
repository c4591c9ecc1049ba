#include "Archive/Zip/ZipErrorClassifier.h"

#include "Archive/Extraction/ErrorText.h"
#include "Archive/Zip/ZipEngine.h"

int ZipErrorClassifier::classify(QByteArrayView message, bool entryEncrypted)
{
    // "Incorrect passphrase", "Passphrase required for this entry".
    if (ErrorText::containsAny(message, { "passphrase" }))
        return ZipEngine::wrongPassword;
    // PKWARE strong encryption and anything else libarchive cannot decrypt.
    if (ErrorText::containsAny(
            message, { "encryption", "encrypted file is unsupported", "decryption is unsupported" }))
        return ZipEngine::unsupportedEncryption;
    if (ErrorText::containsAny(message, { "unsupported zip compression method" }))
        return ZipEngine::unsupportedCompression;
    if (ErrorText::containsAny(message, { "no memory", "out of memory", "can't allocate" }))
        return ZipEngine::internalError;
    if (entryEncrypted && !ErrorText::containsAny(message, { "truncated" }))
        return ZipEngine::wrongPassword;
    return ZipEngine::archiveUnreadable;
}
