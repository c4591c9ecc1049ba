#pragma once

#include <QList>
#include <QString>

#include <optional>

// An archive format. Equality and hashing go by the raw value, which is also
// the created archive's extension and the "file_type" of event reports.
class ArchiveType
{
public:
    enum Value
    {
        zip,
        z7,
        rar
    };

    constexpr ArchiveType(Value value)
        : m_value(value)
    {
    }
    constexpr operator Value() const { return m_value; }

    QString rawValue() const;

    // Exact, case-sensitive match of a raw value; callers lower-case file
    // extensions themselves.
    static std::optional<ArchiveType> fromRawValue(QStringView text);
    static QList<ArchiveType> allCases();
    // The formats that can be created: every case but "rar".
    static QList<ArchiveType> compressTypes();

private:
    Value m_value;
};

size_t qHash(ArchiveType type, size_t seed = 0) noexcept;
