#include "RarReadBack.h"

#include <QFile>

#include <memory>
#include <vector>

#include <archive.h>
#include <archive_entry.h>

namespace RarReadBack {

Result read(const QStringList& volumes)
{
    Result result;
    std::unique_ptr<archive, decltype(&archive_read_free)> reader(archive_read_new(), archive_read_free);
    archive_read_support_format_rar(reader.get());
    archive_read_support_format_rar5(reader.get());
    auto fail = [&] { result.error = QString::fromUtf8(archive_error_string(reader.get())); };
    QList<QByteArray> encoded;
    for (const QString& volume : volumes)
        encoded.append(QFile::encodeName(volume));
    std::vector<const char*> paths;
    for (const QByteArray& path : encoded)
        paths.push_back(path.constData());
    paths.push_back(nullptr);
    if (archive_read_open_filenames(reader.get(), paths.data(), 10240) != ARCHIVE_OK) {
        fail();
        return result;
    }
    archive_entry* header = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(reader.get(), &header)) == ARCHIVE_OK) {
        Entry entry { {},
                      archive_entry_mtime(header),
                      archive_entry_filetype(header) == AE_IFDIR,
                      archive_entry_is_encrypted(header) != 0 };
        char buffer[16384];
        la_ssize_t count = 0;
        while (!entry.isDirectory && !entry.isEncrypted
               && (count = archive_read_data(reader.get(), buffer, sizeof buffer)) > 0)
            entry.data.append(buffer, count);
        result.entries.insert(QString::fromUtf8(archive_entry_pathname_utf8(header)), entry);
        if (count < 0) {
            fail();
            return result;
        }
    }
    if (status != ARCHIVE_EOF)
        fail();
    return result;
}

QString mismatch(const Result& read, const QList<RarFixtureEntry>& written)
{
    if (!read.error.isEmpty())
        return read.error;
    if (read.entries.size() != written.size())
        return QStringLiteral("%1 entries read, %2 written").arg(read.entries.size()).arg(written.size());
    for (const RarFixtureEntry& entry : written) {
        const auto found = read.entries.constFind(entry.name);
        if (found == read.entries.cend())
            return entry.name + QStringLiteral(": not read");
        if (found->isDirectory != entry.isDirectory || found->isEncrypted || found->data != entry.data
            || found->mtime != entry.modified.toSecsSinceEpoch())
            return entry.name + QStringLiteral(": read otherwise than written");
    }
    return {};
}

} // namespace RarReadBack
