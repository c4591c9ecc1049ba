#include "Archive/Rar/LsarListing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtNumeric>

#include <algorithm>
#include <limits>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kRepairAttempts = 16;

// Ways to read truncated JSON: cut after one of its last complete values and
// close every open container, latest cut first. Text printed after the JSON
// stopped (lsar's password message) makes the latest cuts fail to parse.
QList<QByteArray> truncatedRepairs(const QByteArray& text)
{
    // Where to cut and what closes the containers open there, latest first.
    QList<std::pair<qsizetype, QByteArray>> cuts;
    QByteArray open;
    bool inString = false;
    bool escaped = false;
    const auto remember = [&](qsizetype end) {
        QByteArray closers;
        for (auto it = open.crbegin(); it != open.crend(); ++it)
            closers.append(*it == '{' ? '}' : ']');
        cuts.prepend({ end, closers });
        if (cuts.size() > kRepairAttempts)
            cuts.removeLast();
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
    QList<QByteArray> repairs;
    for (const auto& [end, closers] : std::as_const(cuts))
        repairs.append(text.left(end) + closers);
    return repairs;
}

QJsonDocument parseRepaired(const QByteArray& output)
{
    for (const QByteArray& repaired : truncatedRepairs(output)) {
        QJsonParseError status;
        const QJsonDocument document = QJsonDocument::fromJson(repaired, &status);
        if (status.error == QJsonParseError::NoError)
            return document;
    }
    return {};
}

// Sizes and offsets come from the archive's headers: a hostile archive must
// not make them overflow.
qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (qAddOverflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}

// RAR5 lists its data parts directly, RAR4 inside each solid object.
qint64 dataEndOf(const QJsonObject& object)
{
    QJsonArray parts = object.value("RAR5InputParts"_L1).toArray();
    for (const QJsonValue& solid : object.value("XADSolidObject"_L1).toArray()) {
        for (const QJsonValue& part : solid.toObject().value("Parts"_L1).toArray())
            parts.append(part);
    }
    qint64 end = 0;
    for (const QJsonValue& part : std::as_const(parts)) {
        const QJsonObject fields = part.toObject();
        end = std::max(
            end,
            saturatingAdd(fields.value("Offset"_L1).toInteger(), fields.value("InputLength"_L1).toInteger()));
    }
    return end;
}

LsarListing::Entry parseEntry(const QJsonObject& object)
{
    LsarListing::Entry entry;
    entry.name = object.value("XADFileName"_L1).toString();
    entry.size = object.value("XADFileSize"_L1).toInteger();
    entry.isDirectory = object.value("XADIsDirectory"_L1).toInteger() != 0;
    entry.isLink = object.value("XADIsLink"_L1).toInteger() != 0;
    entry.isEncrypted = object.value("XADIsEncrypted"_L1).toInteger() != 0;
    entry.dataEnd = dataEndOf(object);
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
        document = parseRepaired(output);
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
    // "RAR" (versions 1.5 to 4), "RAR 5", and "Embedded RAR" behind a
    // self-extractor's program.
    return m_formatName == "RAR"_L1 || m_formatName.startsWith("RAR "_L1)
        || m_formatName == "Embedded RAR"_L1;
}

bool LsarListing::isEncrypted() const
{
    return m_archiveEncrypted || std::any_of(m_entries.cbegin(), m_entries.cend(), [](const Entry& entry) {
               return entry.isEncrypted;
           });
}

qint64 LsarListing::totalSize() const
{
    return std::accumulate(
        m_entries.cbegin(), m_entries.cend(), qint64(0),
        [](qint64 sum, const Entry& entry) { return saturatingAdd(sum, std::max<qint64>(entry.size, 0)); });
}

qint64 LsarListing::dataEnd() const
{
    qint64 end = 0;
    for (const Entry& entry : m_entries)
        end = std::max(end, entry.dataEnd);
    return end;
}
