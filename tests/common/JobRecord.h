#pragma once

#include "Archive/Run/Archiver.h"

#include <QList>
#include <QStringList>

#include <optional>
#include <utility>

// What one archiver job delivered, in the order it happened: hand out its
// callbacks, then wait for `outcome`.
struct JobRecord
{
    QStringList events;
    std::optional<std::pair<bool, ArchiveErrorType>> outcome;
    QList<float> progress;

    Archiver::OnBegin onBegin()
    {
        return [this] { events.append(QStringLiteral("begin")); };
    }
    Archiver::Progress progressCallback()
    {
        return [this](float fraction) { progress.append(fraction); };
    }
    Archiver::Completion completion()
    {
        return [this](bool success, ArchiveErrorType error) {
            events.append(QStringLiteral("completion"));
            outcome = { success, error };
        };
    }
    bool succeeded() const { return outcome && outcome->first && outcome->second == ArchiveErrorType::none; }
    bool failedWith(ArchiveErrorType error) const
    {
        return outcome && !outcome->first && outcome->second == error;
    }
};
