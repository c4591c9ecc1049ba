#pragma once

#include "Archive/ArchiveType.h"
#include "Archive/Job/BatchJob.h"

#include <QString>
#include <QStringList>

#include <optional>

// The options file managers start batch jobs with:
//   --extract-here FILE...
//   --extract-to DIR FILE...
//   --compress-here [--format zip|7z] FILE...
// Files are made absolute against the working folder.
class BatchArguments
{
public:
    BatchJob::Kind kind = BatchJob::Kind::extractHere;
    ArchiveType type = ArchiveType::zip;
    QStringList files;
    // Where --extract-to puts the archives; empty for beside each one.
    QString destination;

    // Whether `arguments` (without the program name) ask for a batch.
    static bool isBatch(const QStringList& arguments);
    // The batch they ask for, or nothing with `problem` saying what is wrong.
    static std::optional<BatchArguments> parse(const QStringList& arguments, QString* problem);
};
