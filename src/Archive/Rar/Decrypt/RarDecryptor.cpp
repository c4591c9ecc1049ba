#include "Archive/Rar/Decrypt/RarDecryptor.h"

#include "Archive/Rar/Decrypt/Rar4Decryptor.h"
#include "Archive/Rar/Decrypt/Rar5Decryptor.h"
#include "Archive/Rar/Decrypt/RarDecryptSession.h"
#include "Archive/Rar/RarArchive.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr char rar4Signature[] = { 0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x00 };
constexpr char rar5Signature[] = { 0x52, 0x61, 0x72, 0x21, 0x1a, 0x07, 0x01, 0x00 };

// WinRAR cuts longer passwords to this many characters when it encrypts.
constexpr qsizetype maxPasswordLength = 127;

enum class Format
{
    none,
    rar4,
    rar5,
};

Format formatOf(QFile& input)
{
    const QByteArray start = input.peek(sizeof rar5Signature);
    if (start.startsWith(QByteArrayView(rar5Signature, sizeof rar5Signature)))
        return Format::rar5;
    if (start.startsWith(QByteArrayView(rar4Signature, sizeof rar4Signature)))
        return Format::rar4;
    return Format::none;
}

bool rewrite(QFile& input, QFile& output, const QString& password, const std::function<bool()>& canContinue,
             int* errorCode)
{
    const Format format = formatOf(input);
    if (format == Format::none) {
        *errorCode = RarArchive::unknownFormat;
        return false;
    }
    RarDecryptSession session(input, output, canContinue);
    const QString usable = password.left(maxPasswordLength);
    const bool done = format == Format::rar4 ? Rar4Decryptor(session, usable).run()
                                             : Rar5Decryptor(session, usable).run();
    if (session.cancelled()) {
        *errorCode = 0;
        return false;
    }
    if (!done) {
        *errorCode = session.errorCode() != 0 ? session.errorCode() : int(RarArchive::badArchive);
        return false;
    }
    if (!output.flush()) {
        *errorCode = RarArchive::writeFailed;
        return false;
    }
    return true;
}

} // namespace

bool RarDecryptor::decryptToPlainArchive(const QString& encryptedPath, const QString& plainPath,
                                         const QString& password, int* errorCode,
                                         const std::function<bool()>& canContinue)
{
    int ignored = 0;
    int& error = errorCode ? *errorCode : ignored;
    error = 0;
    QFile input(encryptedPath);
    if (!input.open(QIODevice::ReadOnly)) {
        error = RarArchive::openFailed;
        return false;
    }
    // Truncating the output must never destroy the input.
    if (QFileInfo(plainPath).exists() && QFileInfo(plainPath) == QFileInfo(encryptedPath)) {
        error = RarArchive::createFailed;
        return false;
    }
    // The plain archive holds the decrypted data: readable by its owner only.
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile output(plainPath);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate, ownerOnly)) {
        error = RarArchive::createFailed;
        return false;
    }
    if (!output.setPermissions(ownerOnly))
        error = RarArchive::createFailed;
    else if (rewrite(input, output, password, canContinue, &error))
        return true;
    output.remove();
    return false;
}
