#pragma once

#include <QStringList>

// Every text key and picture name the application looks up; the translations
// and the embedded images must provide exactly these.
namespace ResourceNames {

inline const QStringList textKeys = {
    QStringLiteral("common_application_name"),
    QStringLiteral("toobar_extract"),
    QStringLiteral("toobar_add_file"),
    QStringLiteral("toobar_compress"),
    QStringLiteral("toobar_download_full_version"),
    QStringLiteral("toobar_download_full_version_tips"),
    QStringLiteral("file_selection_title"),
    QStringLiteral("click_to_delete"),
    QStringLiteral("drag_file_title"),
    QStringLiteral("drag_file_subtitle"),
    QStringLiteral("compress_format_label"),
    QStringLiteral("compress_action"),
    QStringLiteral("extract_action"),
    QStringLiteral("common_ok"),
    QStringLiteral("common_cancel"),
    QStringLiteral("enter_password"),
    QStringLiteral("archive_default"),
    QStringLiteral("empty_file_selection"),
    QStringLiteral("compress_to_title"),
    QStringLiteral("compress_to_message"),
    QStringLiteral("compress_ing"),
    QStringLiteral("compress_completion"),
    QStringLiteral("compress_failed"),
    QStringLiteral("extract_to_title"),
    QStringLiteral("extract_to_message"),
    QStringLiteral("extract_ing"),
    QStringLiteral("extract_completion"),
    QStringLiteral("extract_failed"),
    QStringLiteral("file_selection_unsupport_format"),
};

// The raw values of the file categories; each has a row icon "file_<category>_icon".
inline const QStringList fileCategories = {
    QStringLiteral("compress"), QStringLiteral("excel"),   QStringLiteral("folder"),
    QStringLiteral("keynote"),  QStringLiteral("music"),   QStringLiteral("numbers"),
    QStringLiteral("pages"),    QStringLiteral("pdf"),     QStringLiteral("picture"),
    QStringLiteral("ppt"),      QStringLiteral("txt"),     QStringLiteral("video"),
    QStringLiteral("word"),     QStringLiteral("torrent"), QStringLiteral("apk"),
    QStringLiteral("chm"),      QStringLiteral("unknown"),
};

inline QString fileIconName(const QString& category)
{
    return QStringLiteral("file_") + category + QStringLiteral("_icon");
}

inline QStringList imageNames()
{
    QStringList names = {
        QStringLiteral("toobal_extract_icon"),
        QStringLiteral("toobal_add_file_icon"),
        QStringLiteral("toobal_compress_icon"),
        QStringLiteral("upgrade_btn"),
        QStringLiteral("alert_error_icon"),
        QStringLiteral("alert_success_icon"),
        QStringLiteral("alert_password_icon"),
        QStringLiteral("list_view_add_file_icon"),
        QStringLiteral("prev_btn"),
        QStringLiteral("next_btn"),
        QStringLiteral("close_btn"),
    };
    for (int page = 1; page <= 3; ++page) {
        names << QStringLiteral("upgrade_banner%1").arg(page)
              << QStringLiteral("upgrade_banner%1_zh").arg(page);
    }
    for (const QString& category : fileCategories)
        names << fileIconName(category);
    return names;
}

} // namespace ResourceNames
