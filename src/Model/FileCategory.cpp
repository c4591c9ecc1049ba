#include "Model/FileCategory.h"

#include "Archive/Plumbing/PathText.h"

#include <QStringList>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

using CategoryExtensions = std::pair<FileCategory::Value, QStringList>;

// Tested in this order, first match wins. "folder" is the empty extension:
// anything without one counts as a folder.
const QList<CategoryExtensions>& categoriesByExtension()
{
    static const QList<CategoryExtensions> table {
        { FileCategory::compress, { u"rar"_s, u"zip"_s, u"arj"_s, u"z"_s, u"7z"_s } },
        { FileCategory::excel, { u"xls"_s, u"xlsx"_s, u"xlsm"_s, u"xlt"_s, u"xltx"_s, u"xltm"_s } },
        { FileCategory::folder, { QString() } },
        { FileCategory::keynote, { u"keynote"_s } },
        { FileCategory::music,
          { u"mp3"_s, u"wma"_s, u"wav"_s, u"acm"_s, u"aif"_s, u"aifc"_s, u"aiff"_s, u"m4a"_s, u"flac"_s } },
        { FileCategory::numbers, { u"numbers"_s } },
        { FileCategory::pages, { u"pages"_s } },
        { FileCategory::pdf, { u"pdf"_s } },
        { FileCategory::picture,
          { u"tif"_s, u"tiff"_s, u"gif"_s, u"jpeg"_s, u"jpg"_s, u"png"_s, u"heic"_s, u"webp"_s } },
        { FileCategory::ppt, { u"ppt"_s, u"pptx"_s } },
        { FileCategory::txt, { u"txt"_s } },
        { FileCategory::video,
          { u"avi"_s, u"rmvb"_s, u"rm"_s, u"3gp"_s, u"asf"_s, u"swf"_s, u"mpg"_s, u"mpeg"_s, u"mpe"_s,
            u"wmv"_s, u"mp4"_s, u"mkv"_s, u"vob"_s, u"flv"_s, u"mpeg4"_s, u"ts"_s, u"mov"_s } },
        { FileCategory::word, { u"doc"_s, u"docx"_s } },
        { FileCategory::torrent, { u"torrent"_s } },
        { FileCategory::apk, { u"apk"_s } },
        { FileCategory::chm, { u"chm"_s } },
    };
    return table;
}

} // namespace

QString FileCategory::rawValue() const
{
    static const std::array<QString, unknown + 1> rawValues {
        u"compress"_s, u"excel"_s,   u"folder"_s,  u"keynote"_s, u"music"_s,   u"numbers"_s,
        u"pages"_s,    u"pdf"_s,     u"picture"_s, u"ppt"_s,     u"txt"_s,     u"video"_s,
        u"word"_s,     u"torrent"_s, u"apk"_s,     u"chm"_s,     u"unknown"_s,
    };
    return rawValues.at(m_value);
}

QString FileCategory::iconName() const
{
    return u"file_"_s + rawValue() + u"_icon"_s;
}

FileCategory FileCategory::forPath(const QString& path)
{
    const QString extension = PathText::pathExtension(path).toLower();
    for (const auto& [category, extensions] : categoriesByExtension()) {
        if (extensions.contains(extension))
            return category;
    }
    return unknown;
}
