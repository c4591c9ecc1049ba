#pragma once

#include "Archive/SevenZip/SevenZipItem.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

// Reads the standard output of `7zz l -slt -ba`: one block of "Key = Value"
// lines per entry, blocks separated by blank lines. Works on text alone.
class SevenZipListingParser
{
public:
    SevenZipListingParser() = delete;

    struct Result
    {
        QList<SevenZipItem> items;
        // Empty, or what was wrong with the first malformed block (which is
        // left out of `items`).
        QString error;
    };

    // Lines that are not "Key = Value", such as the password prompt, are
    // skipped.
    static Result parse(const QString& output);

private:
    // One block's "Key = Value" lines, in order.
    using Fields = QList<std::pair<QStringView, QStringView>>;

    static QStringView value(const Fields& fields, QStringView key);
    static void addBlock(const Fields& fields, Result& result);
    static bool readItem(const Fields& fields, SevenZipItem& item);
};
