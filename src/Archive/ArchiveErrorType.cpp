#include "Archive/ArchiveErrorType.h"

#include "Resources/LocalizedText.h"

using namespace Qt::StringLiterals;

QString ArchiveErrorType::message() const
{
    switch (m_value) {
    case none:
        return u"无"_s;
    case unsupported:
        return u"不支持的格式"_s;
    case compressunknown:
        return u"压缩错误"_s;
    case decompressUnknown:
        return u"解压错误"_s;
    case passwordInvalid:
        return u"密码无效"_s;
    case passwordEmpty:
        return u"密码为空"_s;
    case originPathNone:
        return u"源路径为空"_s;
    case originPathError:
        return u"源路径无效"_s;
    case targetPathNone:
        return u"目标路径为空"_s;
    case targetPathError:
        return u"目标路径无效"_s;
    case badArchive:
        return u"压缩包已损坏"_s;
    case cancelled:
        return u"操作被取消"_s;
    }
    Q_UNREACHABLE();
    return {};
}

QString ArchiveErrorType::localizedMessage() const
{
    switch (m_value) {
    case none:
        return localizedText("error_none");
    case unsupported:
        return localizedText("error_unsupported");
    case compressunknown:
        return localizedText("error_compress_unknown");
    case decompressUnknown:
        return localizedText("error_decompress_unknown");
    case passwordInvalid:
        return localizedText("error_password_invalid");
    case passwordEmpty:
        return localizedText("error_password_empty");
    case originPathNone:
        return localizedText("error_origin_path_none");
    case originPathError:
        return localizedText("error_origin_path_error");
    case targetPathNone:
        return localizedText("error_target_path_none");
    case targetPathError:
        return localizedText("error_target_path_error");
    case badArchive:
        return localizedText("error_bad_archive");
    case cancelled:
        return localizedText("error_cancelled");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<ArchiveErrorType> ArchiveErrorType::fromMessage(QStringView message)
{
    for (const ArchiveErrorType error : allCases()) {
        if (error.message() == message)
            return error;
    }
    return std::nullopt;
}

QList<ArchiveErrorType> ArchiveErrorType::allCases()
{
    return { none,          unsupported,    compressunknown, decompressUnknown, passwordInvalid,
             passwordEmpty, originPathNone, originPathError, targetPathNone,    targetPathError,
             badArchive,    cancelled };
}
