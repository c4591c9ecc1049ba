#include "Archive/Zip/ZipErrorClassifier.h"

#include "Archive/Zip/ZipEngine.h"

#include <QByteArray>

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

int ZipErrorClassifier::classify(QByteArrayView message, bool entryEncrypted)
{
    // "Incorrect passphrase", "Passphrase required for this entry".
    if (containsAny(message, { "passphrase" }))
        return ZipEngine::wrongPassword;
    // PKWARE strong encryption and anything else libarchive cannot decrypt.
    if (containsAny(message, { "encryption", "encrypted file is unsupported", "decryption is unsupported" }))
        return ZipEngine::unsupportedEncryption;
    if (containsAny(message, { "unsupported zip compression method" }))
        return ZipEngine::unsupportedCompression;
    if (containsAny(message, { "no memory", "out of memory", "can't allocate" }))
        return ZipEngine::internalError;
    if (entryEncrypted && !containsAny(message, { "truncated" }))
        return ZipEngine::wrongPassword;
    return ZipEngine::archiveUnreadable;
}
