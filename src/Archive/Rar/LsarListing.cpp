#include "Archive/Rar/LsarListing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

// Cuts truncated JSON after its last complete value and closes every open
// container, so that what lsar printed before it stopped can still be read.
QByteArray closeTruncated(const QByteArray& text)
{
    QByteArray open;
    qsizetype cut = 0;
    QByteArray closers;
    bool inString = false;
    bool escaped = false;
    const auto remember = [&](qsizetype end) {
        cut = end;
        closers.clear();
        for (auto it = open.crbegin(); it != open.crend(); ++it)
            closers.append(*it == '{' ? '}' : ']');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            open.append(c);
            remember(i + 1);
        } else if ((c == '}' || c == ']') && !open.isEmpty()) {
            open.chop(1);
            remember(i + 1);
        } else if (c == ',' && !open.isEmpty()) {
            remember(i);
        }
    }
    return text.left(cut) + closers;
}

LsarListing::Entry parseEntry(const QJsonObject& object)
{
    LsarListing::Entry entry;
    entry.name = object.value("XADFileName"_L1).toString();
    entry.size = object.value("XADFileSize"_L1).toInteger();
    entry.isDirectory = object.value("XADIsDirectory"_L1).toInteger() != 0;
    entry.isLink = object.value("XADIsLink"_L1).toInteger() != 0;
    entry.isEncrypted = object.value("XADIsEncrypted"_L1).toInteger() != 0;
    return entry;
}

} // namespace

LsarListing LsarListing::parse(const QByteArray& output)
{
    LsarListing listing;
    QJsonParseError status;
    QJsonDocument document = QJsonDocument::fromJson(output, &status);
    if (status.error != QJsonParseError::NoError) {
        listing.m_truncated = true;
        document = QJsonDocument::fromJson(closeTruncated(output));
    }
    const QJsonObject root = document.object();
    listing.m_formatName = root.value("lsarFormatName"_L1).toString();
    listing.m_error = root.value("lsarError"_L1).toInt();
    const QJsonObject properties = root.value("lsarProperties"_L1).toObject();
    listing.m_archiveEncrypted = properties.value("XADIsEncrypted"_L1).toInteger() != 0;
    for (const QJsonValue& volume : properties.value("XADVolumes"_L1).toArray())
        listing.m_volumes.append(volume.toString());
    for (const QJsonValue& value : root.value("lsarContents"_L1).toArray()) {
        // A cut-off listing can end in an entry that lost all its fields.
        if (const QJsonObject entry = value.toObject(); !entry.isEmpty())
            listing.m_entries.append(parseEntry(entry));
    }
    return listing;
}

bool LsarListing::isRar() const
{
    // "RAR" (versions 1.5 to 4), "RAR 5"; self-extracting archives are RAR too.
    return m_formatName == "RAR"_L1 || m_formatName.startsWith("RAR "_L1);
}

bool LsarListing::isEncrypted() const
{
    return m_archiveEncrypted
        || std::any_of(m_entries.cbegin(), m_entries.cend(), [](const Entry& entry) { return entry.isEncrypted; });
}

qint64 LsarListing::totalSize() const
{
    return std::accumulate(m_entries.cbegin(), m_entries.cend(), qint64(0),
                           [](qint64 sum, const Entry& entry) { return sum + std::max<qint64>(entry.size, 0); });
}
