#pragma once

#include <QString>

// The kind of a working-list entry, judged by its path extension; picks the
// entry's row icon.
class FileCategory
{
public:
    enum Value
    {
        compress,
        excel,
        folder,
        keynote,
        music,
        numbers,
        pages,
        pdf,
        picture,
        ppt,
        txt,
        video,
        word,
        torrent,
        apk,
        chm,
        unknown,
    };

    constexpr FileCategory(Value value)
        : m_value(value)
    {
    }
    constexpr operator Value() const { return m_value; }

    QString rawValue() const;
    // "file_" + raw value + "_icon".
    QString iconName() const;

    // The category of a file at `path`. A path without extension counts as a
    // folder; any extension outside the known sets is unknown.
    static FileCategory forPath(const QString& path);

private:
    Value m_value;
};
