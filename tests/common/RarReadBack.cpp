#include "RarReadBack.h"

#include <QFile>

#include <memory>

#include <archive.h>
#include <archive_entry.h>

namespace RarReadBack {

Result read(const QString& path)
{
    Result result;
    std::unique_ptr<archive, decltype(&archive_read_free)> reader(archive_read_new(), archive_read_free);
    archive_read_support_format_rar(reader.get());
    archive_read_support_format_rar5(reader.get());
    auto fail = [&] { result.error = QString::fromUtf8(archive_error_string(reader.get())); };
    if (archive_read_open_filename(reader.get(), QFile::encodeName(path).constData(), 10240) != ARCHIVE_OK) {
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
        while (!entry.isDirectory && (count = archive_read_data(reader.get(), buffer, sizeof buffer)) > 0)
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

} // namespace RarReadBack
