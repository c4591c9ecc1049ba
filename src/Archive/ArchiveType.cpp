#include "Archive/ArchiveType.h"

#include <QHash>

using namespace Qt::StringLiterals;

QString ArchiveType::rawValue() const
{
    switch (m_value) {
    case zip:
        return u"zip"_s;
    case z7:
        return u"7z"_s;
    case rar:
        return u"rar"_s;
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<ArchiveType> ArchiveType::fromRawValue(QStringView text)
{
    for (const ArchiveType type : allCases()) {
        if (type.rawValue() == text)
            return type;
    }
    return std::nullopt;
}

QList<ArchiveType> ArchiveType::allCases()
{
    return { zip, z7, rar };
}

QList<ArchiveType> ArchiveType::compressTypes()
{
    QList<ArchiveType> types = allCases();
    types.removeIf([](ArchiveType type) { return type.rawValue() == u"rar"; });
    return types;
}

size_t qHash(ArchiveType type, size_t seed) noexcept
{
    return qHash(type.rawValue(), seed);
}
