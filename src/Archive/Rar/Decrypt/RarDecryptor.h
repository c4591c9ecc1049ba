#pragma once

#include <QString>

#include <functional>

// Turns an encrypted RAR archive into a plain one libarchive can read: RAR
// encrypts each file's (already compressed) data and, optionally, the
// headers, so decrypting those and dropping the encryption marks leaves the
// compressed streams exactly as libarchive's RAR and RAR5 readers expect.
//
// Single archives only (no volume sets, no self-extractors); RAR 2.9 to 4.x
// with AES-128 and RAR5 with AES-256. Data is streamed in small chunks.
class RarDecryptor
{
public:
    RarDecryptor() = delete;

    // Writes the plain form of `encryptedPath` to `plainPath` (created or
    // truncated, readable by its owner only; nothing else is written). On
    // failure the output is removed and `errorCode` is a RarArchive::ErrorCode:
    //  - badPassword: a password check value, an encrypted header's checksum
    //    or a stored file's CRC shows the password is wrong. Compressed RAR4
    //    files have no such check: a wrong password then shows as a CRC or
    //    decoding error when libarchive unpacks the plain archive.
    //  - badArchive: damaged or truncated, also where a check fails after
    //    another has proven the password;
    //  - unknownFormat: not RAR, a volume of a set, or an old RAR cipher;
    //  - openFailed, readFailed, createFailed, writeFailed: file errors.
    // `canContinue` is asked between headers and data chunks; when it says
    // no, the output is removed and the result is false with `errorCode` 0.
    static bool decryptToPlainArchive(const QString& encryptedPath, const QString& plainPath,
                                      const QString& password, int* errorCode,
                                      const std::function<bool()>& canContinue = {});
};
