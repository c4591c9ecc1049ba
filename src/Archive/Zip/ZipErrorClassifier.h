#pragma once

#include <QByteArrayView>

// Tells from libarchive's message why reading an entry failed: libarchive
// reports zip failures by text only.
class ZipErrorClassifier
{
public:
    ZipErrorClassifier() = delete;

    // One of ZipEngine::ErrorCode. `entryEncrypted`: the failing entry is
    // encrypted, where damaged-looking data means a wrong password (ZipCrypto
    // lets about one wrong password in 256 through its check).
    static int classify(QByteArrayView message, bool entryEncrypted);
};
