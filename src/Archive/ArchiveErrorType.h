#pragma once

#include <QList>
#include <QString>

#include <optional>

// The outcome of an archive job. Each case's raw value is its message: a fixed
// text sent as the "error" value of result events, so the texts are part of
// the contract (a cancelled job is recognised by its message).
class ArchiveErrorType
{
public:
    enum Value
    {
        none,
        unsupported,
        compressunknown,
        decompressUnknown,
        passwordInvalid,
        passwordEmpty,
        originPathNone,
        originPathError,
        targetPathNone,
        targetPathError,
        badArchive,
        cancelled,
    };

    constexpr ArchiveErrorType(Value value)
        : m_value(value)
    {
    }
    constexpr operator Value() const { return m_value; }

    QString message() const;
    // The same outcome in the user's language, for people rather than the
    // event log.
    QString localizedMessage() const;

    static std::optional<ArchiveErrorType> fromMessage(QStringView message);
    static QList<ArchiveErrorType> allCases();

private:
    Value m_value;
};
