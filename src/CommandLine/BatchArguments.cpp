#include "CommandLine/BatchArguments.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QString extractHereOption = u"--extract-here"_s;
const QString extractToOption = u"--extract-to"_s;
const QString compressHereOption = u"--compress-here"_s;
const QString formatOption = u"--format"_s;
} // namespace

bool BatchArguments::isBatch(const QStringList& arguments)
{
    return !arguments.isEmpty()
        && (arguments.first() == extractHereOption || arguments.first() == extractToOption
            || arguments.first() == compressHereOption);
}

std::optional<BatchArguments> BatchArguments::parse(const QStringList& arguments, QString* problem)
{
    if (!isBatch(arguments)) {
        *problem = u"expected --extract-here, --extract-to or --compress-here"_s;
        return std::nullopt;
    }
    BatchArguments batch;
    batch.kind = arguments.first() == compressHereOption ? BatchJob::Kind::compressHere
                                                         : BatchJob::Kind::extractHere;
    qsizetype first = 1;
    if (arguments.first() == extractToOption) {
        if (arguments.size() < 2 || arguments.at(1).isEmpty()) {
            *problem = u"--extract-to needs a DIR"_s;
            return std::nullopt;
        }
        batch.destination = QFileInfo(arguments.at(1)).absoluteFilePath();
        first = 2;
    }
    bool optionsEnded = false;
    for (qsizetype i = first; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!optionsEnded && argument == "--"_L1) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (argument == formatOption || argument.startsWith(formatOption + u'='))) {
            const QString value
                = argument == formatOption ? arguments.value(++i) : argument.mid(formatOption.size() + 1);
            const std::optional<ArchiveType> type = ArchiveType::fromRawValue(value);
            if (batch.kind != BatchJob::Kind::compressHere) {
                *problem = u"--format is for --compress-here"_s;
                return std::nullopt;
            }
            if (!type || !ArchiveType::compressTypes().contains(*type)) {
                *problem = u"--format must be zip or 7z, not '%1'"_s.arg(value);
                return std::nullopt;
            }
            batch.type = *type;
            continue;
        }
        if (!optionsEnded && argument.startsWith(u'-')) {
            *problem = u"unknown option '%1'"_s.arg(argument);
            return std::nullopt;
        }
        batch.files.append(QFileInfo(argument).absoluteFilePath());
    }
    if (batch.files.isEmpty()) {
        *problem = u"%1 needs at least one FILE"_s.arg(arguments.first());
        return std::nullopt;
    }
    return batch;
}
