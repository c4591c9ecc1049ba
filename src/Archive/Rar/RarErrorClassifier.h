#pragma once

#include <QByteArrayView>

// Turns the engines' failure texts into RarArchive::ErrorCode values: both
// libarchive and unar report why reading failed by text only.
class RarErrorClassifier
{
public:
    RarErrorClassifier() = delete;

    static int fromLibarchive(QByteArrayView message);
    // The reason unar gives in "Failed! (reason)" or "... failed! (reason)".
    static int fromUnar(QByteArrayView reason);
};
